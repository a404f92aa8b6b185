#include "foundation/uStrOp.h"

#include "foundation/MBUtils.h"

#include <windows.h>

#include <vector>

std::string Left(std::string_view text, int n)
{
    if (n <= 0) return {};
    return std::string(text.substr(0, static_cast<std::size_t>(n)));
}

std::string Right(std::string_view text, int n)
{
    if (n <= 0) return {};
    if (static_cast<std::size_t>(n) >= text.size()) return std::string(text);
    return std::string(text.substr(text.size() - static_cast<std::size_t>(n)));
}

std::string Mid(std::string_view text, int p)
{
    if (p < 1) p = 1;
    if (static_cast<std::size_t>(p) > text.size()) return {};
    return std::string(text.substr(static_cast<std::size_t>(p) - 1));
}

std::string AddBackslash(std::string_view text, std::string_view option)
{
    const char opt = option.empty() ? '\0' : option[0];
    if (opt == 'T') {
        if (IsPathDelimiter(text, 1)) return std::string(text);
        std::string result(1, '\\');
        return result.append(text);
    }
    if (opt == 'B') {
        if (IsPathDelimiter(text, text.size())) return std::string(text);
        return std::string(text) + "\\";
    }
    return std::string(text);
}

std::string RemoveBackslash(std::string_view text, std::string_view option)
{
    const char opt = option.empty() ? '\0' : option[0];
    if (opt == 'T' && IsPathDelimiter(text, 1)) return std::string(text.substr(1));
    if (opt == 'B' && IsPathDelimiter(text, text.size())) return std::string(text.substr(0, text.size() - 1));
    return std::string(text);
}

std::string MapString(std::string_view text, std::uint32_t flags)
{
    if (text.empty()) return {};
    const int srcLen = static_cast<int>(text.size());
    const int size = LCMapStringA(LOCALE_SYSTEM_DEFAULT, flags, text.data(), srcLen, nullptr, 0);
    if (size <= 0) return std::string(text);
    std::vector<char> buf(static_cast<std::size_t>(size) + 1, '\0');
    if (LCMapStringA(LOCALE_SYSTEM_DEFAULT, flags, text.data(), srcLen, buf.data(), size) == 0)
        return std::string(text);
    return std::string(buf.data());
}

std::string GetField(std::string_view text, std::string_view separator, int n)
{
    std::string result;
    if (n < 1) return result;
    int field = 1;
    for (char c : text) {
        if (separator.size() == 1 && c == separator[0]) {
            if (++field > n) break;
        } else if (field == n) {
            result += c;
        }
    }
    return result;
}

namespace {

// Upper case for comparison. Positions found in the converted text must hold in the
// original, so malformed text (a lone lead byte) whose conversion changes the length
// is converted character by character, keeping any character that would change length.
std::string UpperForSearch(std::string_view text)
{
    std::string upper = MapString(text, LCMAP_UPPERCASE);
    if (upper.size() == text.size()) return upper;
    upper.clear();
    for (std::size_t p = 1; p <= text.size();) {
        const std::string_view ch = text.substr(p - 1, static_cast<std::size_t>(CharLength(text, p)));
        const std::string mapped = MapString(ch, LCMAP_UPPERCASE);
        upper += mapped.size() == ch.size() ? mapped : std::string(ch);
        p += ch.size();
    }
    return upper;
}

} // namespace

namespace {

bool IsAscii(std::string_view text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::size_t PosNoCase(std::string_view pattern, std::string_view text)
{
    // An ASCII pattern can only match single-byte characters (a lead byte is never ASCII
    // and a trail byte only follows one), whose upper case is ASCII's: the locale's
    // conversion of the whole text gives the same answer, far more slowly.
    if (!pattern.empty() && IsAscii(pattern)) {
        for (std::size_t p = 1; p + pattern.size() - 1 <= text.size(); p += CharLength(text, p)) {
            std::size_t i = 0;
            while (i < pattern.size() && AsciiUpper(text[p - 1 + i]) == AsciiUpper(pattern[i])) ++i;
            if (i == pattern.size()) return p;
        }
        return 0;
    }
    return MbPos(UpperForSearch(pattern), UpperForSearch(text));
}

std::string ReplaceToken(std::string_view text, std::string_view token, std::string_view value)
{
    std::string done;       // text up to and including the last inserted value
    std::string rest(text); // text still to be searched
    const bool valueEndsInDelimiter = IsPathDelimiter(value, value.size());
    for (;;) {
        const std::size_t p = PosNoCase(token, rest);
        if (p == 0) break;
        std::string after = rest.substr(p - 1 + token.size());
        if (valueEndsInDelimiter && IsPathDelimiter(after, 1)) after = RemoveBackslash(after, "T");
        done += rest.substr(0, p - 1);
        done += value;
        rest = std::move(after);
    }
    return done + rest;
}

std::string ErrorText(std::uint32_t code)
{
    if (code == 0) return {};
    char buf[256] = {};
    const DWORD len = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                                     sizeof buf, nullptr);
    std::string msg(buf, len);
    while (!msg.empty()) {
        const unsigned char last = static_cast<unsigned char>(msg.back());
        if (last <= ' ' || last == '.') msg.pop_back();
        else break;
    }
    return MapString(msg, LCMAP_FULLWIDTH) + "\r\n";
}

std::string PathFolder(std::string_view path)
{
    return Left(path, static_cast<int>(LastPathDelimiter(path)));
}

std::string PathFileName(std::string_view path)
{
    return Mid(path, static_cast<int>(LastPathDelimiter(path)) + 1);
}
