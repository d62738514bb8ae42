// What the program asks about the system: the Windows version, random UUIDs and the addresses of
// the Ethernet adapters.
#pragma once

#include <ctime>
#include <string>

#include "platform/base/WinTypes.h"

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2
#define VER_NT_WORKSTATION 1
#define VER_NT_DOMAIN_CONTROLLER 2
#define VER_NT_SERVER 3

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
};
typedef OSVERSIONINFOA* LPOSVERSIONINFOA;
typedef OSVERSIONINFOA OSVERSIONINFO;
typedef LPOSVERSIONINFOA LPOSVERSIONINFO;

struct OSVERSIONINFOEXA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
  WORD wServicePackMajor;
  WORD wServicePackMinor;
  WORD wSuiteMask;
  BYTE wProductType;
  BYTE wReserved;
};
typedef OSVERSIONINFOEXA* LPOSVERSIONINFOEXA;
typedef OSVERSIONINFOEXA OSVERSIONINFOEX;
typedef LPOSVERSIONINFOEXA LPOSVERSIONINFOEX;

// The program runs its modern-Windows paths everywhere, so the system answers as Windows 7 SP1
// workstation: NT 6.1, build 7601. dwOSVersionInfoSize must be the size of OSVERSIONINFOA or of
// OSVERSIONINFOEXA (then the extended fields are filled); otherwise the call fails with
// ERROR_INSUFFICIENT_BUFFER, as on Windows.
BOOL GetVersionExA(LPOSVERSIONINFOA info);
#define GetVersionEx GetVersionExA
// Major version in the low byte, minor in the next, build in the high word; bit 31 clear (NT).
DWORD GetVersion();

typedef LONG RPC_STATUS;
// 16 bytes from the system's random source; RPC_S_OK, or RPC_S_UUID_NO_ADDRESS when the source
// cannot be read (the UUID is then all zero).
RPC_STATUS UuidCreate(UUID* uuid);

#ifndef ERROR_BUFFER_OVERFLOW
#define ERROR_BUFFER_OVERFLOW 111L
#endif
#ifndef ERROR_NO_DATA
#define ERROR_NO_DATA 232L
#endif

#define MAX_ADAPTER_NAME_LENGTH 256
#define MAX_ADAPTER_DESCRIPTION_LENGTH 128
#define MAX_ADAPTER_ADDRESS_LENGTH 8
#define MIB_IF_TYPE_OTHER 1
#define MIB_IF_TYPE_ETHERNET 6
#define MIB_IF_TYPE_LOOPBACK 24

struct IP_ADDRESS_STRING {
  char String[16];
};
typedef IP_ADDRESS_STRING IP_MASK_STRING;

struct IP_ADDR_STRING {
  IP_ADDR_STRING* Next;
  IP_ADDRESS_STRING IpAddress;
  IP_MASK_STRING IpMask;
  DWORD Context;
};

struct IP_ADAPTER_INFO {
  IP_ADAPTER_INFO* Next;
  DWORD ComboIndex;
  char AdapterName[MAX_ADAPTER_NAME_LENGTH + 4];
  char Description[MAX_ADAPTER_DESCRIPTION_LENGTH + 4];
  UINT AddressLength;
  BYTE Address[MAX_ADAPTER_ADDRESS_LENGTH];
  DWORD Index;
  UINT Type;
  UINT DhcpEnabled;
  IP_ADDR_STRING* CurrentIpAddress;
  IP_ADDR_STRING IpAddressList;
  IP_ADDR_STRING GatewayList;
  IP_ADDR_STRING DhcpServer;
  BOOL HaveWins;
  IP_ADDR_STRING PrimaryWinsServer;
  IP_ADDR_STRING SecondaryWinsServer;
  time_t LeaseObtained;
  time_t LeaseExpires;
};
typedef IP_ADAPTER_INFO* PIP_ADAPTER_INFO;

// The Ethernet adapters (interfaces of ARP hardware type 1 in /sys/class/net), sorted by interface
// name so that the order is stable, without those whose address is all zero. Each is reported as
// type MIB_IF_TYPE_ETHERNET with its hardware address; the IP fields are empty. The list lives in
// the caller's buffer, linked by Next. With a null buffer or a size that is too small the call
// stores the size needed and answers ERROR_BUFFER_OVERFLOW; without any adapter it answers
// ERROR_NO_DATA; ERROR_INVALID_PARAMETER for a null size.
DWORD GetAdaptersInfo(PIP_ADAPTER_INFO info, ULONG* size);

namespace platform {
// For tests: the folder read instead of /sys/class/net (empty restores it).
void SetNetSysfsRoot(const std::string& root);
}  // namespace platform
