// A whole INI file read once, answering key lookups the way GetPrivateProfileStringA
// answers them. Reading a numbered list of n keys through the profile API costs n
// parses of the file; this costs one.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class IniDocument {
public:
    // A header or key line as the reader takes it, for tools that report on a file (the
    // package checker); the installer never asks for them.
    struct Line {
        std::uint32_t number = 0;  // 1-based; CR LF, a lone CR and a lone LF each end one
        std::uint32_t section = 0; // SectionName index; 0 before the first header
        bool header = false;       // a section header, else a key line
        bool counted = false;      // false: never read (a repeated key, or any line of a
                                   // later section of a name already seen)
        bool hasValue = false;     // a key line with "="
        std::string name, value;   // as Get hands them back (the value unquoted)
    };

    // Reads the file; a missing or unreadable file reads as empty. lines, when given,
    // receives every header and key line.
    static IniDocument Load(const std::string& path, std::vector<Line>* lines = nullptr);
    // The same over text already decoded to UTF-16, as the profile functions parse it.
    static IniDocument FromText(std::wstring text, std::vector<Line>* lines = nullptr);

    // True when the file is in an encoding that Get leaves to the profile functions (a
    // byte-order mark, or UTF-16 text): Load then lists no lines.
    bool ReadBySystem() const { return delegate_; }
    // The name of a section as its first header writes it ("" for index 0).
    std::string SectionName(std::uint32_t index) const;

    // The value of key in section, or def when the key is missing: blanks around the
    // value and one pair of enclosing quotes removed, names matched ignoring case, the
    // first section of a name holding the keys that count.
    std::string Get(const std::string& section, const std::string& key, const std::string& def) const;

private:
    // A name or value: a stretch of text_.
    struct Span {
        std::uint32_t begin = 0;
        std::uint32_t length = 0;
    };
    struct Key {
        std::uint32_t section;
        Span name;
        Span value;
        bool hasValue; // a line without "=" names a key that reads as missing
    };
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;

    std::uint32_t FindSection(const wchar_t* name, std::size_t length) const;
    std::uint32_t FindKey(std::uint32_t section, const wchar_t* name, std::size_t length) const;
    // Adds unless the name is there already (the first one counts); the index either way.
    std::uint32_t AddSection(Span name);
    // Adds unless the key is there already; true when added.
    bool AddKey(const Key& key);
    void Index(std::vector<Line>* lines);

    std::string path_;
    bool delegate_ = false; // an encoding this reader does not take on: ask the profile API
    // The file as wide text, kept whole: names and values are spans of it, so a file of
    // n keys costs its text and a few words per key, not two strings per key.
    std::wstring text_;
    std::vector<Span> sections_;              // index 0: the keys before the first header
    std::vector<std::uint32_t> sectionTable_; // open addressing: index + 1, 0 for empty
    std::vector<Key> keys_;
    std::vector<std::uint32_t> keyTable_;
};
