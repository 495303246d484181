// The four-part version of an executable file, read from its version resource.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sys {

// Splits "a.b.c.d" at its first three dots and reads each part as atoi does, kept to 16 bits.
// False unless the text holds (at least) three dots.
bool ParseVersionText(std::wstring_view text, uint16_t& a, uint16_t& b, uint16_t& c, uint16_t& d);

class FileVersion {
public:
    // Reads the file version (or the product version) of the file at path.
    FileVersion(const std::wstring& path, bool useProductVersion);

    const std::wstring& Path() const { return path_; }
    const std::wstring& Text() const { return text_; }
    bool IsUnread() const { return unread_; }
    uint16_t Major() const { return major_; }
    uint16_t Minor() const { return minor_; }
    uint16_t Build() const { return build_; }
    uint16_t Revision() const { return revision_; }

    // Comparisons are false whenever a version involved is unread or a text does not parse.
    bool operator==(const FileVersion& other) const;
    bool operator>(const FileVersion& other) const;
    bool operator<(const FileVersion& other) const;
    bool operator==(std::wstring_view text) const;
    bool operator>(std::wstring_view text) const;
    bool operator<(std::wstring_view text) const;

private:
    int Order(uint16_t a, uint16_t b, uint16_t c, uint16_t d) const;

    std::wstring path_;
    uint16_t major_ = 0;
    uint16_t minor_ = 0;
    uint16_t build_ = 0;
    uint16_t revision_ = 0;
    std::wstring text_;
    bool useProductVersion_ = false;
    bool unread_ = true;
};

}  // namespace sys
