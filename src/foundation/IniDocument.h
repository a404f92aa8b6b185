// A whole INI file read once, answering key lookups the way GetPrivateProfileStringA
// answers them. Reading a numbered list of n keys through the profile API costs n
// parses of the file; this costs one.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class IniDocument {
public:
    // Reads the file; a missing or unreadable file reads as empty.
    static IniDocument Load(const std::string& path);

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
    void AddKey(const Key& key);

    std::string path_;
    bool delegate_ = false; // an encoding this reader does not take on: ask the profile API
    // The file as wide text, kept whole: names and values are spans of it, so a file of
    // n keys costs its text and a few words per key, not two strings per key.
    std::wstring text_;
    std::vector<Span> sections_;           // index 0: the keys before the first header
    std::vector<std::uint32_t> sectionTable_; // open addressing: index + 1, 0 for empty
    std::vector<Key> keys_;
    std::vector<std::uint32_t> keyTable_;
};
