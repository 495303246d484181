// Run records under the product key.
#include "manager/TupRunRecord.h"

#include <cwchar>
#include <string>

#include "persist/ObjContainer.h"
#include "signature/Md5.h"
#include "system/Machine.h"

namespace {

constexpr const wchar_t* kSucceeded = L"succeeded";
constexpr const wchar_t* kFailed = L"failed";

// Digests only ever name a key: anything but hexadecimal digits is refused.
bool IsDigest(const std::wstring& digest) {
    if (digest.size() != 32) return false;
    for (const wchar_t c : digest) {
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
    }
    return true;
}

}  // namespace

std::wstring PackageDigestOf(const std::wstring& configPath) {
    std::string bytes;
    if (!sys::CurrentMachine().files->ReadAll(configPath, bytes)) return std::wstring();
    return CMd5::Hex(CMd5::Of(bytes));
}

std::wstring RunRecordTime(const sys::LocalTime& time) {
    wchar_t text[32];
    std::swprintf(text, sizeof text / sizeof text[0], L"%04d-%02d-%02d %02d:%02d:%02d", time.year,
                  time.month, time.day, time.hour, time.minute, time.second);
    return text;
}

void WriteRunRecord(const std::wstring& packageDigest, const TupRunRecord& record) {
    if (!IsDigest(packageDigest)) return;
    ObjContainer values;
    values.SetString(L"Name", record.name);
    values.SetString(L"Version", record.version);
    values.SetString(L"ConfigDigest", record.configDigest);
    values.SetString(L"Result", record.succeeded ? kSucceeded : kFailed);
    values.SetString(L"When", record.when);
    values.SetString(L"BackupFolder", record.backupFolder);
    values.SaveToRegistry(std::wstring(kRunRecordsKey) + L"\\" + packageDigest, false);
}

bool ReadRunRecord(const std::wstring& packageDigest, TupRunRecord& record) {
    if (!IsDigest(packageDigest)) return false;
    ObjContainer values;
    values.LoadFromRegistry(std::wstring(kRunRecordsKey) + L"\\" + packageDigest, false, -1, false);
    std::wstring result;
    values.GetString(L"Result", result);
    // A record without its result was not written by a run.
    if (result != kSucceeded && result != kFailed) return false;
    record = TupRunRecord();
    record.succeeded = result == kSucceeded;
    values.GetString(L"Name", record.name);
    values.GetString(L"Version", record.version);
    values.GetString(L"ConfigDigest", record.configDigest);
    values.GetString(L"When", record.when);
    values.GetString(L"BackupFolder", record.backupFolder);
    return true;
}
