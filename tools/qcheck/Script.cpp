#include "qcheck/Script.h"

#include "foundation/MBUtils.h"
#include "kit/KitFiles.h"
#include "scripts/ScriptLists.h"

#include <windows.h>

#include <cstdio>

namespace {

// Text that UTF-8 decodes whole and that has a character of more than one byte.
bool IsUtf8Text(const std::string& text)
{
    bool multibyte = false;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        const int length = b < 0x80                 ? 1
                           : b >= 0xC2 && b <= 0xDF ? 2
                           : b >= 0xE0 && b <= 0xEF ? 3
                           : b >= 0xF0 && b <= 0xF4 ? 4
                                                    : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (int k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        multibyte = multibyte || length > 1;
        i += static_cast<std::size_t>(length);
    }
    return multibyte;
}

// The first bytes of the line that are no character of the code page ("" when all are):
// a pair the code page does not define, or a lead byte with nothing after it.
std::string BadBytes(const std::string& line, bool lastLine)
{
    for (std::size_t p = 1; p <= line.size(); p += CharLength(line, p)) {
        if (!IsLeadByte(static_cast<unsigned char>(line[p - 1]))) continue;
        const std::string pair = line.substr(p - 1, 2);
        wchar_t w[2] = {};
        // A lead byte before a NUL or at the end stands alone.
        const bool undefined = pair.size() < 2
                                   ? lastLine
                                   : pair[1] == '\0' || (MultiByteToWideChar(CP_ACP, 0, pair.data(), 2, w, 2) == 1 &&
                                                         w[0] == 0x30FB && pair != "\x81\x45");
        if (!undefined) continue;
        std::string hex;
        for (const char c : pair) {
            char b[4];
            std::snprintf(b, sizeof b, "%s%02X", hex.empty() ? "" : " ", static_cast<unsigned char>(c));
            hex += b;
        }
        return hex;
    }
    return {};
}

std::string Key(const std::string& section, const std::string& key)
{
    return FoldName(section) + "\n" + FoldName(key);
}

} // namespace

std::vector<LineSpan> SplitLines(const std::string& bytes)
{
    std::vector<LineSpan> lines{{1, 0, 0}};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < bytes.size()) {
            lines.back().end = ++i + 1;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            lines.push_back({lines.back().number + 1, i + 1, i + 1});
        } else {
            lines.back().end = i + 1;
        }
    }
    return lines;
}

std::string FoldName(const std::string& name)
{
    std::string folded = name;
    for (std::size_t p = 1; p <= folded.size(); p += CharLength(folded, p)) {
        char& c = folded[p - 1];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return folded;
}

bool ScriptFile::Load(const std::string& path, const std::string& name, std::vector<Finding>& findings)
{
    name_ = name;
    std::string bytes;
    if (!ReadBytes(path, bytes)) return false;
    doc_ = IniDocument::Load(path, &lines_);
    if (doc_.ReadBySystem()) {
        if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            const LineSpan first = SplitLines(bytes.substr(3)).front();
            findings.push_back({name_, 1, 2, {Utf8ToAnsi(bytes.substr(3 + first.begin, first.end - first.begin))}});
        } else {
            findings.push_back({name_, 1, 1, {}});
        }
        return false;
    }
    const std::vector<LineSpan> spans = SplitLines(bytes);
    const auto text = [&](const LineSpan& l) { return bytes.substr(l.begin, l.end - l.begin); };
    bool utf8 = false;
    for (const LineSpan& line : spans) {
        if (!IsUtf8Text(text(line))) continue;
        findings.push_back({name_, line.number, 3, {Utf8ToAnsi(text(line))}});
        utf8 = true;
        break;
    }
    // Text written in UTF-8 is one mistake, however many of its bytes are no Shift-JIS.
    for (std::size_t i = 0; !utf8 && i < spans.size(); ++i) {
        const std::string bad = BadBytes(text(spans[i]), i + 1 == spans.size());
        if (!bad.empty()) findings.push_back({name_, spans[i].number, 4, {bad}});
    }
    sections_.assign(1, "");
    for (const IniDocument::Line& line : lines_) {
        if (line.header && line.section >= sections_.size()) sections_.push_back(doc_.SectionName(line.section));
    }
    for (const std::string& section : sections_) folded_.push_back(FoldName(section));
    for (const IniDocument::Line& line : lines_) {
        if (!line.counted) continue;
        const std::string& section = sections_[line.section];
        where_.emplace(line.header ? FoldName(section) : Key(section, line.name), line.number);
    }
    return true;
}

std::string ScriptFile::Get(const std::string& section, const std::string& key, const std::string& def) const
{
    return doc_.Get(section, key, def);
}

bool ScriptFile::Has(const std::string& section, const std::string& key) const
{
    // The reader answers a missing key with the default, a present one never with it.
    return doc_.Get(section, key, "\x01") != "\x01";
}

const std::vector<std::string>& ScriptFile::List(const std::string& section, const std::string& prefix) const
{
    const auto [it, added] = lists_.try_emplace(Key(section, prefix));
    if (added) it->second = ReadOpenList(doc_, section, prefix);
    return it->second;
}

std::uint32_t ScriptFile::LineOf(const std::string& section, const std::string& key) const
{
    if (!key.empty()) {
        const auto it = where_.find(Key(section, key));
        if (it != where_.end()) return it->second;
    }
    const auto it = where_.find(FoldName(section));
    return it != where_.end() ? it->second : 1;
}
