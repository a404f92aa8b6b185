// One numbered section of the uninstall record (Folder1=, File1= ...), composed in
// memory with the numbering and duplicate rules of ComposeRecordLine, in time linear
// in the number of entries.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class RecordSection {
public:
    explicit RecordSection(std::string prefix) : prefix_(std::move(prefix)) {}

    // Adds entry unless its first comma-field is already recorded (compared like
    // CompareStringA with NORM_IGNORECASE). With mergeShared, a duplicate instead gives
    // its existing line "/S" (after the flags, or as ",/S" when it has none).
    void Add(const std::string& entry, bool mergeShared = false);

    // The lines, each ending in CR LF.
    std::string Text() const;
    // The same, appended to text.
    void AppendTo(std::string& text) const;
    std::size_t LineCount() const { return lines_.size(); }

private:
    // The line whose identity has the key, or lines_.size().
    std::size_t Find(const std::string& key, std::uint64_t hash) const;

    std::string prefix_;
    std::vector<std::string> lines_; // without CR LF
    // Hash of the identity key -> line. The keys themselves are not kept (they are longer
    // than the paths); two that share a hash are told apart by the line's own key.
    std::unordered_multimap<std::uint64_t, std::size_t> index_;
    // 1-based number of the first line whose first field is empty: the numbering scan
    // stops there, so later entries take that number and are never matched beyond it.
    std::size_t break_ = 0;
};

// The key under which two identities compare equal exactly when CompareStringA with
// the user's default locale and NORM_IGNORECASE says they are equal: their sort key.
std::string IdentityKey(const std::string& identity);
