// The texts of the uninstaller's questions before it removes a file the user may want:
// each is the path, an empty line, then why the file might still be wanted.
#pragma once
#include <string>

// A shared file that no program counts any more (the four-button dialog).
std::string SharedFileQuestion(const std::string& path);
// A file recorded with "/C".
std::string ConfirmQuestion(const std::string& path);
// A DLL or OCX in the Windows or system folder that nothing counts.
std::string ComponentQuestion(const std::string& path);
