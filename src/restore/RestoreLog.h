// What an update run's result log tells about each file it backed up and replaced, read back
// with the texts of the language file the run wrote it with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class CStringBase;

namespace restore {

// One line of the result log: the component that wrote it, the text id its text was found to
// be, and the extra text after it.
struct ResultLogLine {
    std::wstring component;
    uint32_t textId = 0;
    std::wstring extra;
    size_t number = 0;  // of the line in the log, from 1
};

// The text ids whose lines a restore reads; their English texts must be known.
const std::vector<uint32_t>& RestoreTextIds();

// Reads the lines of a result log (UTF-8, "date time - ;text" per line, the text quoted when it
// holds a semicolon) whose text starts with one of the component names followed by ": " and
// goes on with the English text of one of RestoreTextIds(). Other lines are left out. texts
// maps each id to its English text.
std::vector<ResultLogLine> ReadResultLog(const std::string& bytes,
                                         const std::vector<std::wstring>& components,
                                         const std::map<uint32_t, std::wstring>& texts);

// What the log tells of one installed file.
struct LoggedFile {
    std::wstring installed;  // as the log spells it
    std::wstring component;  // of the run that first backed it up or found none
    std::wstring module;     // short name of the updater that did
    bool backupStarted = false;
    bool backedUp = false;      // its backup was copied whole
    std::wstring backupName;    // below the backup folder, when the log names it
    bool noneBefore = false;    // it did not exist when the run backed up
    bool backupRefused = false;  // the backup was there already, or could not be made
    bool touched = false;       // the file phase began on it
    bool replaced = false;      // the file phase put the new file there
    bool inFlight = false;      // ... and the log ends before it says how that went
    bool oldMade = false;       // the file phase moved it aside under ".old"
    bool staged = false;        // the run's staged list names a new file beside it
    size_t firstTouch = 0;      // order of the file phase's first line about it
    size_t line = 0;            // of the log line that first names it
};

// What the log tells of a whole backup folder's run.
struct RunRecord {
    std::vector<LoggedFile> files;              // in the order the log first names them
    std::vector<std::wstring> stoppedServices;  // stopped by the run and not started again
    std::vector<std::wstring> components;       // that wrote lines, in order
};

RunRecord ReadRunRecord(const std::vector<ResultLogLine>& lines);

}  // namespace restore
