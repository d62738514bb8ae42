// Files and folders with Windows names over the POSIX file system.
//
// Every path the program passes is a Windows-style path in GBK: both '\' and '/' separate folders,
// a drive prefix ("C:") is dropped (a path "C:\x" names "/x", "C:x" the relative "x"), repeated
// separators count as one, and the name is turned into UTF-8. Each folder and file name along the
// path is then looked for as given and, when missing, without regard to ASCII case (the first such
// name in byte order wins when several differ only in case). A name that is missing either way is
// kept as given, so that files and folders can be created. A path that is already valid UTF-8 and
// exists as such is taken as it is, so that real paths of the system work too.
//
// The functions that return paths (GetModuleFileNameA, GetCurrentDirectoryA,
// GetSystemDirectoryA) return the real POSIX path, with '/' separators, in GBK. Callers that split
// off a folder look for the last separator of either kind; the folder then ends with '/', and a
// name appended with '\' maps correctly.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/base/WinTypes.h"

#define INVALID_FILE_ATTRIBUTES ((DWORD)0xFFFFFFFFu)
#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAA* LPWIN32_FIND_DATAA;
typedef WIN32_FIND_DATAA* PWIN32_FIND_DATAA;
typedef WIN32_FIND_DATAA WIN32_FIND_DATA;
typedef LPWIN32_FIND_DATAA LPWIN32_FIND_DATA;

// Lists the entries of one folder that match the last part of the pattern, which may hold '*' (any
// run of characters) and '?' (one character), compared without regard to ASCII case; a trailing
// ".*" also matches names without an extension, so "*.*" matches every name. The entries come
// sorted by name (ASCII case folded, then byte order), which makes the order stable where Windows
// gives the file system's order. Like Windows, "." and ".." are listed when they match ("*",
// "*.*"), except in the root folder. Attributes: FILE_ATTRIBUTE_DIRECTORY for folders,
// FILE_ATTRIBUTE_READONLY when the entry has no write permission bit at all (whoever runs the
// program), FILE_ATTRIBUTE_NORMAL when neither applies. Names are GBK; an entry whose name does
// not fit cFileName is left out. Errors: ERROR_FILE_NOT_FOUND (no match), ERROR_PATH_NOT_FOUND.
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data);
BOOL FindClose(HANDLE find);
#define FindFirstFile FindFirstFileA
#define FindNextFile FindNextFileA

// The security attributes are not used. ERROR_ALREADY_EXISTS when the name exists.
BOOL CreateDirectoryA(LPCSTR path, void* security);
BOOL DeleteFileA(LPCSTR path);
BOOL RemoveDirectoryA(LPCSTR path);
DWORD GetFileAttributesA(LPCSTR path);
#define CreateDirectory CreateDirectoryA
#define DeleteFile DeleteFileA
#define RemoveDirectory RemoveDirectoryA
#define GetFileAttributes GetFileAttributesA

// The executable's real path (every module is the executable here). Returns the length; when it
// does not fit, the text is cut to size - 1 bytes (never in the middle of a GBK character), the
// result is `size` and the error ERROR_INSUFFICIENT_BUFFER, as on Windows.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
#define GetModuleFileName GetModuleFileNameA
// This file system keeps no short (8.3) names: the short form of an existing path is the path
// itself, copied (the two buffers may be one). Returns its length, or the size needed
// (terminator included) when the buffer is too small; 0 with the error of GetFileAttributesA when
// the path does not exist.
DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size);
#define GetShortPathName GetShortPathNameA
// Returns the length, or the size needed (terminator included) when the buffer is too small.
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
#define GetCurrentDirectory GetCurrentDirectoryA
// The folder of the settings shared with the hall: $PXQD_SYSTEM_DIR when set, otherwise
// $XDG_CONFIG_HOME/pxqd or ~/.config/pxqd. It is created when missing. No trailing separator, as
// on Windows. Returns the length, or the size needed when the buffer is too small.
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
#define GetSystemDirectory GetSystemDirectoryA

// fopen with the path mapped as above, for callers that use the C runtime. The mode is the C
// runtime's ('t' is accepted and means nothing).
FILE* PlatformFopen(const char* path, const char* mode);

namespace platform {

// The POSIX path (UTF-8) that a Windows-style GBK path names, as described at the top.
std::string MapPath(std::string_view path);
// Whether a name (UTF-8) matches a pattern of the kind FindFirstFileA takes (UTF-8).
bool MatchWildcard(std::string_view pattern, std::string_view name);
// For tests: the path that GetModuleFileNameA reports instead of the executable's (empty resets).
void SetModuleFileNameOverride(const std::string& nativePath);
// The system folder's real path (UTF-8), created when missing.
std::string SystemDirectory();
// The user's data folder of the game (UTF-8): $XDG_DATA_HOME/pxqd when that is an absolute path,
// otherwise ~/.local/share/pxqd. It is created when missing; no trailing separator.
std::string UserDataDirectory();

}  // namespace platform
