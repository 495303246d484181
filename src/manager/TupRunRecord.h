// The end of each update run, kept in the product key: detection reads it to tell a package
// whose last run failed from one that is applied, whatever its files say.
#pragma once

#include <string>

#include "system/Clock.h"

struct TupRunRecord {
    std::wstring name;          // the package's component name
    std::wstring version;       // the version of the package's server executable
    std::wstring configDigest;  // MD5 of the package's config.xml
    bool succeeded = false;
    std::wstring when;          // local time, "YYYY-MM-DD HH:MM:SS"
    std::wstring backupFolder;
};

// The key that holds one record per package, named by the package's digest (32-bit view, as
// the product key).
constexpr const wchar_t* kRunRecordsKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\Updates";

// A package's digest: the MD5 of its config.xml in hexadecimal, read through the current
// machine; empty when the file cannot be read.
std::wstring PackageDigestOf(const std::wstring& configPath);

// A record's time: "YYYY-MM-DD HH:MM:SS".
std::wstring RunRecordTime(const sys::LocalTime& time);

void WriteRunRecord(const std::wstring& packageDigest, const TupRunRecord& record);
// False when the package has no record (or the digest is empty).
bool ReadRunRecord(const std::wstring& packageDigest, TupRunRecord& record);
