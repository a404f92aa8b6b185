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

std::wstring Trim(const wchar_t* begin, const wchar_t* end)
{
    while (begin < end && IsProfileSpace(*begin)) ++begin;
    while (end > begin && IsProfileSpace(end[-1])) --end;
    return std::wstring(begin, end);
}

// Names are matched ignoring the case of ASCII letters only, as the profile API matches
// them (ａ and Ａ are different names there).
std::wstring Fold(std::wstring name)
{
    for (wchar_t& c : name) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return name;
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
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n, nullptr,
                        nullptr);
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
           (ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
            got == bytes.size());
}

// The profile API keeps names and values as C strings: whatever follows a NUL byte in
// the file is not part of them.
std::wstring UpToNul(std::wstring text)
{
    const std::size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}

// A value loses one pair of enclosing quotes ("..." or '...').
template <typename String>
String Unquote(const String& v)
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

} // namespace

IniDocument IniDocument::Load(const std::string& path)
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

    const std::wstring text = Widen(bytes);
    Section* current = &doc.sections_[L""]; // keys before the first header
    Section ignored;                        // later sections of a name already seen
    const wchar_t* p = text.data();
    const wchar_t* const end = p + text.size();
    while (p < end) {
        const wchar_t* lineEnd = p;
        while (lineEnd < end && *lineEnd != L'\n' && *lineEnd != L'\r') ++lineEnd;
        const wchar_t* next = lineEnd < end ? lineEnd + 1 : end;
        const wchar_t* begin = p;
        while (begin < lineEnd && IsProfileSpace(*begin)) ++begin;
        const wchar_t* stop = lineEnd;
        while (stop > begin && IsProfileSpace(stop[-1])) --stop;
        p = next;
        if (begin == stop) continue;

        if (*begin == L'[') {
            const wchar_t* close = stop; // one past the last "]" of the line
            while (close > begin && close[-1] != L']') --close;
            if (close != begin) {
                const auto [it, inserted] = doc.sections_.try_emplace(Fold(UpToNul(Trim(begin + 1, close - 1))));
                ignored.keys.clear();
                current = inserted ? &it->second : &ignored;
                continue;
            }
        }
        const wchar_t* eq = begin;
        while (eq < stop && *eq != L'=') ++eq;
        std::wstring name;
        std::optional<std::wstring> value;
        if (eq < stop) {
            name = Trim(begin, eq);
            value = UpToNul(Trim(eq + 1, stop));
        } else {
            name = std::wstring(begin, stop);
        }
        current->keys.try_emplace(Fold(UpToNul(name)), std::move(value));
    }
    return doc;
}

std::string IniDocument::Get(const std::string& section, const std::string& key, const std::string& def) const
{
    // Empty names follow rules of their own in the profile API; nothing here asks for them.
    if (delegate_ || section.empty() || key.empty()) return ReadIniString(section, key, def, path_);
    const std::wstring wsection = Widen(section), wkey = Widen(key);
    const auto s = sections_.find(Fold(Trim(wsection.data(), wsection.data() + wsection.size())));
    if (s == sections_.end()) return ProfileDefault(def);
    const auto k = s->second.keys.find(Fold(Trim(wkey.data(), wkey.data() + wkey.size())));
    if (k == s->second.keys.end() || !k->second) return ProfileDefault(def);
    return Narrow(Unquote(*k->second));
}
