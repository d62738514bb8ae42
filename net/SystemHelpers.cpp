#include "net/SystemHelpers.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "platform/base/WinError.h"
#include "platform/kernel/Kernel.h"

void CopyString(LPSTR destination, LPCSTR source, int length) {
  if (destination == nullptr || source == nullptr) return;
  if (length == -1) {
    strcpy(destination, source);
    return;
  }
  for (int i = 0; i < length; ++i) {
    destination[i] = source[i];
    if (source[i] == '\0') break;
  }
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

void ExtractPathParts(LPCSTR path, DWORD parts, LPSTR destination) {
  if (destination == nullptr) return;
  destination[0] = '\0';
  if (path == nullptr) return;
  const size_t length = strnlen(path, MAX_PATH);
  if (length >= MAX_PATH) return;

  // drive | directory | name | extension, as offsets into the path.
  const size_t driveEnd = length >= 2 && path[1] == ':' ? 2 : 0;
  size_t directoryEnd = driveEnd;
  for (size_t i = driveEnd; i < length; ++i) {
    if (IsSeparator(path[i])) directoryEnd = i + 1;
  }
  size_t nameEnd = length;
  for (size_t i = length; i > directoryEnd; --i) {
    if (path[i - 1] == '.') {
      nameEnd = i - 1;
      break;
    }
  }
  const size_t bounds[5] = {0, driveEnd, directoryEnd, nameEnd, length};
  size_t written = 0;
  for (int part = 0; part < 4; ++part) {
    if ((parts & (1u << part)) == 0) continue;
    const size_t count = bounds[part + 1] - bounds[part];
    memcpy(destination + written, path + bounds[part], count);
    written += count;
  }
  destination[written] = '\0';
}

int FileExists(LPCSTR path, int wantDirectory) {
  if (path == nullptr) return 0;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(path, &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  FindClose(find);
  const bool isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return isDirectory == (wantDirectory != 0) ? 1 : 0;
}

int GetModuleDirectory(LPSTR destination) {
  char file[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, file, MAX_PATH);
  ExtractPathParts(file, PATH_PART_DRIVE | PATH_PART_DIRECTORY, destination);
  return 1;
}

void BytesToHex(const BYTE* bytes, int count, LPSTR text) {
  if (bytes == nullptr || text == nullptr || count <= 0) return;
  static const char DIGITS[] = "0123456789abcdef";
  char* out = text + strlen(text);
  for (int i = 0; i < count; ++i) {
    *out++ = DIGITS[bytes[i] >> 4];
    *out++ = DIGITS[bytes[i] & 0xF];
  }
  *out = '\0';
}

DWORD OsVersionFlagsFrom(const OSVERSIONINFOEXA& info, int extended, LPCSTR productType) {
  const DWORD major = info.dwMajorVersion;
  const DWORD minor = info.dwMinorVersion;
  DWORD flags = 0;
  switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
      flags = OS_WIN32S;
      break;
    case VER_PLATFORM_WIN32_WINDOWS:
      if (major < 4 || (major == 4 && minor == 0)) {
        flags = OS_WIN95;
      } else if (minor == 10) {
        flags = OS_WIN98;
      } else if (minor == 90) {
        flags = OS_WINME;
      }
      break;
    case VER_PLATFORM_WIN32_NT:
      if (major <= 4) {
        flags = OS_NT4;
      } else if (major == 5) {
        flags = minor == 0 ? OS_WIN2000 : minor == 1 ? OS_WINXP : 0;
      } else if (major == 6) {
        flags = minor == 0 ? OS_NT60 : minor == 1 ? OS_NT61 : minor == 2 ? OS_NT62 : 0;
      } else {
        flags = OS_NT_ABOVE_6;
      }
      if (extended) {
        if (info.wProductType == VER_NT_WORKSTATION) flags |= OS_PRODUCT_WORKSTATION;
        if (info.wProductType == VER_NT_SERVER) flags |= OS_PRODUCT_SERVER;
        if (info.wProductType == VER_NT_DOMAIN_CONTROLLER) flags |= OS_PRODUCT_DOMAIN_CONTROLLER;
      } else if (productType != nullptr) {
        if (strcasecmp(productType, "WINNT") == 0) flags |= OS_PRODUCT_WINNT;
        if (strcasecmp(productType, "SERVERNT") == 0) flags |= OS_PRODUCT_SERVER;
      }
      break;
    default:
      break;
  }
  return flags;
}

int GetOsVersionFlags(DWORD* flags) {
  if (flags == nullptr) return 0;
  *flags = 0;
  OSVERSIONINFOEXA info;
  memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
  int extended = 1;
  if (!GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info))) {
    extended = 0;
    memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info))) return 0;
  }
  // Without the extended answer the product type would come from the registry's
  // ProductOptions key. This platform has no registry, so only the version bits are set then.
  *flags = OsVersionFlagsFrom(info, extended, nullptr);
  return 1;
}

int GenerateUuidBytes(BYTE* destination, int count) {
  if (destination == nullptr || count <= 0) return count == 0 ? 1 : 0;
  memset(destination, 0, static_cast<size_t>(count));
  for (int filled = 0; filled < count; filled += 16) {
    UUID uuid;
    if (UuidCreate(&uuid) == RPC_S_UUID_NO_ADDRESS) return 0;
    // The UUID's bytes in its memory order on the little-endian platform it was made for.
    BYTE bytes[16];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(uuid.Data1 >> (8 * i));
    bytes[4] = static_cast<BYTE>(uuid.Data2);
    bytes[5] = static_cast<BYTE>(uuid.Data2 >> 8);
    bytes[6] = static_cast<BYTE>(uuid.Data3);
    bytes[7] = static_cast<BYTE>(uuid.Data3 >> 8);
    memcpy(bytes + 8, uuid.Data4, 8);
    const int take = count - filled < 16 ? count - filled : 16;
    memcpy(destination + filled, bytes, static_cast<size_t>(take));
  }
  return 1;
}

int MakeUniqueIdIfEmpty(LPSTR text) {
  if (text == nullptr || text[0] != '\0') return 0;
  BYTE bytes[32];
  GenerateUuidBytes(bytes, 32);
  char hex[65] = "";
  BytesToHex(bytes, 32, hex);
  memcpy(text, hex, 30);
  text[30] = '\0';
  return 1;
}

int SplitString(LPSTR text, LPSTR* fields, int maxFields, LPSTR* rest) {
  if (rest != nullptr) *rest = nullptr;
  if (text == nullptr || fields == nullptr || maxFields <= 0) return 0;
  int count = 0;
  char* position = text;
  for (;;) {
    fields[count++] = position;
    char* bar = std::strchr(position, '|');
    if (bar == nullptr) return count;
    *bar = '\0';
    if (count == maxFields) {
      if (rest != nullptr) *rest = bar + 1;
      return count;
    }
    position = bar + 1;
  }
}
