// Fuzzes the language file reader: any bytes as a language file must load without harm.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/lang/StringBase.h"
#include "base/WideText.h"

namespace {

// The table reads files from a folder; each fuzzing process has a folder of its own.
const std::string& InputFolder() {
    static const std::string folder = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string path = std::string(dir && *dir ? dir : "/tmp") + "/tav-fuzz-lang-" +
                           std::to_string(getpid());
        mkdir(path.c_str(), 0700);
        return path;
    }();
    static const bool cleanedAtExit = [] {
        std::atexit([] {
            std::remove((InputFolder() + "/TavLang.Xml").c_str());
            rmdir(InputFolder().c_str());
        });
        return true;
    }();
    (void)cleanedAtExit;
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file = InputFolder() + "/TavLang.Xml";
    FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) return 0;
    std::fwrite(data, 1, size, out);
    std::fclose(out);

    CStringBase table(tav::FromUtf8(InputFolder()));
    // Ids the seeds use, with languages of two letters, one, and more.
    static const int32_t kIds[] = {1, -1, 53000, 53001, 2147483647, 0};
    static const wchar_t* const kLanguages[] = {L"EN", L"DE", L"E", L"ENG", L""};
    volatile size_t total = 0;
    for (int32_t id : kIds) {
        for (const wchar_t* language : kLanguages) {
            if (const std::wstring* text = table.GetText(id, language)) {
                total = total + text->size();
                if (!text->empty()) total = total + static_cast<size_t>((*text)[text->size() - 1]);
            }
        }
    }
    if (auto order = table.GetDisplayOrder(L"EN")) total = total + order->size();
    return 0;
}
