// The program's version label, as shown in the background window's caption.
#pragma once
#include <string>

// The label for a "FileVersion" string "a.b.c.d": a + "." + the digits of b followed by
// those of c (at least two) + "β1(Build:" + d (at least four digits) + "/D3)".
// Missing or unreadable parts count as 0, so "" gives "0.00β1(Build:0000/D3)".
std::string FormatVersionText(const std::string& fileVersion);

// The label of the file's version resource (0.00... when it has none).
std::string ReadVersionText(const std::string& path);

// The label of the running executable.
std::string VersionText();
