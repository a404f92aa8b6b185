#include "foundation/MBUtils.h"

#include <windows.h>

#include <array>

namespace {

struct LeadByteTable {
    std::array<bool, 256> lead{};
    LeadByteTable()
    {
        if (GetSystemMetrics(SM_DBCSENABLED) == 0) return;
        CPINFO info{};
        if (!GetCPInfo(CP_ACP, &info)) return;
        for (int r = 0; r + 1 < MAX_LEADBYTES; r += 2) {
            const BYTE lo = info.LeadByte[r], hi = info.LeadByte[r + 1];
            if (lo == 0 && hi == 0) break;
            for (int b = lo; b <= hi; ++b) lead[b] = true;
        }
    }
};

const LeadByteTable& Table()
{
    static const LeadByteTable table;
    return table;
}

} // namespace

bool IsLeadByte(unsigned char b)
{
    return Table().lead[b];
}

int CharLength(std::string_view text, std::size_t p)
{
    if (p < 1 || p > text.size()) return 1;
    if (IsLeadByte(static_cast<unsigned char>(text[p - 1])) && p < text.size()) return 2;
    return 1;
}

bool IsCharStart(std::string_view text, std::size_t p)
{
    if (p < 1 || p > text.size()) return false;
    std::size_t i = 1;
    while (i < p) i += CharLength(text, i);
    return i == p;
}

bool IsPathDelimiter(std::string_view text, std::size_t p)
{
    return p >= 1 && p <= text.size() && text[p - 1] == '\\' && IsCharStart(text, p);
}

std::size_t MbPos(std::string_view pattern, std::string_view text)
{
    if (pattern.empty()) return 0;
    for (std::size_t p = 1; p <= text.size(); p += CharLength(text, p)) {
        if (text.substr(p - 1, pattern.size()) == pattern) return p;
    }
    return 0;
}

std::size_t LastPathDelimiter(std::string_view text)
{
    std::size_t last = 0;
    for (std::size_t p = 1; p <= text.size(); p += CharLength(text, p)) {
        if (text[p - 1] == '\\') last = p;
    }
    return last;
}
