// The profile (ini file) functions with the semantics of their Windows namesakes.
//
// Files are GBK text and are read and written byte for byte; both line-end kinds are read, and
// lines this layer writes end with "\r\n". A file name without any folder names a file in the
// system folder (GetSystemDirectoryA), as Windows looks for such names in its own folder; other
// names go through the path mapping of Files.h.
//
// Reading: section and key names are compared without regard to ASCII case (the bytes of GBK
// characters are compared exactly), and blanks (spaces, tabs) around names and values are
// ignored. The first matching section and, in it, the first matching key count. A value in a pair
// of double quotes loses them. Lines starting with ';' are comments.
#pragma once

#include "platform/base/WinTypes.h"

// Copies the value, or the default (null means empty; trailing blanks removed) when the section,
// the key or the file is missing, cutting it to size - 1 bytes (never in the middle of a GBK
// character), and returns the number of bytes copied. A null section or key (the listing forms of
// Windows) is not supported here: the buffer gets an empty list and the result is 0.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR fileName);
// The leading decimal number of the value (after an optional sign; the value 0 when there are no
// digits; wraps modulo 2^32), or the default when the key is missing.
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName);
// Sets a key, creating the file and the section when needed; a null value deletes the key and a
// null key the whole section. Every other line of the file (comments, order, line ends) stays as
// it was; a new key goes after the last key of its section, a new section at the end of the file.
// The file is replaced as a whole (written beside it and renamed), so a reader never sees half a
// file. Names or values holding a line break, a key holding '=' or a section holding ']' would
// change the file's structure: they are refused (ERROR_INVALID_PARAMETER).
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);

#define GetPrivateProfileString GetPrivateProfileStringA
#define GetPrivateProfileInt GetPrivateProfileIntA
#define WritePrivateProfileString WritePrivateProfileStringA
