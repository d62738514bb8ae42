// Small process-wide helpers: strings, Windows-style paths, the program's folder, hexadecimal
// text, the operating-system kind and random bytes from the system's UUID generator.
#pragma once

#include "platform/base/WinTypes.h"

// Parts of a path for ExtractPathParts, written in this order.
#define PATH_PART_DRIVE 0x1
#define PATH_PART_DIRECTORY 0x2
#define PATH_PART_NAME 0x4
#define PATH_PART_EXTENSION 0x8

// Bits of GetOsVersionFlags' word.
#define OS_WIN32S 0x1
#define OS_WIN95 0x2
#define OS_WIN98 0x4
#define OS_WINME 0x8
#define OS_NT4 0x10
#define OS_WIN2000 0x20
#define OS_WINXP 0x40
#define OS_NT60 0x80
#define OS_NT61 0x100
#define OS_NT62 0x200
#define OS_NT_ABOVE_6 0x10000000
#define OS_PRODUCT_WINNT 0x10000
#define OS_PRODUCT_WORKSTATION 0x20000
#define OS_PRODUCT_SERVER 0x40000
#define OS_PRODUCT_DOMAIN_CONTROLLER 0x80000

struct OSVERSIONINFOEXA;

// Nothing when either pointer is null. Length -1 copies the whole string with its terminator;
// otherwise at most length characters are copied, the terminator included when it is among
// them (a longer source gets no terminator).
void CopyString(LPSTR destination, LPCSTR source, int length);
// Splits a path ('\' or '/' separators) into drive, directory with its trailing separator, file
// name and extension with its dot, and writes the selected parts in that order into the
// destination (MAX_PATH characters). A path of MAX_PATH characters or more gives an empty text.
void ExtractPathParts(LPCSTR path, DWORD parts, LPSTR destination);
// 1 when the first entry matching the path exists and is a directory (wantDirectory 1) or is
// not one (wantDirectory 0).
int FileExists(LPCSTR path, int wantDirectory);
// Drive and directory of the running program's file, ending with a separator (MAX_PATH).
int GetModuleDirectory(LPSTR destination);
// Appends each byte as two lowercase hexadecimal digits; the text must have room for them.
void BytesToHex(const BYTE* bytes, int count, LPSTR text);
// The operating-system kind as OS_* bits; 0 when the version cannot be read.
int GetOsVersionFlags(DWORD* flags);
// The flag word for a version answer. `extended` says whether the extended fields are valid;
// otherwise `productType` is the system's product type text ("WINNT", "SERVERNT"), or null.
DWORD OsVersionFlagsFrom(const OSVERSIONINFOEXA& info, int extended, LPCSTR productType);
// Fills count bytes with successive new UUIDs (16 bytes each, the last one cut). 0 when the
// system cannot make a unique UUID; the bytes not filled then are 0.
int GenerateUuidBytes(BYTE* destination, int count);
// Only when the text is empty: writes 30 lowercase hexadecimal digits of new UUID bytes and a
// terminator (the buffer holds at least 31 characters) and returns 1; otherwise 0.
int MakeUniqueIdIfEmpty(LPSTR text);

// Splits a text in place at '|': each field starts where the previous one ended, and the '|'
// behind every field but the last becomes a zero. At most maxFields fields are made; when the
// count runs out before the end of the text, *rest (when given) points behind the '|' where it
// ran out, else it is null. A null text gives 0 fields; an empty text one empty field; a text
// that ends in '|' an empty last field. Returns the number of fields written to fields.
int SplitString(LPSTR text, LPSTR* fields, int maxFields, LPSTR* rest);
