#include "FuzzSupport.h"

#include <windows.h>

namespace {

std::uint64_t SplitMix(std::uint64_t& x)
{
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t Rotl(std::uint64_t x, int k)
{
    return (x << k) | (x >> (64 - k));
}

} // namespace

Rng::Rng(std::uint64_t seed)
{
    for (auto& word : s_) word = SplitMix(seed);
}

std::uint64_t Rng::Next()
{
    // xoshiro256**
    const std::uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
}

std::size_t Rng::Below(std::size_t n)
{
    return static_cast<std::size_t>(Next() % n);
}

int Rng::Range(int lo, int hi)
{
    return lo + static_cast<int>(Below(static_cast<std::size_t>(hi - lo + 1)));
}

bool Rng::Chance(int percent)
{
    return static_cast<int>(Below(100)) < percent;
}

std::uint64_t CaseSeed(std::uint64_t runSeed, std::uint64_t index)
{
    std::uint64_t x = runSeed * 0x100000001B3ull ^ (index + 1) * 0xD6E8FEB86659FD93ull;
    SplitMix(x);
    return SplitMix(x);
}

std::string Printable(const std::string& bytes, std::size_t max)
{
    static const char hex[] = "0123456789ABCDEF";
    const auto lead = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
    const auto trail = [](unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; };
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (out.size() >= max) {
            out += "...(" + std::to_string(bytes.size()) + " bytes)";
            break;
        }
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (lead(c) && i + 1 < bytes.size() && trail(static_cast<unsigned char>(bytes[i + 1]))) {
            out += bytes.substr(i, 2);
            ++i;
        } else if ((c >= 0x20 && c < 0x7F) || (c >= 0xA1 && c <= 0xDF)) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string Cp932ToUtf8(const std::string& text)
{
    const std::wstring wide = FromCp932(text);
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string utf8(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

int Serial()
{
    static int serial = 0;
    return ++serial;
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string AsciiUpper(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && AsciiUpper(text.substr(0, prefix.size())) == AsciiUpper(prefix);
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    if (from.empty()) return text;
    for (std::size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size()))
        text.replace(p, from.size(), to);
    return text;
}

std::wstring FromCp932(const std::string& bytes)
{
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return wide;
}

std::string ToCp932(const std::wstring& text)
{
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n, nullptr, nullptr);
    return narrow;
}

std::string Utf8ToCp932(const std::string& utf8)
{
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return ToCp932(wide);
}
