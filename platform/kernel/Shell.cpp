#include "platform/kernel/Shell.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <string_view>

#include "platform/base/WinError.h"
#include "platform/kernel/KernelObject.h"
#include "platform/kernel/Process.h"

namespace platform {
namespace {

std::mutex g_openerLock;
std::string g_opener;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// The address as it goes to the opener, or empty when it must not be opened.
std::string CheckedAddress(std::string_view url) {
  if (!StartsWithNoCase(url, "http://") && !StartsWithNoCase(url, "https://")) return {};
  std::string out;
  static const char HEX[] = "0123456789ABCDEF";
  for (char ch : url) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c == 0x7F) return {};
    if (c >= 0x80) {
      out += '%';
      out += HEX[c >> 4];
      out += HEX[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

std::string FindInPath(const std::string& name) {
  if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0 ? name : std::string();
  const char* path = std::getenv("PATH");
  std::string_view dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (!dirs.empty()) {
    size_t colon = dirs.find(':');
    std::string dir(dirs.substr(0, colon));
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    if (dir.empty()) continue;
    std::string candidate = dir + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

}  // namespace

void SetUrlOpener(const std::string& program) {
  std::lock_guard<std::mutex> g(g_openerLock);
  g_opener = program;
}

}  // namespace platform

HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT showCommand) {
  auto result = [](INT_PTR code) { return reinterpret_cast<HINSTANCE>(code); };
  if (!file) return result(SE_ERR_FNF);
  std::string_view verb = operation ? operation : "";
  if (!verb.empty() && verb != "open") return result(SE_ERR_NOASSOC);
  // "iexplore" names the browser and takes the address as its parameters.
  std::string_view target = file;
  size_t slash = target.find_last_of("\\/");
  std::string_view fileName = slash == std::string_view::npos ? target : target.substr(slash + 1);
  if ((fileName.size() == 8 || fileName.size() == 12) && platform::StartsWithNoCase(fileName, "iexplore") &&
      (fileName.size() == 8 || platform::StartsWithNoCase(fileName.substr(8), ".exe"))) {
    target = parameters ? parameters : "";
  } else if (parameters && *parameters) {
    return result(SE_ERR_NOASSOC);
  }
  std::string address = platform::CheckedAddress(target);
  if (address.empty()) return result(SE_ERR_NOASSOC);
  std::string opener;
  {
    std::lock_guard<std::mutex> g(platform::g_openerLock);
    opener = platform::g_opener.empty() ? std::string("xdg-open") : platform::g_opener;
  }
  std::string program = platform::FindInPath(opener);
  if (program.empty()) return result(SE_ERR_FNF);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(program.c_str(), address.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return result(SE_ERR_FNF);
  }
  // The opener is not waited for; the process layer reaps it when it ends.
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return result(42);
}
