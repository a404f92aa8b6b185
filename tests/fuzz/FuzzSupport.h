// Small tools every part of the fuzzer uses: a deterministic random source whose state
// follows from (seed, case index) alone, so any case can be made again from its two
// numbers, and helpers for bytes and reports.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class Rng {
public:
    explicit Rng(std::uint64_t seed);
    std::uint64_t Next();
    // 0 <= result < n (n > 0).
    std::size_t Below(std::size_t n);
    // lo <= result <= hi.
    int Range(int lo, int hi);
    bool Chance(int percent);
    template <typename T> const T& Pick(const std::vector<T>& items) { return items[Below(items.size())]; }
    template <typename T, std::size_t N> const T& Pick(const T (&items)[N]) { return items[Below(N)]; }

private:
    std::uint64_t s_[4];
};

// The seed of case index under run seed: cases are independent of each other.
std::uint64_t CaseSeed(std::uint64_t runSeed, std::uint64_t index);

// A line for the report: CP932 text as it is, control bytes and broken double-byte
// characters as \xNN, long texts cut.
std::string Printable(const std::string& bytes, std::size_t max = 160);
// For the terminal, which takes UTF-8.
std::string Cp932ToUtf8(const std::string& text);

// Grows with every call: unique names for the files of a process.
int Serial();
// Lower-case hexadecimal digits of the bytes.
std::string Hex(const std::string& bytes);

// Upper-cases ASCII letters only.
std::string AsciiUpper(std::string text);
bool StartsWithNoCase(const std::string& text, const std::string& prefix);
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);

// CP932 <-> UTF-16 through the system (invalid bytes become what the system makes of
// them), and UTF-8 -> CP932 for seeds taken from UTF-8 sources.
std::wstring FromCp932(const std::string& bytes);
std::string ToCp932(const std::wstring& text);
std::string Utf8ToCp932(const std::string& utf8);
