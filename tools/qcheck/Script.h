// A setup script or uninstall record as the checker holds it: the installer's reader
// (IniDocument) over the file, every line as the reader took it, and where each key
// the reader answers from stands.
#pragma once
#include "foundation/IniDocument.h"
#include "qcheck/Checker.h"

#include <map>
#include <string>
#include <vector>

class ScriptFile {
public:
    // Reads the file and reports how it reads (Q1 to Q4). False when it cannot be read
    // or the reader leaves it to the system (nothing more can be checked then).
    bool Load(const std::string& path, const std::string& name, std::vector<Finding>& findings);

    const std::string& Name() const { return name_; }
    const std::vector<IniDocument::Line>& Lines() const { return lines_; }
    // A section's name as its first header writes it, and folded for comparing.
    const std::string& SectionName(std::uint32_t index) const { return sections_[index]; }
    const std::string& FoldedSection(std::uint32_t index) const { return folded_[index]; }

    // What the installer reads: the value, or def when the key is missing.
    std::string Get(const std::string& section, const std::string& key, const std::string& def = "") const;
    // True when the reader finds the key (with "=", possibly empty).
    bool Has(const std::string& section, const std::string& key) const;
    // prefix1, prefix2 ... up to the first empty one, as the installer reads the list
    // (read once, however often the rules ask).
    const std::vector<std::string>& List(const std::string& section, const std::string& prefix) const;

    // The line of the key the reader answers from; else of its section's header; else 1.
    std::uint32_t LineOf(const std::string& section, const std::string& key = "") const;

private:
    std::string name_;
    IniDocument doc_;
    std::vector<IniDocument::Line> lines_;
    std::vector<std::string> sections_, folded_; // by section index
    std::map<std::string, std::uint32_t> where_; // folded "section\nkey" (or "section") -> line
    mutable std::map<std::string, std::vector<std::string>> lists_;
};

// ASCII letters in upper case: names as the profile functions match them.
std::string FoldName(const std::string& name);

// Where each line of the file lies, as the reader splits the lines: a lead byte takes
// the byte after it with it, even a line end (the system decodes the pair as one
// character). number is 1-based; [begin, end) excludes the line end.
struct LineSpan {
    std::uint32_t number;
    std::size_t begin, end;
};
std::vector<LineSpan> SplitLines(const std::string& bytes);
