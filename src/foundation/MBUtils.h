// Double-byte aware scanning of ANSI (code page 932) byte strings.
// Every scan that must not stop inside a double-byte character goes through
// CharLength / IsCharStart / IsPathDelimiter; positions are 1-based.
#pragma once
#include <string>
#include <string_view>

// True when the byte is a lead byte of the system's ANSI code page. The table is
// filled once from GetCPInfo, and only when the system reports DBCS support.
bool IsLeadByte(unsigned char b);

// Bytes of the character that starts at 1-based position p: 2 for a lead byte that
// has a trail byte inside the text, else 1 (a lone lead byte at the end is one byte).
int CharLength(std::string_view text, std::size_t p);

// True when 1-based position p starts a character (is not a trail byte).
bool IsCharStart(std::string_view text, std::size_t p);

// True when position p holds a one-byte "\" (not the 0x5C trail byte of 表, ソ, 能 ...).
bool IsPathDelimiter(std::string_view text, std::size_t p);

// 1-based position of the first exact match of pattern at a character start, 0 if none.
std::size_t MbPos(std::string_view pattern, std::string_view text);

// 1-based position of the last one-byte "\" of the text, 0 if none.
std::size_t LastPathDelimiter(std::string_view text);
