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

namespace {

std::uint64_t KeyHash(const std::string& key)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : key) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

} // namespace

std::size_t RecordSection::Find(const std::string& key, std::uint64_t hash) const
{
    const auto [first, last] = index_.equal_range(hash);
    for (auto it = first; it != last; ++it) {
        // The line is prefix, number, "=", entry; neither of the first two holds "=".
        const std::string& line = lines_[it->second];
        const std::string entry = line.substr(line.find('=') + 1);
        if (IdentityKey(GetField(entry, ",", 1)) == key) return it->second;
    }
    return lines_.size();
}

void RecordSection::Add(const std::string& entry, bool mergeShared)
{
    const std::string identity = GetField(entry, ",", 1);
    std::string key;
    std::uint64_t hash = 0;
    if (!identity.empty()) {
        key = IdentityKey(identity);
        hash = KeyHash(key);
        const std::size_t found = Find(key, hash);
        if (found != lines_.size()) {
            if (mergeShared) {
                std::string& line = lines_[found];
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
        index_.emplace(hash, lines_.size() - 1);
    }
}

std::string RecordSection::Text() const
{
    std::string text;
    AppendTo(text);
    return text;
}

void RecordSection::AppendTo(std::string& text) const
{
    std::size_t size = text.size();
    for (const std::string& line : lines_) size += line.size() + 2;
    text.reserve(size);
    for (const std::string& line : lines_) text.append(line).append("\r\n");
}
