// The kernel's string calls and the text of system error codes.
#pragma once

#include <cstdarg>

#include "platform/base/WinTypes.h"

// Like the C runtime's calls, but a null string counts as empty (lstrlenA of null is 0) and a null
// destination makes the call answer null instead of crashing, as on Windows.
LPSTR lstrcatA(LPSTR destination, LPCSTR source);
LPSTR lstrcpyA(LPSTR destination, LPCSTR source);
int lstrlenA(LPCSTR text);
#define lstrcat lstrcatA
#define lstrcpy lstrcpyA
#define lstrlen lstrlenA

// Local memory: LocalAlloc with LMEM_FIXED (LMEM_ZEROINIT clears it) answers a pointer that
// LocalFree releases. LocalFree answers null on success.
#define LMEM_FIXED 0x0000u
#define LMEM_ZEROINIT 0x0040u
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL LocalFree(HLOCAL memory);

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100u
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200u
#define FORMAT_MESSAGE_FROM_STRING 0x00000400u
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800u
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000u
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000u
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FFu
#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))

// The system's text (GBK, ending in "\r\n") of an error code that this layer reports, with
// FORMAT_MESSAGE_FROM_SYSTEM; the language is not used. With FORMAT_MESSAGE_ALLOCATE_BUFFER,
// buffer is an LPSTR* that receives LocalAlloc memory holding the text. Answers the text's length
// without the terminator; 0 with ERROR_MR_MID_NOT_FOUND for a code without a text,
// ERROR_INSUFFICIENT_BUFFER when the text does not fit size bytes, ERROR_INVALID_PARAMETER for
// any other source (the program formats only system texts).
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     va_list* arguments);
#define FormatMessage FormatMessageA
