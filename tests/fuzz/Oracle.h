// What an uninstallation may remove, worked out from the record before it runs, with
// the profile API as the reader and FindFirstFile as the matcher of patterns: the
// files the record names, what its extra-file patterns match, its folders and shortcut
// folders (removed only when empty), and, when the installation folder may be emptied,
// what the option boxes' patterns match inside it (everything in delete-all mode).
// Protected folders (drive roots, the Windows, system, temporary, Program Files and
// shell folders and every folder that holds one) never go, whatever the record says;
// bare wildcards count only inside an installation folder that may be emptied. Paths
// are compared normalised, so ".." cannot carry a name out of its folder unnoticed.
#pragma once
#include "Sandbox.h"

#include "services/Host.h"

#include <set>
#include <string>
#include <vector>

// A numbered list read literally through the profile API: prefix1, prefix2 ... up to
// the first empty value.
std::vector<std::string> ProfileList(const std::string& file, const char* section, const char* prefix);

class RemovalPlan {
public:
    RemovalPlan(const Sandbox& box, const std::string& recordFile, const WizardOptions& options);

    // True when the normalised path may have gone.
    bool Justifies(const std::string& path, bool folder) const;
    // Every removal between the two trees that the record does not justify.
    std::vector<std::string> Check(const Tree& before, const Tree& after) const;

private:
    bool IsProtected(const std::string& path) const;
    std::vector<std::string> Expand(const std::string& pattern) const;

    std::vector<std::string> protected_;
    std::set<std::string> files_, folders_, subtrees_;
};
