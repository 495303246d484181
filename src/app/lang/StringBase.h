// The language text table: every user-visible text by text id and language, read on first use
// from the language files beside the program.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// Texts by (text id, two-letter language). The first lookup reads "TavLang.Xml" and then every
// "CustomTavLang*.Xml" of the folder, later texts replacing earlier ones; nothing reads them
// again. Lookups may come from several threads at once.
class CStringBase {
public:
    // Reads the language files of the folder of the program's own executable.
    CStringBase();
    // Reads the language files of folder instead (with or without a trailing separator); an
    // empty folder stands for the program's own.
    explicit CStringBase(std::wstring folder);
    virtual ~CStringBase();
    CStringBase(const CStringBase&) = delete;
    CStringBase& operator=(const CStringBase&) = delete;

    // The text of textId in the language named by the first two characters of language, or null
    // when the table has none. The text stays valid and unchanged while the table lives.
    const std::wstring* GetText(int32_t textId, std::wstring_view language);

    // The same text as a copy; empty when there is none.
    std::wstring GetTextOrEmpty(int32_t textId, std::wstring_view language);

    // The display order stored for a language, or nothing. Does not read the language files.
    std::optional<std::wstring> GetDisplayOrder(std::wstring_view language);

    // A language as its first two UTF-16 code units, first unit times 65536 plus second; a
    // missing unit counts as 0.
    static uint32_t PackLanguage(std::wstring_view language);

protected:
    // Stores text under the id that code (decimal bytes) converts to, as atoi does; an id of 0
    // stores nothing. True when the text was stored.
    virtual bool AddString(std::string_view code, std::wstring_view language, std::wstring text);
    // The display name of a language; not kept.
    virtual bool OnLanguageName(std::wstring_view language, const std::wstring& displayName);
    // Stores the language's display order.
    virtual bool AddLanguage(std::wstring_view language, const std::wstring& displayOrder,
                             const std::wstring& displayName);

private:
    struct Handlers;

    enum State {
        kOutside = 0,
        kInString = 1,
        kInStringLang = 2,
        kInLanguages = 3,
        kInLanguagesLang = 4,
    };

    static constexpr size_t kMaxCodeBytes = 98;
    static constexpr size_t kMaxTextBytes = 4096;
    static constexpr size_t kMaxDisplayOrderBytes = 3;
    static constexpr size_t kMaxPathBytes = 259;
    // How far from the end of the text map a new text is looked for before a full search.
    static constexpr int kNearEnd = 32;

    // Runs with mutex_ held.
    void LoadLanguageFiles();
    void ParseFile(const std::wstring& path);

    void StartElement(std::string_view name, const unsigned char** attributes);
    void EndElement(std::string_view name);
    void Characters(const char* chars, size_t length);
    // Whether name, as UTF-8 bytes, equals asciiName with A-Z folded.
    static bool NameIs(std::string_view name, std::string_view asciiName);

    // Key: text id, then the packed language. A key without text records a missed lookup.
    std::map<std::pair<int32_t, uint32_t>, std::optional<std::wstring>> texts_;
    // Display order by packed language.
    std::map<uint32_t, std::wstring> languages_;
    std::mutex mutex_;
    // Empty: the folder of the program's executable.
    std::wstring folder_;

    // The parse in progress.
    State state_ = kOutside;
    std::string code_;
    std::string textStore_;
    std::wstring language_;
    std::string displayOrder_;
    // Reused buffers of the parse, so that elements cost no allocations.
    std::wstring textBuffer_;
    std::wstring codeBuffer_;
    // The code last converted to an id, and that id.
    std::string convertedCode_;
    int32_t convertedId_ = 0;
};
