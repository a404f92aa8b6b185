// Shortcut files made through the shell's link object, and the per-thread COM
// initialisation that the link object needs.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// Why no link could be made: the shell link object or one of its interfaces could not
// be obtained.
struct ShellLinkFailure {
    HRESULT code = S_OK;
    std::string text; // the step, the code and the system's text, for the log
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
// (the shell stores links to MS-DOS programs that way). "" when the link object or one
// of its interfaces is unavailable; failure, when given, then says why.
std::string CreateShortcut(const std::string& target, const std::string& linkName, const std::string& workingFolder,
                           const std::string& arguments, ShellLinkFailure* failure = nullptr);
