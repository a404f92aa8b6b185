// Version resource access through version.dll, loaded at run time from the system folder.
#pragma once
#include <string>

// The "FileVersion" string of the Japanese (0411, code page 932) string table of the
// file's version resource, or "" when the file has none.
std::string ReadFileVersion(const std::string& path);
