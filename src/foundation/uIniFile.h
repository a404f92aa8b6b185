// INI file access through the Windows profile API, and the composition of numbered
// uninstall-record lines in memory.
#pragma once
#include <string>
#include <string_view>

// The value of key in section of file, of any length, or def when the key is missing.
// Empty names are passed as "" (never NULL), so nothing is ever enumerated.
std::string ReadIniString(const std::string& section, const std::string& key, const std::string& def,
                          const std::string& file);

// Writes one key and flushes the system's cached copy of the file. Returns true when
// the value was written. Never deletes a key or section. A file path of MAX_PATH bytes
// or more, or a section, key or value of more than 32,766 bytes, is not written.
bool WriteIniString(const std::string& section, const std::string& key, const std::string& value,
                    const std::string& file);

// The line to append to section of the record text for entry (prefix + next number +
// "=" + entry + CR LF). When the entry's first field is already recorded (compared
// ignoring case): "[!!]" + the existing line if markDuplicate, else "".
std::string ComposeRecordLine(std::string_view entry, std::string_view section, std::string_view prefix,
                              bool markDuplicate, std::string_view recordText);
