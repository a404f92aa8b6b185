// String operations on ANSI (code page 932) byte strings. Positions and counts are
// 1-based bytes; no operation fails: out-of-range arguments give the documented result.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The first n bytes; n <= 0 gives "", n beyond the length the whole text.
std::string Left(std::string_view text, int n);
// The last n bytes; n <= 0 gives "", n beyond the length the whole text.
std::string Right(std::string_view text, int n);
// The bytes from position p to the end; p < 1 counts as 1, p beyond the length gives "".
std::string Mid(std::string_view text, int p);

// Ensures a one-byte "\" at the top ("T") or bottom ("B") of the text. Only the first
// byte of the option counts, case-sensitively; any other option leaves the text as is.
std::string AddBackslash(std::string_view text, std::string_view option);
// Removes one "\" delimiter from the top ("T") or bottom ("B"), never a trail byte.
std::string RemoveBackslash(std::string_view text, std::string_view option);

// The text converted by LCMapStringA with the system default locale; unchanged when
// the system refuses the conversion.
std::string MapString(std::string_view text, std::uint32_t flags);

// The folder part of a path up to and including its last one-byte "\" ("" without one).
std::string PathFolder(std::string_view path);
// What follows the last one-byte "\" of a path (the whole path without one).
std::string PathFileName(std::string_view path);

// The n-th field (1-based) split byte-wise at a one-byte separator; empty fields count.
std::string GetField(std::string_view text, std::string_view separator, int n);

// MbPos of the upper-cased pattern in the upper-cased text (lengths are unchanged in 932).
std::size_t PosNoCase(std::string_view pattern, std::string_view text);

// Replaces every occurrence of token (any letter case) by value. A "\" ending the value
// merges with a "\" that follows the token. The search resumes behind the inserted value,
// so a value that contains its own token terminates.
std::string ReplaceToken(std::string_view text, std::string_view token, std::string_view value);

// The system's message for a Win32 error code, trailing blanks, controls and "." removed,
// converted to full width, followed by CR LF; "" for code 0.
std::string ErrorText(std::uint32_t code);
