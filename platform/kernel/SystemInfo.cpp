#include "platform/kernel/SystemInfo.h"

#include <dirent.h>
#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/base/WinError.h"

namespace platform {
namespace {

const DWORD MAJOR = 6;
const DWORD MINOR = 1;
const DWORD BUILD = 7601;

std::mutex& RootLock() {
  static std::mutex m;
  return m;
}
std::string& RootOverride() {
  static std::string root;
  return root;
}

std::string NetRoot() {
  std::lock_guard<std::mutex> g(RootLock());
  return RootOverride().empty() ? std::string("/sys/class/net") : RootOverride();
}

// The first line of a small sysfs file, without its line end; empty when it cannot be read.
std::string ReadFirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) return std::string();
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "aa:bb:cc:dd:ee:ff" (1 to 8 bytes of two hex digits) into bytes; false when malformed.
bool ParseHardwareAddress(const std::string& text, std::vector<BYTE>* out) {
  out->clear();
  size_t i = 0;
  while (i < text.size()) {
    if (i + 2 > text.size()) return false;
    int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<BYTE>(hi * 16 + lo));
    i += 2;
    if (i == text.size()) break;
    if (text[i] != ':') return false;
    ++i;
    if (i == text.size()) return false;
  }
  return !out->empty() && out->size() <= MAX_ADAPTER_ADDRESS_LENGTH;
}

struct Adapter {
  std::string name;
  std::vector<BYTE> address;
  DWORD index;
};

std::vector<Adapter> EthernetAdapters() {
  std::string root = NetRoot();
  std::vector<Adapter> found;
  DIR* dir = opendir(root.c_str());
  if (!dir) return found;
  std::vector<std::string> names;
  while (dirent* e = readdir(dir)) {
    std::string name(e->d_name);
    if (name == "." || name == ".." || name.size() > MAX_ADAPTER_NAME_LENGTH) continue;
    names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    std::string base = root + "/" + name + "/";
    if (ReadFirstLine(base + "type") != "1") continue;
    Adapter a{name, {}, 0};
    if (!ParseHardwareAddress(ReadFirstLine(base + "address"), &a.address)) continue;
    if (std::all_of(a.address.begin(), a.address.end(), [](BYTE b) { return b == 0; })) continue;
    std::string index = ReadFirstLine(base + "ifindex");
    char* end = nullptr;
    unsigned long value = std::strtoul(index.c_str(), &end, 10);
    if (!index.empty() && end && *end == '\0' && value <= 0xFFFFFFFFul) a.index = static_cast<DWORD>(value);
    found.push_back(std::move(a));
  }
  return found;
}

}  // namespace

void SetNetSysfsRoot(const std::string& root) {
  std::lock_guard<std::mutex> g(RootLock());
  RootOverride() = root;
}

}  // namespace platform

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD size = info->dwOSVersionInfoSize;
  if (size != sizeof(OSVERSIONINFOA) && size != sizeof(OSVERSIONINFOEXA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  info->dwMajorVersion = platform::MAJOR;
  info->dwMinorVersion = platform::MINOR;
  info->dwBuildNumber = platform::BUILD;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  std::strcpy(info->szCSDVersion, "Service Pack 1");
  if (size == sizeof(OSVERSIONINFOEXA)) {
    auto* ex = reinterpret_cast<LPOSVERSIONINFOEXA>(info);
    ex->wServicePackMajor = 1;
    ex->wServicePackMinor = 0;
    ex->wSuiteMask = 0;
    ex->wProductType = VER_NT_WORKSTATION;
    ex->wReserved = 0;
  }
  return TRUE;
}

DWORD GetVersion() { return (platform::BUILD << 16) | (platform::MINOR << 8) | platform::MAJOR; }

RPC_STATUS UuidCreate(UUID* uuid) {
  if (!uuid) return ERROR_INVALID_PARAMETER;
  BYTE bytes[16];
  size_t got = 0;
  while (got < sizeof bytes) {
    ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      std::memset(uuid, 0, sizeof *uuid);
      return RPC_S_UUID_NO_ADDRESS;
    }
    got += static_cast<size_t>(n);
  }
  static_assert(sizeof(UUID) == 16, "a UUID is 16 bytes");
  std::memcpy(uuid, bytes, sizeof bytes);
  return RPC_S_OK;
}

DWORD GetAdaptersInfo(PIP_ADAPTER_INFO info, ULONG* size) {
  if (!size) return ERROR_INVALID_PARAMETER;
  std::vector<platform::Adapter> adapters = platform::EthernetAdapters();
  if (adapters.empty()) return ERROR_NO_DATA;
  ULONG needed = static_cast<ULONG>(adapters.size() * sizeof(IP_ADAPTER_INFO));
  if (!info || *size < needed) {
    *size = needed;
    return ERROR_BUFFER_OVERFLOW;
  }
  std::memset(info, 0, needed);
  for (size_t i = 0; i < adapters.size(); ++i) {
    IP_ADAPTER_INFO& a = info[i];
    const platform::Adapter& src = adapters[i];
    a.Next = i + 1 < adapters.size() ? &info[i + 1] : nullptr;
    a.ComboIndex = src.index;
    a.Index = src.index;
    std::memcpy(a.AdapterName, src.name.c_str(), src.name.size() + 1);
    size_t d = std::min(src.name.size(), static_cast<size_t>(MAX_ADAPTER_DESCRIPTION_LENGTH));
    std::memcpy(a.Description, src.name.data(), d);
    a.AddressLength = static_cast<UINT>(src.address.size());
    std::memcpy(a.Address, src.address.data(), src.address.size());
    a.Type = MIB_IF_TYPE_ETHERNET;
    std::strcpy(a.IpAddressList.IpAddress.String, "0.0.0.0");
    std::strcpy(a.IpAddressList.IpMask.String, "0.0.0.0");
    std::strcpy(a.GatewayList.IpAddress.String, "0.0.0.0");
    std::strcpy(a.GatewayList.IpMask.String, "0.0.0.0");
  }
  return ERROR_SUCCESS;
}
