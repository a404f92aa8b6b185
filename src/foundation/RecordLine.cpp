// The composition of numbered uninstall-record lines (declared in uIniFile.h), apart
// from the profile functions: it compares identities with the system's collation.
#include "foundation/uIniFile.h"

#include "foundation/uStrOp.h"

#include <windows.h>

namespace {

bool SameIdentity(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

} // namespace

std::string ComposeRecordLine(std::string_view entry, std::string_view section, std::string_view prefix,
                              bool markDuplicate, std::string_view recordText)
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
