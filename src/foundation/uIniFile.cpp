#include "foundation/uIniFile.h"

#include "foundation/uStrOp.h"

#include <windows.h>

#include <vector>

std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& def, const std::string& file)
{
    std::vector<char> buf(256);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buf.size());
        const DWORD got = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(),
                                                   buf.data(), size, file.c_str());
        // A cut value fills the buffer to size - 1, or to size - 2 when the cut fell inside
        // a double-byte character that the system will not split; read again larger.
        if (got + 2 < size) return std::string(buf.data(), got);
        buf.resize(buf.size() + 256);
    }
}

bool WriteIniString(const std::string& section, const std::string& key,
                    const std::string& value, const std::string& file)
{
    // What the ANSI profile functions cannot take: a file path of MAX_PATH bytes or more,
    // and strings whose conversion to UTF-16 overflows its 16-bit length (32,767
    // characters and more). Some systems then write something else, Wine ends the
    // process; such a value cannot be written.
    constexpr std::size_t kLongest = 32766;
    if (file.size() >= MAX_PATH || section.size() > kLongest || key.size() > kLongest || value.size() > kLongest)
        return false;
    const BOOL ok = WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                               file.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
    return ok != FALSE;
}

namespace {

bool SameIdentity(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                          static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

} // namespace

std::string ComposeRecordLine(std::string_view entry, std::string_view section,
                              std::string_view prefix, bool markDuplicate,
                              std::string_view recordText)
{
    const std::string identity = GetField(entry, ",", 1);
    const std::string header = std::string(1, '[').append(section).append("]");
    int n = 1;
    std::string lastLine;
    const std::size_t headerPos = PosNoCase(header, recordText);
    if (headerPos != 0) {
        std::string_view text = recordText.substr(headerPos - 1);
        const std::size_t eol = text.find("\r\n");
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 2);
        n = 0;
        for (;;) {
            ++n;
            std::string existing;
            const std::size_t crlf = text.find("\r\n");
            if (crlf != std::string_view::npos) {
                lastLine = std::string(text.substr(0, crlf));
                text.remove_prefix(crlf + 2);
                const std::string key = std::string(prefix) + std::to_string(n);
                if (PosNoCase(key, lastLine) != 0) {
                    // The value starts behind the first "="; a line without one is all value.
                    const std::size_t eq = lastLine.find('=');
                    const std::size_t from = eq == std::string::npos ? 0 : eq + 1;
                    existing = GetField(std::string_view(lastLine).substr(from), ",", 1);
                }
            }
            if (!existing.empty() && SameIdentity(existing, identity)) {
                n = 0;
                break;
            }
            if (existing.empty()) break;
        }
    }
    if (n != 0) return std::string(prefix) + std::to_string(n) + "=" + std::string(entry) + "\r\n";
    if (markDuplicate) return "[!!]" + lastLine;
    return {};
}
