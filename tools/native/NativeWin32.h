// The few Win32 text and profile functions that the installer's readers call, for the
// native (Linux) build of the distributor's kit: code page 932 as the ANSI code page,
// answering as the system does under Wine (the conversion tables are the system's own
// answers, tools/native/Cp932Table.inc). Built into the Windows test programs too,
// where the kit's Wine tests compare every answer with the system's.
#pragma once
#include <cstdint>
#include <string>

namespace nativewin {

constexpr unsigned kAnsiCodePage = 932;
constexpr unsigned kUtf8 = 65001;

// The last error of the calling thread, as GetLastError keeps it.
std::uint32_t LastError();
void SetLastError(std::uint32_t code);

bool IsLeadByte(unsigned char b);
// The lead-byte ranges as GetCPInfo reports them: pairs of first and last, 0 0 ending.
const unsigned char* LeadByteRanges();

// MultiByteToWideChar and WideCharToMultiByte with flags 0, for code page 932 (or 0,
// the ANSI code page) and UTF-8: a length of -1 takes the text up to and including its
// zero; a destination size of 0 asks for the size. 0 and an error code on failure.
int MultiByteToWideChar(unsigned codePage, const char* source, int sourceLength, wchar_t* target, int targetSize);
int WideCharToMultiByte(unsigned codePage, const wchar_t* source, int sourceLength, char* target, int targetSize,
                        bool* usedDefault);

// LCMapStringA of the system locale with LCMAP_UPPERCASE (0x200), the only mapping the
// kit needs; other flags fail with ERROR_INVALID_FLAGS.
int LCMapStringA(std::uint32_t flags, const char* source, int sourceLength, char* target, int targetSize);

// IsTextUnicode: the tests asked for in *tests, the ones passed written back.
bool IsTextUnicode(const void* buffer, int size, int* tests);

// GetPrivateProfileStringA for a section and key name (never the lists): the file
// decoded as the profile functions decode it (a UTF-8 or UTF-16 byte-order mark, else
// the ANSI code page) and read by the installer's own INI parser.
std::uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* buffer,
                                       std::uint32_t size, const char* file);

} // namespace nativewin
