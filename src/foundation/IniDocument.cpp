#include "foundation/IniDocument.h"

#include "foundation/Handles.h"
#include "foundation/uIniFile.h"

#include <windows.h>

namespace {

// The blanks the profile API trims: the C locale's white space and the old DOS
// end-of-file mark; the full-width blank is kept.
bool IsProfileSpace(wchar_t c)
{
    return c == L' ' || (c >= L'\t' && c <= L'\r') || c == 0x1A;
}

// Narrows [begin, end) to what the profile API keeps of a name or value.
void TrimProfileSpace(const wchar_t*& begin, const wchar_t*& end)
{
    while (begin < end && IsProfileSpace(*begin)) ++begin;
    while (end > begin && IsProfileSpace(end[-1])) --end;
}

std::wstring Widen(const std::string& text)
{
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const std::wstring& text)
{
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string narrow(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n, nullptr, nullptr);
    return narrow;
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    return bytes.empty() ||
           (ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size());
}

// A value loses one pair of enclosing quotes ("..." or '...').
template <typename String> String Unquote(const String& v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// The default as the profile API hands it back: trailing blanks cut, quotes removed.
std::string ProfileDefault(std::string def)
{
    while (!def.empty() && def.back() == ' ') def.pop_back();
    return Unquote(def);
}

// The line breaks that end the line just read: p is the start of the next one. CR LF
// counts once (the LF is read as a line of its own, the CR is not counted then).
std::uint32_t LineBreaks(const wchar_t* base, const wchar_t* p, const wchar_t* end)
{
    if (p == base) return 0;
    const wchar_t last = p[-1];
    if (last == L'\n') return 1;
    if (last == L'\r') return p < end && *p == L'\n' ? 0 : 1;
    return 0;
}

} // namespace

namespace {

// Names are matched ignoring the case of ASCII letters only, as the profile API matches
// them (ａ and Ａ are different names there).
wchar_t FoldChar(wchar_t c)
{
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

std::uint32_t FoldedHash(std::uint32_t seed, const wchar_t* name, std::size_t length)
{
    std::uint32_t hash = 2166136261u ^ seed;
    for (std::size_t i = 0; i < length; ++i) {
        hash ^= FoldChar(name[i]);
        hash *= 16777619u;
    }
    return hash;
}

bool SameFolded(const wchar_t* a, std::size_t aLength, const wchar_t* b, std::size_t bLength)
{
    if (aLength != bLength) return false;
    for (std::size_t i = 0; i < aLength; ++i) {
        if (FoldChar(a[i]) != FoldChar(b[i])) return false;
    }
    return true;
}

// Inserts index into a table of indexes + 1 (0 empty), doubling it at half full;
// hashOf gives the hash of an index.
template <class HashOf>
void Insert(std::vector<std::uint32_t>& table, std::size_t count, std::uint32_t index, HashOf hashOf)
{
    if ((count + 1) * 2 > table.size()) {
        std::vector<std::uint32_t> bigger(table.empty() ? 64 : table.size() * 2, 0);
        for (const std::uint32_t slot : table) {
            if (!slot) continue;
            std::size_t i = hashOf(slot - 1) & (bigger.size() - 1);
            while (bigger[i]) i = (i + 1) & (bigger.size() - 1);
            bigger[i] = slot;
        }
        table.swap(bigger);
    }
    std::size_t i = hashOf(index) & (table.size() - 1);
    while (table[i]) i = (i + 1) & (table.size() - 1);
    table[i] = index + 1;
}

} // namespace

std::uint32_t IniDocument::FindSection(const wchar_t* name, std::size_t length) const
{
    if (sectionTable_.empty()) return kNone;
    const std::size_t mask = sectionTable_.size() - 1;
    for (std::size_t i = FoldedHash(0, name, length) & mask; sectionTable_[i]; i = (i + 1) & mask) {
        const Span& s = sections_[sectionTable_[i] - 1];
        if (SameFolded(text_.data() + s.begin, s.length, name, length)) return sectionTable_[i] - 1;
    }
    return kNone;
}

std::uint32_t IniDocument::FindKey(std::uint32_t section, const wchar_t* name, std::size_t length) const
{
    if (keyTable_.empty()) return kNone;
    const std::size_t mask = keyTable_.size() - 1;
    for (std::size_t i = FoldedHash(section, name, length) & mask; keyTable_[i]; i = (i + 1) & mask) {
        const Key& k = keys_[keyTable_[i] - 1];
        if (k.section == section && SameFolded(text_.data() + k.name.begin, k.name.length, name, length))
            return keyTable_[i] - 1;
    }
    return kNone;
}

std::uint32_t IniDocument::AddSection(Span name)
{
    const std::uint32_t found = FindSection(text_.data() + name.begin, name.length);
    if (found != kNone) return found;
    const auto index = static_cast<std::uint32_t>(sections_.size());
    sections_.push_back(name);
    Insert(sectionTable_, index, index,
           [this](std::uint32_t i) { return FoldedHash(0, text_.data() + sections_[i].begin, sections_[i].length); });
    return index;
}

bool IniDocument::AddKey(const Key& key)
{
    if (FindKey(key.section, text_.data() + key.name.begin, key.name.length) != kNone) return false;
    const auto index = static_cast<std::uint32_t>(keys_.size());
    keys_.push_back(key);
    Insert(keyTable_, index, index, [this](std::uint32_t i) {
        return FoldedHash(keys_[i].section, text_.data() + keys_[i].name.begin, keys_[i].name.length);
    });
    return true;
}

std::string IniDocument::SectionName(std::uint32_t index) const
{
    if (index >= sections_.size()) return {};
    return Narrow(text_.substr(sections_[index].begin, sections_[index].length));
}

IniDocument IniDocument::Load(const std::string& path, std::vector<Line>* lines)
{
    IniDocument doc;
    doc.path_ = path;
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) return doc;
    // Byte-order marks and UTF-16 text are decoded differently by the system.
    const auto starts = [&](const char* bom, std::size_t n) { return bytes.compare(0, n, bom, n) == 0; };
    int unicodeTests = IS_TEXT_UNICODE_UNICODE_MASK | IS_TEXT_UNICODE_REVERSE_MASK;
    if (starts("\xEF\xBB\xBF", 3) || starts("\xFF\xFE", 2) || starts("\xFE\xFF", 2) ||
        (bytes.size() >= 2 && IsTextUnicode(bytes.data(), static_cast<int>(bytes.size()), &unicodeTests))) {
        doc.delegate_ = true;
        return doc;
    }
    // The bytes go before the index is built: only the wide text stays.
    doc.text_ = Widen(bytes);
    std::string().swap(bytes);
    doc.Index(lines);
    return doc;
}

IniDocument IniDocument::FromText(std::wstring text, std::vector<Line>* lines)
{
    IniDocument doc;
    doc.text_ = std::move(text);
    doc.Index(lines);
    return doc;
}

void IniDocument::Index(std::vector<Line>* lines)
{
    IniDocument& doc = *this;
    const wchar_t* const base = doc.text_.data();
    const auto span = [base](const wchar_t* begin, const wchar_t* end) {
        return Span{static_cast<std::uint32_t>(begin - base), static_cast<std::uint32_t>(end - begin)};
    };
    // A name or value: without the blanks the profile API trims, and ended by a NUL
    // byte, as the API keeps names and values as C strings.
    const auto field = [&](const wchar_t* begin, const wchar_t* end) {
        TrimProfileSpace(begin, end);
        Span s = span(begin, end);
        for (std::uint32_t i = 0; i < s.length; ++i) {
            if (base[s.begin + i] == L'\0') {
                s.length = i;
                break;
            }
        }
        return s;
    };
    doc.AddSection(Span{}); // keys before the first header
    std::uint32_t current = 0;
    bool ignoring = false;    // in a later section of a name already seen
    std::uint32_t number = 1; // of the line at p, counted only for a listing
    const auto list = [&](bool header, bool counted, const Key& key) {
        const auto narrow = [&](Span s) { return Narrow(doc.text_.substr(s.begin, s.length)); };
        lines->push_back(
            Line{number, current, header, counted, key.hasValue, narrow(key.name),
                 header ? std::string() : Narrow(Unquote(doc.text_.substr(key.value.begin, key.value.length)))});
    };
    const wchar_t* p = base;
    const wchar_t* const end = p + doc.text_.size();
    for (; p < end; number += lines ? LineBreaks(base, p, end) : 0) {
        const wchar_t* lineEnd = p;
        while (lineEnd < end && *lineEnd != L'\n' && *lineEnd != L'\r') ++lineEnd;
        const wchar_t* next = lineEnd < end ? lineEnd + 1 : end;
        const wchar_t* begin = p;
        const wchar_t* stop = lineEnd;
        TrimProfileSpace(begin, stop);
        p = next;
        if (begin == stop) continue;

        if (*begin == L'[') {
            const wchar_t* close = stop; // one past the last "]" of the line
            while (close > begin && close[-1] != L']') --close;
            if (close != begin) {
                const std::size_t before = doc.sections_.size();
                const Span name = field(begin + 1, close - 1);
                current = doc.AddSection(name);
                ignoring = doc.sections_.size() == before;
                if (lines) list(true, !ignoring, Key{current, name, Span{}, false});
                continue;
            }
        }
        const wchar_t* eq = begin;
        while (eq < stop && *eq != L'=') ++eq;
        const Key key = eq < stop ? Key{current, field(begin, eq), field(eq + 1, stop), true}
                                  : Key{current, field(begin, stop), Span{}, false};
        const bool added = !ignoring && doc.AddKey(key);
        if (lines) list(false, added, key);
    }
}

std::string IniDocument::Get(const std::string& section, const std::string& key, const std::string& def) const
{
    // Empty names follow rules of their own in the profile API; nothing here asks for them.
    if (delegate_ || section.empty() || key.empty()) return ReadIniString(section, key, def, path_);
    const std::wstring wsection = Widen(section), wkey = Widen(key);
    const auto find = [](const std::wstring& name, const wchar_t*& begin) {
        begin = name.data();
        const wchar_t* end = begin + name.size();
        TrimProfileSpace(begin, end);
        return static_cast<std::size_t>(end - begin);
    };
    const wchar_t* name = nullptr;
    std::size_t length = find(wsection, name);
    const std::uint32_t s = FindSection(name, length);
    if (s == kNone) return ProfileDefault(def);
    length = find(wkey, name);
    const std::uint32_t k = FindKey(s, name, length);
    if (k == kNone || !keys_[k].hasValue) return ProfileDefault(def);
    const Span& v = keys_[k].value;
    return Narrow(Unquote(text_.substr(v.begin, v.length)));
}
