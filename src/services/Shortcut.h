// Shortcut files made through the shell's link object, and the per-thread COM
// initialisation that the link object needs.
#pragma once
#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>

// Raised when the shell link object or one of its interfaces cannot be obtained.
class ShellLinkError : public std::runtime_error {
public:
    ShellLinkError(const std::string& message, HRESULT code)
        : std::runtime_error(message), code_(code) {}
    HRESULT code() const noexcept { return code_; }

private:
    HRESULT code_;
};

// Initialises COM for the calling thread for the object's lifetime (CoInitialize /
// CoUninitialize, bound at run time). The program holds one from its entry on.
class ComInit {
public:
    ComInit();
    ~ComInit();
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    // S_OK, S_FALSE (already initialised on this thread) or the failure.
    HRESULT result() const noexcept { return hr_; }

private:
    HRESULT hr_;
};

// Makes the link file linkName + ".lnk" (no extension is added when linkName already
// ends in ".lnk", any case) pointing at target, creating the link's folder when missing.
// An empty or missing working folder becomes the target's folder; empty arguments are
// not set. A target that is itself a ".lnk" file is copied instead. Returns the path of
// the file made; when no ".lnk" file exists after saving, the same path ending in ".pif"
// (the shell stores links to MS-DOS programs that way). Throws ShellLinkError when the
// link object or one of its interfaces is unavailable.
std::string CreateShortcut(const std::string& target, const std::string& linkName,
                           const std::string& workingFolder, const std::string& arguments);
