// The "(Token)\key\path" notation of scripts and records, split without touching the
// registry.
#pragma once
#include <string>

// A registry path split into its root token (seven characters such as "(Local)") and
// the key path.
struct RegistryPath {
    std::string rootToken;
    std::string keyPath;
};

// Install side: the first seven characters are the token unless the first is not "("
// and the seventh is not ")" (then the whole text is a key under "(Cuser)"). One
// leading and one trailing "\" are removed from the key path.
RegistryPath SplitRegistryPath(const std::string& path);
// Uninstall side, stricter: a token only when the first character is "(" and the
// seventh is ")". The key path is kept as written, leading "\" included.
RegistryPath SplitUninstallRegistryPath(const std::string& path);
