// A whole INI file read once, answering key lookups the way GetPrivateProfileStringA
// answers them. Reading a numbered list of n keys through the profile API costs n
// parses of the file; this costs one.
#pragma once
#include <optional>
#include <string>
#include <unordered_map>
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
    struct Section {
        // folded name -> value; a line without "=" names a key without value, which reads
        // as missing but hides a later line of the same name.
        std::unordered_map<std::wstring, std::optional<std::wstring>> keys;
    };
    std::string path_;
    bool delegate_ = false; // an encoding this reader does not take on: ask the profile API
    std::unordered_map<std::wstring, Section> sections_;
};
