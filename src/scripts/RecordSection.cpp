#include "scripts/RecordSection.h"

#include "foundation/uStrOp.h"

#include <windows.h>

std::string IdentityKey(const std::string& identity)
{
    const int srcLen = static_cast<int>(identity.size());
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    // Most keys fit a buffer of this size, which saves asking for the size first.
    char buf[1024];
    int size = LCMapStringA(LOCALE_USER_DEFAULT, flags, identity.data(), srcLen, buf, sizeof buf);
    if (size > 0) return std::string(buf, static_cast<std::size_t>(size));
    size = LCMapStringA(LOCALE_USER_DEFAULT, flags, identity.data(), srcLen, nullptr, 0);
    if (size <= 0) return MapString(identity, LCMAP_UPPERCASE);
    std::string key(static_cast<std::size_t>(size), '\0');
    LCMapStringA(LOCALE_USER_DEFAULT, flags, identity.data(), srcLen, key.data(), size);
    return key;
}

void RecordSection::Add(const std::string& entry, bool mergeShared)
{
    const std::string identity = GetField(entry, ",", 1);
    if (!identity.empty()) {
        const auto found = index_.find(IdentityKey(identity));
        if (found != index_.end()) {
            if (mergeShared) {
                std::string& line = lines_[found->second];
                line += line.find(',') != std::string::npos ? "/S" : ",/S";
            }
            return;
        }
    }
    const std::size_t number = break_ ? break_ : lines_.size() + 1;
    lines_.push_back(prefix_ + std::to_string(number) + "=" + entry);
    if (identity.empty()) {
        if (!break_) break_ = lines_.size();
    } else if (!break_) {
        index_.emplace(IdentityKey(identity), lines_.size() - 1);
    }
}

std::string RecordSection::Text() const
{
    std::string text;
    for (const std::string& line : lines_) text.append(line).append("\r\n");
    return text;
}
