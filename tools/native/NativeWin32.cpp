#include "NativeWin32.h"

#include "foundation/IniDocument.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

namespace nativewin {

namespace {

#include "Cp932Table.inc"

constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorInsufficientBuffer = 122;
constexpr std::uint32_t kErrorInvalidFlags = 1004;
constexpr std::uint32_t kLcmapUppercase = 0x200;
constexpr int kTrails = 0xFC - 0x40 + 1;

thread_local std::uint32_t lastError = 0;

struct Tables {
    std::array<int, 256> leadIndex{};  // row of kPairs, -1 for no lead byte
    std::vector<std::uint32_t> encode; // UTF-16 unit -> code + 1, 0 for none
    std::vector<char16_t> upper;       // UTF-16 unit -> its upper case
    Tables() : encode(0x10000, 0), upper(0x10000)
    {
        leadIndex.fill(-1);
        int row = 0;
        for (std::size_t r = 0; r + 1 < std::size(kLeadRanges); r += 2)
            for (int b = kLeadRanges[r]; b <= kLeadRanges[r + 1]; ++b) leadIndex[b] = row++;
        // The lowest code of each character, single bytes first, then the exceptions
        // the system makes (best-fit characters, duplicates, the default character).
        for (int b = 0; b < 256; ++b)
            if (leadIndex[b] < 0 && (kSingle[b] || b == 0) && !encode[kSingle[b]]) encode[kSingle[b]] = b + 1;
        for (int lead = 0; lead < 256; ++lead) {
            if (leadIndex[lead] < 0) continue;
            for (int t = 0; t < kTrails; ++t) {
                const char16_t w = kPairs[leadIndex[lead] * kTrails + t];
                if (w && !encode[w]) encode[w] = (lead << 8 | (t + 0x40)) + 1;
            }
        }
        for (std::size_t i = 0; i + 1 < std::size(kEncodeExceptions); i += 2)
            encode[kEncodeExceptions[i]] = kEncodeExceptions[i + 1] == 0x10000 ? 0 : kEncodeExceptions[i + 1] + 1;
        for (std::size_t w = 0; w < upper.size(); ++w) upper[w] = static_cast<char16_t>(w);
        for (std::size_t i = 0; i + 1 < std::size(kUpper); i += 2) upper[kUpper[i]] = kUpper[i + 1];
    }
};

const Tables& Table()
{
    static const Tables tables;
    return tables;
}

std::u16string DecodeAnsi(const unsigned char* s, std::size_t n)
{
    const Tables& t = Table();
    std::u16string out;
    out.reserve(n);
    for (std::size_t i = 0; i < n;) {
        const int row = t.leadIndex[s[i]];
        if (row < 0) {
            out += kSingle[s[i++]];
            continue;
        }
        // A lead byte takes the next byte with it, whatever it is but a NUL; a pair the
        // code page does not define, or a lead byte alone, is the default character.
        const bool pair = i + 1 < n && s[i + 1] != 0;
        char16_t w = kPairDefault;
        if (pair && s[i + 1] >= 0x40 && s[i + 1] <= 0xFC && kPairs[row * kTrails + s[i + 1] - 0x40])
            w = kPairs[row * kTrails + s[i + 1] - 0x40];
        out += w;
        i += pair ? 2 : 1;
    }
    return out;
}

std::string EncodeAnsi(const char16_t* s, std::size_t n, bool& usedDefault)
{
    const Tables& t = Table();
    std::string out;
    out.reserve(n * 2);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t code = t.encode[s[i]];
        if (!code) {
            out += '?';
            usedDefault = true;
        } else if (code - 1 > 0xFF) {
            out += static_cast<char>((code - 1) >> 8);
            out += static_cast<char>((code - 1) & 0xFF);
        } else {
            out += static_cast<char>(code - 1);
        }
    }
    return out;
}

// UTF-8 as the system decodes it. A sequence that cannot be completed gives one U+FFFD
// for the bytes read before it failed: the lead byte, and the continuation bytes taken
// until the value could no longer be valid (an overlong form is found out when its
// byte is read; a value beyond U+10FFFF before). A sequence cut off by the end of the
// text takes the rest of the text.
std::u16string DecodeUtf8(const unsigned char* s, std::size_t n)
{
    std::u16string out;
    for (std::size_t i = 0; i < n;) {
        const unsigned char lead = s[i++];
        if (lead < 0x80) {
            out += lead;
            continue;
        }
        const int length = lead >= 0xC2 && lead <= 0xDF   ? 1
                           : lead >= 0xE0 && lead <= 0xEF ? 2
                           : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                          : 0;
        std::uint32_t code = lead & (length == 1 ? 0x1F : length == 2 ? 0x0F : 0x07);
        if (i + length > n) {
            out += u'\xFFFD';
            break;
        }
        bool valid = length > 0;
        for (int k = length; valid && k > 0; --k) {
            const unsigned char next = s[i] ^ 0x80;
            if (next >= 0x40) {
                valid = false;
                break;
            }
            code = code << 6 | next;
            if (k == 2 && code >= (0x110000 >> 6)) { // beyond Unicode: this byte stays unread
                valid = false;
                break;
            }
            ++i;
            if ((k == 3 && code < 0x10) || (k == 2 && (code < 0x20 || (code >= 0x360 && code <= 0x37F))) ||
                (k == 1 && code < 0x80))
                valid = false;
        }
        if (!valid) {
            out += u'\xFFFD';
        } else if (code >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

std::string EncodeUtf8(const char16_t* s, std::size_t n)
{
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool KnownCodePage(unsigned codePage)
{
    return codePage == 0 || codePage == kAnsiCodePage || codePage == kUtf8;
}

// Copies a result into the caller's buffer the way the conversion functions do: the
// size when no buffer is given, 0 with ERROR_INSUFFICIENT_BUFFER when it is too small.
template <typename Char> int Deliver(const std::basic_string<Char>& result, Char* target, int targetSize)
{
    if (targetSize == 0) return static_cast<int>(result.size());
    if (static_cast<std::size_t>(targetSize) < result.size()) {
        lastError = kErrorInsufficientBuffer;
        return 0;
    }
    std::copy(result.begin(), result.end(), target);
    return static_cast<int>(result.size());
}

std::size_t LengthOf(const char* s, int length)
{
    return length < 0 ? std::char_traits<char>::length(s) + 1 : static_cast<std::size_t>(length);
}

std::u16string ToUtf16(const wchar_t* s, int length)
{
    std::size_t n = 0;
    if (length < 0) {
        while (s[n]) ++n;
        ++n;
    } else {
        n = static_cast<std::size_t>(length);
    }
    std::u16string out(n, u'\0');
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char16_t>(s[i]);
    return out;
}

char16_t FoldAscii(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool IsProfileSpace(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r') || c == 0x1A;
}

// A name as the profile functions match it: blanks trimmed, ASCII letters folded.
std::u16string ProfileName(const std::string& name)
{
    std::u16string w = DecodeAnsi(reinterpret_cast<const unsigned char*>(name.data()), name.size());
    while (!w.empty() && IsProfileSpace(w.back())) w.pop_back();
    std::size_t first = 0;
    while (first < w.size() && IsProfileSpace(w[first])) ++first;
    w.erase(0, first);
    for (char16_t& c : w) c = FoldAscii(c);
    return w;
}

// The file as the profile functions decode it.
std::wstring DecodeProfile(const std::string& bytes)
{
    const auto starts = [&](const char* mark, std::size_t n) { return bytes.compare(0, n, mark, n) == 0; };
    std::u16string text;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    if (starts("\xEF\xBB\xBF", 3)) {
        text = DecodeUtf8(b + 3, bytes.size() - 3);
    } else if (starts("\xFF\xFE", 2) || starts("\xFE\xFF", 2)) {
        const bool big = b[0] == 0xFE;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<char16_t>(big ? (b[i] << 8 | b[i + 1]) : (b[i + 1] << 8 | b[i]));
    } else {
        text = DecodeAnsi(b, bytes.size());
    }
    return std::wstring(text.begin(), text.end());
}

} // namespace

std::uint32_t LastError()
{
    return lastError;
}

void SetLastError(std::uint32_t code)
{
    lastError = code;
}

bool IsLeadByte(unsigned char b)
{
    return Table().leadIndex[b] >= 0;
}

const unsigned char* LeadByteRanges()
{
    static const auto ranges = [] {
        std::array<unsigned char, std::size(kLeadRanges) + 2> r{};
        std::copy(std::begin(kLeadRanges), std::end(kLeadRanges), r.begin());
        return r;
    }();
    return ranges.data();
}

int MultiByteToWideChar(unsigned codePage, const char* source, int sourceLength, wchar_t* target, int targetSize)
{
    if (!KnownCodePage(codePage) || !source || targetSize < 0 || sourceLength == 0) {
        lastError = kErrorInvalidParameter;
        return 0;
    }
    const auto* s = reinterpret_cast<const unsigned char*>(source);
    const std::size_t n = LengthOf(source, sourceLength);
    const std::u16string text = codePage == kUtf8 ? DecodeUtf8(s, n) : DecodeAnsi(s, n);
    return Deliver(std::wstring(text.begin(), text.end()), target, targetSize);
}

int WideCharToMultiByte(unsigned codePage, const wchar_t* source, int sourceLength, char* target, int targetSize,
                        bool* usedDefault)
{
    if (!KnownCodePage(codePage) || !source || targetSize < 0 || sourceLength == 0 || (codePage == kUtf8 && usedDefault)) {
        lastError = kErrorInvalidParameter;
        return 0;
    }
    const std::u16string text = ToUtf16(source, sourceLength);
    bool defaulted = false;
    const std::string result = codePage == kUtf8 ? EncodeUtf8(text.data(), text.size())
                                                 : EncodeAnsi(text.data(), text.size(), defaulted);
    if (usedDefault) *usedDefault = defaulted;
    return Deliver(result, target, targetSize);
}

int LCMapStringA(std::uint32_t flags, const char* source, int sourceLength, char* target, int targetSize)
{
    if (flags != kLcmapUppercase) {
        lastError = kErrorInvalidFlags;
        return 0;
    }
    if (!source || sourceLength == 0 || targetSize < 0) {
        lastError = kErrorInvalidParameter;
        return 0;
    }
    std::u16string text = DecodeAnsi(reinterpret_cast<const unsigned char*>(source), LengthOf(source, sourceLength));
    for (char16_t& c : text) c = Table().upper[c];
    bool defaulted = false;
    return Deliver(EncodeAnsi(text.data(), text.size(), defaulted), target, targetSize);
}

bool IsTextUnicode(const void* buffer, int size, int* tests)
{
    constexpr int kStatistics = 0x2, kControls = 0x4, kSignature = 0x8, kReverseControls = 0x40,
                  kReverseSignature = 0x80, kOddLength = 0x200, kNullBytes = 0x1000;
    if (size < 2) {
        if (tests) *tests = 0;
        return false;
    }
    const auto* b = static_cast<const unsigned char*>(buffer);
    const int asked = tests ? *tests : ~0;
    int passed = size & 1 ? kOddLength : 0;
    // A zero byte at the very end is not looked at; at most 256 units are.
    const int units = std::min((b[size - 1] == 0 ? size - 1 : size) / 2, 256);
    const auto unit = [b](int i) { return static_cast<char16_t>(b[2 * i] | b[2 * i + 1] << 8); };
    if (unit(0) == 0xFEFF) passed |= kSignature;
    if (unit(0) == 0xFFFE) passed |= kReverseSignature;
    int narrow = 0;
    bool nullByte = false, control = false, reverseControl = false;
    for (int i = 0; i < units; ++i) {
        const char16_t u = unit(i);
        narrow += u <= 0xFF;
        nullByte = nullByte || (u & 0xFF) == 0 || (u >> 8) == 0;
        // A zero unit counts as both kinds of control (the system finds it as the end of
        // each list of controls).
        control = control || u == u'\r' || u == u'\n' || u == u'\t' || u == u' ' || u == 0x3000 || u == 0;
        reverseControl = reverseControl || u == 0x0D00 || u == 0x0A00 || u == 0x0900 || u == 0x2000 || u == 0;
    }
    if ((asked & kStatistics) && narrow > units / 2) passed |= kStatistics;
    if ((asked & kNullBytes) && nullByte) passed |= kNullBytes;
    if ((asked & kControls) && control) passed |= kControls;
    if ((asked & kReverseControls) && reverseControl) passed |= kReverseControls;
    if (tests) {
        passed &= *tests;
        *tests = passed;
    }
    if (passed & (0x00F0 | 0x0F00)) return false; // reverse or not Unicode
    return (passed & 0xF000) || (passed & 0x000F);
}

std::uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* buffer,
                                       std::uint32_t size, const char* file)
{
    if (!buffer || size == 0) return 0;
    std::string value;
    bool found = false;
    if (section && key && file) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::vector<IniDocument::Line> lines;
        const IniDocument doc = IniDocument::FromText(DecodeProfile(bytes), &lines);
        const std::u16string wantSection = ProfileName(section), wantKey = ProfileName(key);
        for (const IniDocument::Line& line : lines) {
            if (line.header || !line.counted || !line.hasValue || ProfileName(line.name) != wantKey ||
                ProfileName(doc.SectionName(line.section)) != wantSection)
                continue;
            value = line.value;
            found = true;
            break;
        }
    }
    if (!found) {
        // The default loses trailing blanks and one pair of enclosing quotes.
        value = def ? def : "";
        while (!value.empty() && value.back() == ' ') value.pop_back();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
    }
    // A value that does not fit is cut before the character that would not fit whole.
    std::size_t n = value.size();
    if (n > size - 1) {
        n = 0;
        while (n < size - 1) {
            const std::size_t length = IsLeadByte(static_cast<unsigned char>(value[n])) ? 2 : 1;
            if (n + length > size - 1) break;
            n += length;
        }
        std::copy(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(n), buffer);
        buffer[n] = '\0';
        return size - 1;
    }
    std::copy(value.begin(), value.end(), buffer);
    buffer[n] = '\0';
    return static_cast<std::uint32_t>(n);
}

} // namespace nativewin
