#include "ui/VersionText.h"

#include "foundation/SystemLibrary.h"
#include "foundation/VersionInfo.h"

#include <windows.h>

#include <vector>

namespace {

// The decimal digits of a part read as a non-negative integer, without leading zeros
// ("" for 0). Kept as text so that no part can overflow. Reading stops at the first
// non-digit after leading blanks, so "1234 (release)" reads as 1234 and "x" as 0.
std::string PartDigits(const std::string& part)
{
    std::size_t i = part.find_first_not_of(' ');
    if (i == std::string::npos) return {};
    std::string digits;
    for (; i < part.size() && part[i] >= '0' && part[i] <= '9'; ++i)
        if (!digits.empty() || part[i] != '0') digits += part[i];
    return digits;
}

// Digits padded with zeros on the left to at least the given width.
std::string Padded(const std::string& digits, std::size_t width)
{
    return digits.size() >= width ? digits : std::string(width - digits.size(), '0') + digits;
}

// Integer text: "0" for no digits.
std::string AsNumber(const std::string& digits)
{
    return digits.empty() ? "0" : digits;
}

} // namespace

std::string FormatVersionText(const std::string& fileVersion)
{
    // Split at the first three dots; the fourth part keeps any further dots.
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (parts.size() < 3) {
        const std::size_t dot = fileVersion.find('.', start);
        if (dot == std::string::npos) break;
        parts.push_back(fileVersion.substr(start, dot - start));
        start = dot + 1;
    }
    parts.push_back(fileVersion.substr(start));
    parts.resize(4);

    const std::string a = AsNumber(PartDigits(parts[0]));
    // b's digits then c's, read as one number: 0 and 5 give 05, 1 and 12 give 112.
    const std::string bc = PartDigits(AsNumber(PartDigits(parts[1])) + AsNumber(PartDigits(parts[2])));
    const std::string d = PartDigits(parts[3]);
    return a + "." + Padded(bc, 2) + "β1(Build:" + Padded(d, 4) + "/D3)";
}

std::string ReadVersionText(const std::string& path)
{
    return FormatVersionText(ReadFileVersion(path));
}

std::string VersionText()
{
    return ReadVersionText(RunningProgramPath());
}
