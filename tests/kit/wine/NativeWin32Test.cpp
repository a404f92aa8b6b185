// The native platform layer of the kit against the system's own functions under Wine:
// what the native qcheck and qpack see of text must be what the installer sees.
#include "NativeWin32.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

std::wstring SystemWide(unsigned cp, const std::string& s)
{
    wchar_t out[512] = {};
    return std::wstring(out, MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), out, 512));
}

std::wstring NativeWide(unsigned cp, const std::string& s)
{
    wchar_t out[512] = {};
    return std::wstring(out, nativewin::MultiByteToWideChar(cp, s.data(), static_cast<int>(s.size()), out, 512));
}

// Random bytes weighted towards what breaks decoders: lead bytes, line ends, NUL.
std::string RandomBytes(std::mt19937& rng, int length)
{
    static const unsigned char kBytes[] = {0x81, 0x9F, 0xE0, 0xFC, 0x85, 0x40, 0x5C,
                                           0x0D, 0x0A, 0x00, 0xA0, 0xFD, 'a',  'Z'};
    std::string s;
    for (int i = 0; i < length; ++i) s += static_cast<char>(rng() % 2 ? kBytes[rng() % sizeof kBytes] : rng() % 256);
    return s;
}

} // namespace

// Every byte, every lead byte with every byte after it, a lead byte at the end, and
// random strings decode as the system decodes them, in code page 932 and in UTF-8.
TEST(NativeWin32, DecodesAsTheSystem)
{
    for (int b = 0; b < 256; ++b) {
        for (int t = -1; t < 256; ++t) {
            std::string s(1, static_cast<char>(b));
            if (t >= 0) s += static_cast<char>(t);
            ASSERT_EQ(NativeWide(932, s), SystemWide(932, s)) << std::hex << b << " " << t;
        }
    }
    std::mt19937 rng(932);
    for (int i = 0; i < 20000; ++i) {
        const std::string s = RandomBytes(rng, 1 + static_cast<int>(rng() % 24));
        ASSERT_EQ(NativeWide(932, s), SystemWide(932, s)) << i;
        ASSERT_EQ(NativeWide(65001, s), SystemWide(65001, s)) << i;
    }
}

// Every UTF-16 unit encodes as the system encodes it, with the same default-character
// answer; UTF-8 too, lone surrogates included.
TEST(NativeWin32, EncodesAsTheSystem)
{
    for (unsigned w = 1; w <= 0xFFFF; ++w) {
        const wchar_t unit = static_cast<wchar_t>(w);
        char ours[8] = {}, system[8] = {};
        bool ourDefault = false;
        BOOL systemDefault = FALSE;
        const int n = nativewin::WideCharToMultiByte(932, &unit, 1, ours, 8, &ourDefault);
        const int m = WideCharToMultiByte(932, 0, &unit, 1, system, 8, nullptr, &systemDefault);
        ASSERT_EQ(std::string(ours, n), std::string(system, m)) << std::hex << w;
        ASSERT_EQ(ourDefault, systemDefault != FALSE) << std::hex << w;
        const int u = nativewin::WideCharToMultiByte(65001, &unit, 1, ours, 8, nullptr);
        const int v = WideCharToMultiByte(65001, 0, &unit, 1, system, 8, nullptr, nullptr);
        ASSERT_EQ(std::string(ours, u), std::string(system, v)) << std::hex << w;
    }
}

// Upper case (what PosNoCase and every name comparison use) of every character and of
// random strings, broken ones included, with the sizes the system reports.
TEST(NativeWin32, UpperCaseAsTheSystem)
{
    const auto upper = [](bool native, const std::string& s) {
        char out[128] = {};
        const int n = native ? nativewin::LCMapStringA(LCMAP_UPPERCASE, s.data(), static_cast<int>(s.size()), out, 128)
                             : LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, s.data(),
                                            static_cast<int>(s.size()), out, 128);
        const int size = native
                             ? nativewin::LCMapStringA(LCMAP_UPPERCASE, s.data(), static_cast<int>(s.size()), nullptr, 0)
                             : LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, s.data(),
                                            static_cast<int>(s.size()), nullptr, 0);
        return std::to_string(size) + ":" + std::string(out, n);
    };
    for (int b = 1; b < 256; ++b)
        for (int t = nativewin::IsLeadByte(static_cast<unsigned char>(b)) ? 0x40 : 256; t <= 256; ++t) {
            const std::string s = std::string(1, static_cast<char>(b)) +
                                  (t < 256 ? std::string(1, static_cast<char>(t)) : "");
            ASSERT_EQ(upper(true, s), upper(false, s)) << std::hex << b << " " << t;
        }
    std::mt19937 rng(5);
    for (int i = 0; i < 5000; ++i) {
        const std::string s = RandomBytes(rng, 1 + static_cast<int>(rng() % 30));
        ASSERT_EQ(upper(true, s), upper(false, s)) << i;
    }
}

// The reader's test for UTF-16 text (IniDocument leaves such files to the system).
TEST(NativeWin32, TakesTextForUnicodeAsTheSystem)
{
    std::mt19937 rng(16);
    const std::string shapes[] = {"[Title]\r\nSetup=x\r\n",
                                  std::string("\xFF\xFE[\0T\0]\0", 8),
                                  std::string("[\0T\0]\0\r\0\n\0", 10),
                                  std::string("\0[\0T\0]\0\r", 9),
                                  "\xFE\xFF",
                                  std::string("a\0", 2),
                                  "\x20\x00"};
    for (int i = 0; i < 5000; ++i) {
        std::string s = shapes[rng() % std::size(shapes)];
        s += i % 3 ? RandomBytes(rng, static_cast<int>(rng() % 600)) : std::string(rng() % 3, '\0');
        for (const int asked : {IS_TEXT_UNICODE_UNICODE_MASK | IS_TEXT_UNICODE_REVERSE_MASK, ~0, 0x1FFF}) {
            int ours = asked, system = asked;
            ASSERT_EQ(nativewin::IsTextUnicode(s.data(), static_cast<int>(s.size()), &ours),
                      IsTextUnicode(s.data(), static_cast<int>(s.size()), &system) != FALSE)
                << i << " asked " << asked;
            ASSERT_EQ(ours, system) << i << " asked " << asked;
        }
    }
}

// The native profile read against the system's on generated files in code page 932 and
// with UTF-8 and UTF-16 byte-order marks, empty names included.
TEST(NativeWin32, ReadsProfilesAsTheSystem)
{
    ScratchFolder dir;
    std::mt19937 rng(65001);
    for (int round = 0; round < 16; ++round) {
        std::set<std::string> names = {"Missing", ""};
        const std::string text = RandomIni(rng, names);
        const std::wstring wide = SystemWide(932, text);
        std::string encoded;
        switch (round % 4) {
        case 0: encoded = text; break;
        case 1: {
            std::string utf8(wide.size() * 3 + 1, '\0');
            utf8.resize(WideCharToMultiByte(65001, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                                            static_cast<int>(utf8.size()), nullptr, nullptr));
            encoded.assign("\xEF\xBB\xBF").append(utf8);
            break;
        }
        default:
            encoded = std::string(round % 4 == 2 ? "\xFF\xFE" : "\xFE\xFF", 2);
            for (const wchar_t w : wide) {
                const char lo = static_cast<char>(w & 0xFF), hi = static_cast<char>(w >> 8);
                encoded.push_back(round % 4 == 2 ? lo : hi);
                encoded.push_back(round % 4 == 2 ? hi : lo);
            }
        }
        const std::string file = dir / std::string("p").append(std::to_string(round)).append(".ini");
        ASSERT_TRUE(WriteFileBytes(file, encoded));
        for (const std::string& section : names)
            for (const std::string& key : names) {
                char ours[2048] = {}, system[2048] = {};
                const DWORD n = nativewin::GetPrivateProfileStringA(section.c_str(), key.c_str(), "<none>", ours, 2048,
                                                                    file.c_str());
                const DWORD m = GetPrivateProfileStringA(section.c_str(), key.c_str(), "<none>", system, 2048,
                                                         file.c_str());
                ASSERT_EQ(std::string(ours, n), std::string(system, m))
                    << "round " << round << " [" << section << "] " << key;
            }
    }
}
