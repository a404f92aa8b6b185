// SZDD, the compressed-file format of the Windows LZ functions (LZOpenFile, LZCopy,
// GetExpandedName) and of the installer's compressed sources: a 14-byte header ("SZDD",
// 88 F0 27 33, "A", the last character of the file's name, the expanded size) and LZSS
// over a 4096-byte window preset with blanks, written from position 4080.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

// Compresses data; last is the character the expanded name ends in (0 for none).
// effort bounds the candidates looked at per position (more: smaller, slower).
std::string CompressSzdd(const std::string& data, char last, int effort = 256);

// Expands an SZDD file; nullopt when the bytes are no SZDD file or are cut short.
std::optional<std::string> ExpandSzdd(const std::string& file);
