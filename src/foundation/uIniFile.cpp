#include "foundation/uIniFile.h"

#include <windows.h>

#include <vector>

std::string ReadIniString(const std::string& section, const std::string& key, const std::string& def,
                          const std::string& file)
{
    std::vector<char> buf(256);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buf.size());
        const DWORD got = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf.data(), size,
                                                   file.c_str());
        // A cut value fills the buffer to size - 1, or to size - 2 when the cut fell inside
        // a double-byte character that the system will not split; read again larger.
        if (got + 2 < size) return std::string(buf.data(), got);
        buf.resize(buf.size() + 256);
    }
}

bool WriteIniString(const std::string& section, const std::string& key, const std::string& value, const std::string& file)
{
    // What the ANSI profile functions cannot take: a file path of MAX_PATH bytes or more,
    // and strings whose conversion to UTF-16 overflows its 16-bit length (32,767
    // characters and more). Some systems then write something else, Wine ends the
    // process; such a value cannot be written.
    constexpr std::size_t kLongest = 32766;
    if (file.size() >= MAX_PATH || section.size() > kLongest || key.size() > kLongest || value.size() > kLongest)
        return false;
    const BOOL ok = WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
    return ok != FALSE;
}
