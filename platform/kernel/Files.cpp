#include "platform/kernel/Files.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/base/Gbk.h"
#include "platform/base/WinError.h"
#include "platform/kernel/KernelObject.h"

namespace platform {
namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string AsciiLowerString(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

bool HasNonAscii(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    if (n == 2 && c < 0xC2) return false;  // overlong
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

// Separators, drive prefix and repeated separators, on a path that is already UTF-8 (where a '\'
// byte is always a separator; in GBK it can be the second byte of a character).
std::string NormalizeSeparators(std::string_view utf8) {
  std::string s(utf8);
  std::replace(s.begin(), s.end(), '\\', '/');
  if (s.size() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'))) {
    s.erase(0, 2);
  }
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out.push_back(c);
  }
  return out;
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// Looks for `name` in `folder` without regard to ASCII case; the smallest such name in byte
// order, or an empty text.
std::string FindFolded(const std::string& folder, const std::string& name) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return std::string();
  std::string wanted = AsciiLowerString(name);
  std::string best;
  while (dirent* e = readdir(dir)) {
    std::string_view entry(e->d_name);
    if (entry.size() != wanted.size() || AsciiLowerString(entry) != wanted) continue;
    if (best.empty() || entry < best) best.assign(entry);
  }
  closedir(dir);
  return best;
}

// Resolves each name of a normalised UTF-8 path as described in Files.h.
std::string ResolveComponents(const std::string& path) {
  if (path.empty()) return path;
  std::string out = path[0] == '/' ? "/" : "";
  bool missing = false;  // once a folder is missing, nothing below it can be found
  size_t pos = path[0] == '/' ? 1 : 0;
  while (pos < path.size()) {
    size_t end = path.find('/', pos);
    bool last = end == std::string::npos;
    std::string name = path.substr(pos, last ? std::string::npos : end - pos);
    std::string folder = out;
    if (!missing && name != "." && name != ".." && !Exists(out + name)) {
      std::string folded = FindFolded(folder, name);
      if (!folded.empty()) {
        name = folded;
      } else {
        missing = true;
      }
    }
    out += name;
    if (!last) out += '/';
    pos = last ? path.size() : end + 1;
  }
  return out;
}

// Both readings of a caller's path: as GBK (the program's text) and, when it is valid UTF-8 with
// non-ASCII bytes, as UTF-8 (a real path handed back by one of our own calls or the system).
// The UTF-8 reading wins only when it names something that exists and the GBK reading does not.
std::string ToNativePath(std::string_view path) {
  std::string asGbk = ResolveComponents(NormalizeSeparators(GbkToUtf8(path)));
  if (HasNonAscii(path) && IsValidUtf8(path)) {
    std::string asUtf8 = ResolveComponents(NormalizeSeparators(path));
    if (asUtf8 != asGbk && !Exists(asGbk) && Exists(asUtf8)) return asUtf8;
  }
  return asGbk;
}

// The Windows error for a missing path: a missing file, or a missing folder on the way.
DWORD MissingError(const std::string& native) {
  std::string s = native;
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  size_t slash = s.rfind('/');
  if (slash == std::string::npos) return ERROR_FILE_NOT_FOUND;
  std::string parent = slash == 0 ? "/" : s.substr(0, slash);
  struct stat st;
  if (stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return ERROR_FILE_NOT_FOUND;
  return ERROR_PATH_NOT_FOUND;
}

DWORD FileErrorFromErrno(int err, const std::string& native) {
  if (err == ENOENT) return MissingError(native);
  if (err == EISDIR) return ERROR_ACCESS_DENIED;
  return ErrnoToWinError(err);
}

DWORD AttributesOf(const struct stat& st) {
  DWORD attrs = 0;
  if (S_ISDIR(st.st_mode)) attrs |= FILE_ATTRIBUTE_DIRECTORY;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attrs |= FILE_ATTRIBUTE_READONLY;
  return attrs == 0 ? FILE_ATTRIBUTE_NORMAL : attrs;
}

FILETIME ToFileTime(const timespec& ts) {
  // 100-nanosecond intervals since 1 January 1601 (UTC).
  const int64_t EPOCH_DIFFERENCE = 11644473600LL;
  int64_t sec = static_cast<int64_t>(ts.tv_sec) + EPOCH_DIFFERENCE;
  uint64_t value = sec < 0 ? 0 : static_cast<uint64_t>(sec) * 10000000ull + static_cast<uint64_t>(ts.tv_nsec) / 100u;
  return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}

// UTF-8 to code points; a byte that does not start a valid sequence stands for itself
// (offset into a private range) so that two different names never compare equal.
std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    bool ok = n > 0 && i + n <= s.size();
    for (size_t k = 1; ok && k < n; ++k) ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (!ok) {
      out.push_back(0xF0000u + c);
      ++i;
      continue;
    }
    char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out.push_back(cp);
    i += n;
  }
  return out;
}

char32_t FoldCase(char32_t c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

bool MatchFrom(const std::u32string& p, size_t pi, const std::u32string& n, size_t ni) {
  // Iterative matching with one back-tracking point for the last '*'.
  size_t starP = std::u32string::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == '?' || (p[pi] != '*' && FoldCase(p[pi]) == FoldCase(n[ni])))) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == '*') {
      starP = pi++;
      starN = ni;
    } else if (starP != std::u32string::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

class FindObject : public KernelObject {
 public:
  explicit FindObject(std::vector<WIN32_FIND_DATAA> entries) : m_entries(std::move(entries)) {}
  bool IsWaitable() const override { return false; }
  bool Next(WIN32_FIND_DATAA* out) {
    std::lock_guard<std::mutex> g(m_lock);
    if (m_next >= m_entries.size()) return false;
    *out = m_entries[m_next++];
    return true;
  }

 private:
  std::mutex m_lock;
  std::vector<WIN32_FIND_DATAA> m_entries;
  size_t m_next = 0;
};

std::mutex& OverrideLock() {
  static std::mutex m;
  return m;
}
std::string& ModuleOverride() {
  static std::string path;
  return path;
}

std::string ExecutablePath() {
  {
    std::lock_guard<std::mutex> g(OverrideLock());
    if (!ModuleOverride().empty()) return ModuleOverride();
  }
  std::string buf(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
  if (n <= 0 || static_cast<size_t>(n) >= buf.size()) return std::string();
  buf.resize(static_cast<size_t>(n));
  return buf;
}

// Copies `text` into a Windows-style buffer: the length on success; when it does not fit, the
// size needed (terminator included), leaving the buffer alone.
DWORD CopyOrNeeded(const std::string& text, LPSTR buffer, DWORD size) {
  if (!buffer || size < text.size() + 1) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

bool MakeFolders(const std::string& path) {
  std::string partial;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t end = path.find('/', pos);
    if (end == std::string::npos) end = path.size();
    partial = path.substr(0, end);
    if (!partial.empty() && mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return false;
    pos = end + 1;
  }
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string MapPath(std::string_view path) { return ToNativePath(path); }

bool MatchWildcard(std::string_view pattern, std::string_view name) {
  std::u32string p = DecodeUtf8(pattern);
  std::u32string n = DecodeUtf8(name);
  if (MatchFrom(p, 0, n, 0)) return true;
  // A trailing ".*" also matches a name without an extension.
  if (p.size() >= 2 && p[p.size() - 2] == '.' && p.back() == '*') {
    return MatchFrom(p.substr(0, p.size() - 2), 0, n, 0);
  }
  return false;
}

void SetModuleFileNameOverride(const std::string& nativePath) {
  std::lock_guard<std::mutex> g(OverrideLock());
  ModuleOverride() = nativePath;
}

std::string SystemDirectory() {
  std::string dir;
  const char* over = std::getenv("PXQD_SYSTEM_DIR");
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if (over && *over) {
    dir = over;
  } else if (xdg && xdg[0] == '/') {
    dir = std::string(xdg) + "/pxqd";
  } else {
    std::string h = home && *home ? home : "";
    if (h.empty()) {
      if (passwd* pw = getpwuid(getuid())) h = pw->pw_dir ? pw->pw_dir : "";
    }
    if (h.empty()) h = "/tmp";
    dir = h + "/.config/pxqd";
  }
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  MakeFolders(dir);
  return dir;
}

std::string UserDataDirectory() {
  std::string dir;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') {
    dir = std::string(xdg) + "/pxqd";
  } else {
    const char* home = std::getenv("HOME");
    std::string h = home && *home ? home : "";
    if (h.empty()) {
      if (passwd* pw = getpwuid(getuid())) h = pw->pw_dir ? pw->pw_dir : "";
    }
    if (h.empty()) h = "/tmp";
    dir = h + "/.local/share/pxqd";
  }
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  MakeFolders(dir);
  return dir;
}

}  // namespace platform

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  // Split the UTF-8 form, where a '\' byte can only be a separator.
  std::string_view raw(pattern);
  std::string utf8 = GbkToUtf8(raw);
  if (platform::HasNonAscii(raw) && platform::IsValidUtf8(raw)) {
    // A real UTF-8 path: prefer it when its folder exists and the GBK reading's does not.
    std::string asUtf8 = platform::NormalizeSeparators(raw);
    size_t s1 = asUtf8.rfind('/');
    std::string gbkNorm = platform::NormalizeSeparators(utf8);
    size_t s2 = gbkNorm.rfind('/');
    std::string f1 = s1 == std::string::npos ? "." : platform::ResolveComponents(asUtf8.substr(0, s1 + 1));
    std::string f2 = s2 == std::string::npos ? "." : platform::ResolveComponents(gbkNorm.substr(0, s2 + 1));
    if (!platform::Exists(f2) && platform::Exists(f1)) utf8.assign(raw);
  }
  std::string norm = platform::NormalizeSeparators(utf8);
  size_t slash = norm.rfind('/');
  std::string folder = slash == std::string::npos ? "" : platform::ResolveComponents(norm.substr(0, slash + 1));
  std::string namePattern = slash == std::string::npos ? norm : norm.substr(slash + 1);
  if (namePattern.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::string openName = folder.empty() ? "." : folder;
  DIR* dir = opendir(openName.c_str());
  if (!dir) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  bool root = openName == "/";
  std::vector<std::string> names;
  while (dirent* e = readdir(dir)) {
    std::string_view name(e->d_name);
    if (root && (name == "." || name == "..")) continue;
    if (platform::MatchWildcard(namePattern, name)) names.emplace_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    std::string la = platform::AsciiLowerString(a), lb = platform::AsciiLowerString(b);
    return la != lb ? la < lb : a < b;
  });
  std::string prefix = openName.back() == '/' ? openName : openName + "/";
  std::vector<WIN32_FIND_DATAA> entries;
  for (const std::string& name : names) {
    std::string gbk = Utf8ToGbk(name);
    if (gbk.size() >= MAX_PATH) continue;
    struct stat st;
    std::string full = prefix + name;
    if (stat(full.c_str(), &st) != 0 && lstat(full.c_str(), &st) != 0) continue;
    WIN32_FIND_DATAA d;
    std::memset(&d, 0, sizeof d);
    d.dwFileAttributes = platform::AttributesOf(st);
    d.ftCreationTime = platform::ToFileTime(st.st_mtim);
    d.ftLastAccessTime = platform::ToFileTime(st.st_atim);
    d.ftLastWriteTime = platform::ToFileTime(st.st_mtim);
    if (!S_ISDIR(st.st_mode)) {
      uint64_t size = static_cast<uint64_t>(st.st_size);
      d.nFileSizeHigh = static_cast<DWORD>(size >> 32);
      d.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    }
    std::memcpy(d.cFileName, gbk.c_str(), gbk.size() + 1);
    entries.push_back(d);
  }
  if (entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto find = std::make_shared<platform::FindObject>(std::move(entries));
  find->Next(data);
  HANDLE h = platform::RegisterKernelObject(find);
  SetLastError(ERROR_SUCCESS);
  return h;
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
  auto f = platform::LookupKernelObjectAs<platform::FindObject>(find);
  if (!f || !data) {
    SetLastError(f ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!f->Next(data)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  return TRUE;
}

BOOL FindClose(HANDLE find) {
  if (!platform::LookupKernelObjectAs<platform::FindObject>(find)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(find);
}

BOOL CreateDirectoryA(LPCSTR path, void*) {
  if (!path || !*path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  std::string native = platform::MapPath(path);
  if (mkdir(native.c_str(), 0777) != 0) {
    SetLastError(platform::FileErrorFromErrno(errno, native) == ERROR_FILE_NOT_FOUND
                     ? ERROR_PATH_NOT_FOUND
                     : platform::FileErrorFromErrno(errno, native));
    return FALSE;
  }
  return TRUE;
}

BOOL DeleteFileA(LPCSTR path) {
  if (!path || !*path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  std::string native = platform::MapPath(path);
  struct stat st;
  if (lstat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (unlink(native.c_str()) != 0) {
    SetLastError(platform::FileErrorFromErrno(errno, native));
    return FALSE;
  }
  return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR path) {
  if (!path || !*path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  std::string native = platform::MapPath(path);
  if (rmdir(native.c_str()) != 0) {
    SetLastError(platform::FileErrorFromErrno(errno, native));
    return FALSE;
  }
  return TRUE;
}

DWORD GetFileAttributesA(LPCSTR path) {
  if (!path || !*path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  std::string native = platform::MapPath(path);
  struct stat st;
  if (stat(native.c_str(), &st) != 0) {
    SetLastError(platform::FileErrorFromErrno(errno, native));
    return INVALID_FILE_ATTRIBUTES;
  }
  return platform::AttributesOf(st);
}

DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) {
  if (!longPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (GetFileAttributesA(longPath) == INVALID_FILE_ATTRIBUTES) return 0;
  const size_t length = std::strlen(longPath);
  if (!shortPath || length + 1 > size) return static_cast<DWORD>(length + 1);
  // The source and the target may be one buffer.
  std::memmove(shortPath, longPath, length + 1);
  return static_cast<DWORD>(length);
}

DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size) {
  if (!buffer || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::string path = platform::ExecutablePath();
  if (path.empty()) {
    buffer[0] = '\0';
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  std::string gbk = Utf8ToGbk(path);
  if (gbk.size() < size) {
    std::memcpy(buffer, gbk.c_str(), gbk.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(gbk.size());
  }
  size_t cut = GbkSafeCut(gbk.data(), size - 1);
  std::memcpy(buffer, gbk.data(), cut);
  buffer[cut] = '\0';
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
  if (!cwd) {
    SetLastError(ErrnoToWinError(errno));
    return 0;
  }
  return platform::CopyOrNeeded(Utf8ToGbk(cwd.get()), buffer, size);
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
  return platform::CopyOrNeeded(Utf8ToGbk(platform::SystemDirectory()), buffer, size);
}

FILE* PlatformFopen(const char* path, const char* mode) {
  if (!path || !mode) {
    errno = EINVAL;
    return nullptr;
  }
  return std::fopen(platform::MapPath(path).c_str(), mode);
}
