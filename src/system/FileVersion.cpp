// The four-part version of an executable file, read from its version resource.
#include "system/FileVersion.h"

#include "base/CrtNumbers.h"
#include "system/Machine.h"

namespace sys {

bool ParseVersionText(std::wstring_view text, uint16_t& a, uint16_t& b, uint16_t& c, uint16_t& d) {
    const size_t first = text.find(L'.');
    if (first == std::wstring_view::npos) return false;
    const size_t second = text.find(L'.', first + 1);
    if (second == std::wstring_view::npos) return false;
    const size_t third = text.find(L'.', second + 1);
    if (third == std::wstring_view::npos) return false;
    a = static_cast<uint16_t>(tav::CrtAtoi(text.substr(0, first)));
    b = static_cast<uint16_t>(tav::CrtAtoi(text.substr(first + 1, second - first - 1)));
    c = static_cast<uint16_t>(tav::CrtAtoi(text.substr(second + 1, third - second - 1)));
    d = static_cast<uint16_t>(tav::CrtAtoi(text.substr(third + 1)));
    return true;
}

FileVersion::FileVersion(const std::wstring& path, bool useProductVersion)
    : path_(path), text_(L"unknown_version"), useProductVersion_(useProductVersion) {
    FixedVersionInfo info;
    if (!CurrentMachine().versions->ReadFixedInfo(path, info)) return;
    const uint32_t ms = useProductVersion ? info.productVersionMs : info.fileVersionMs;
    const uint32_t ls = useProductVersion ? info.productVersionLs : info.fileVersionLs;
    major_ = static_cast<uint16_t>(ms >> 16);
    minor_ = static_cast<uint16_t>(ms & 0xFFFF);
    build_ = static_cast<uint16_t>(ls >> 16);
    revision_ = static_cast<uint16_t>(ls & 0xFFFF);
    text_ = std::to_wstring(major_) + L'.' + std::to_wstring(minor_) + L'.' +
            std::to_wstring(build_) + L'.' + std::to_wstring(revision_);
    unread_ = false;
}

// -1, 0 or 1 as this version is below, equal to or above the given one.
int FileVersion::Order(uint16_t a, uint16_t b, uint16_t c, uint16_t d) const {
    const uint16_t mine[4] = {major_, minor_, build_, revision_};
    const uint16_t theirs[4] = {a, b, c, d};
    for (int i = 0; i < 4; ++i) {
        if (mine[i] != theirs[i]) return mine[i] > theirs[i] ? 1 : -1;
    }
    return 0;
}

bool FileVersion::operator==(const FileVersion& other) const {
    return !unread_ && !other.unread_ &&
           Order(other.major_, other.minor_, other.build_, other.revision_) == 0;
}

bool FileVersion::operator>(const FileVersion& other) const {
    return !unread_ && !other.unread_ &&
           Order(other.major_, other.minor_, other.build_, other.revision_) > 0;
}

bool FileVersion::operator<(const FileVersion& other) const {
    return !unread_ && !other.unread_ &&
           Order(other.major_, other.minor_, other.build_, other.revision_) < 0;
}

bool FileVersion::operator==(std::wstring_view text) const {
    uint16_t a, b, c, d;
    return !unread_ && ParseVersionText(text, a, b, c, d) && Order(a, b, c, d) == 0;
}

bool FileVersion::operator>(std::wstring_view text) const {
    uint16_t a, b, c, d;
    return !unread_ && ParseVersionText(text, a, b, c, d) && Order(a, b, c, d) > 0;
}

bool FileVersion::operator<(std::wstring_view text) const {
    uint16_t a, b, c, d;
    return !unread_ && ParseVersionText(text, a, b, c, d) && Order(a, b, c, d) < 0;
}

}  // namespace sys
