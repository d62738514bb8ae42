#include "platform/kernel/Profile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Gbk.h"
#include "platform/base/WinError.h"
#include "platform/kernel/Files.h"

namespace platform {
namespace {

// Larger files are not settings files; refusing them keeps a stray path from eating memory.
const size_t MAX_PROFILE_BYTES = 16u * 1024u * 1024u;

std::mutex& ProfileLock() {
  static std::mutex m;
  return m;
}

struct Line {
  std::string text;  // without its line end
  std::string end;   // "\r\n", "\n" or empty (last line without a line end)
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-insensitive for ASCII letters only: the second byte of a GBK character may look like a
// letter and must be compared exactly.
bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  size_t i = 0;
  while (i < a.size()) {
    size_t n = GbkCharLength(a.data() + i, a.size() - i);
    if (n == 1) {
      if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    } else if (a.compare(i, n, b, i, n) != 0) {
      return false;
    }
    i += n;
  }
  return true;
}

// The position of the first `c` that is a character of its own (not the second byte of a GBK
// character), or npos.
size_t FindGbkChar(std::string_view s, char c, size_t from = 0) {
  size_t i = from;
  while (i < s.size()) {
    size_t n = GbkCharLength(s.data() + i, s.size() - i);
    if (n == 1 && s[i] == c) return i;
    i += n;
  }
  return std::string_view::npos;
}

// A section header's name, or false for other lines.
bool SectionName(std::string_view line, std::string_view* name) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() != '[') return false;
  size_t close = FindGbkChar(t, ']', 1);
  *name = Trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
  return true;
}

// A key line's key and value, or false for blank lines, comments and lines without '='.
bool KeyValue(std::string_view line, std::string_view* key, std::string_view* value) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '[') return false;
  size_t eq = t.find('=');  // '=' is never the second byte of a GBK character
  if (eq == std::string_view::npos) return false;
  *key = Trim(t.substr(0, eq));
  *value = Trim(t.substr(eq + 1));
  return true;
}

std::vector<Line> SplitLines(const std::string& bytes) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t nl = bytes.find('\n', pos);
    Line line;
    if (nl == std::string::npos) {
      line.text = bytes.substr(pos);
      pos = bytes.size();
    } else {
      line.text = bytes.substr(pos, nl - pos);
      line.end = "\n";
      pos = nl + 1;
    }
    if (!line.text.empty() && line.text.back() == '\r') {
      line.text.pop_back();
      line.end = "\r" + line.end;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

bool HasNoFolder(std::string_view utf8) { return utf8.find('/') == std::string_view::npos && utf8.find('\\') == std::string_view::npos; }

std::string ProfilePath(LPCSTR fileName) {
  std::string utf8 = GbkToUtf8(fileName);
  if (HasNoFolder(utf8) && !(utf8.size() >= 2 && utf8[1] == ':')) {
    return MapPath(Utf8ToGbk(SystemDirectory()) + "\\" + fileName);
  }
  return MapPath(fileName);
}

enum class ReadResult { OK, MISSING, FAILED };

ReadResult ReadFile(const std::string& path, std::string* out) {
  out->clear();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return errno == ENOENT || errno == ENOTDIR ? ReadResult::MISSING : ReadResult::FAILED;
  char buf[65536];
  size_t n;
  bool tooLarge = false;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    if (out->size() + n > MAX_PROFILE_BYTES) {
      tooLarge = true;
      break;
    }
    out->append(buf, n);
  }
  bool error = std::ferror(f) != 0;
  std::fclose(f);
  return error || tooLarge ? ReadResult::FAILED : ReadResult::OK;
}

// Finds the value of section/key. The file is read under the profile lock so that a reader never
// races a writer of this process.
bool LookUp(LPCSTR section, LPCSTR key, LPCSTR fileName, std::string* value) {
  std::string bytes;
  {
    std::lock_guard<std::mutex> g(ProfileLock());
    if (ReadFile(ProfilePath(fileName), &bytes) != ReadResult::OK) return false;
  }
  bool inSection = false;
  bool seenSection = false;
  for (const Line& line : SplitLines(bytes)) {
    std::string_view name, k, v;
    if (SectionName(line.text, &name)) {
      // Only the first section of that name is read.
      if (seenSection) return false;
      inSection = NamesEqual(name, section);
      seenSection = inSection;
    } else if (inSection && KeyValue(line.text, &k, &v) && NamesEqual(k, key)) {
      if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
      value->assign(v);
      return true;
    }
  }
  return false;
}

// A last line may end in a lone '\r', which is no line end to a reader: a line written after it
// would join it.
bool EndsLine(const Line& line) { return !line.end.empty() && line.end.back() == '\n'; }

bool HasLineBreak(LPCSTR s) { return s && (std::strchr(s, '\r') || std::strchr(s, '\n')); }

bool WriteWhole(const std::string& path, const std::vector<Line>& lines, mode_t mode) {
  std::string bytes;
  for (const Line& l : lines) bytes += l.text + l.end;
  std::string temp = path + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else done += static_cast<size_t>(n);
  }
  ok = ok && fchmod(fd, mode) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}

}  // namespace
}  // namespace platform

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR fileName) {
  if (!buffer || size == 0) return 0;
  if (!section || !key || !fileName) {
    buffer[0] = '\0';
    if (size > 1) buffer[1] = '\0';
    return 0;
  }
  std::string value;
  if (!platform::LookUp(section, key, fileName, &value)) {
    std::string_view d = defaultValue ? defaultValue : "";
    while (!d.empty() && platform::IsBlank(d.back())) d.remove_suffix(1);
    value.assign(d);
  }
  size_t n = value.size() < size ? value.size() : size - 1;
  n = GbkSafeCut(value.data(), n);
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return static_cast<DWORD>(n);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName) {
  std::string value;
  if (!section || !key || !fileName || !platform::LookUp(section, key, fileName, &value)) {
    return static_cast<UINT>(defaultValue);
  }
  size_t i = 0;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
  UINT result = 0;
  while (i < value.size() && value[i] >= '0' && value[i] <= '9') {
    result = result * 10u + static_cast<UINT>(value[i] - '0');
    ++i;
  }
  return negative ? 0u - result : result;
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
  if (!section && !key && !value) return TRUE;  // Windows' "flush the cache": nothing is cached here
  if (!section || !fileName || platform::HasLineBreak(section) || platform::HasLineBreak(key) ||
      platform::HasLineBreak(value) || (key && std::strchr(key, '=')) ||
      platform::FindGbkChar(section, ']') != std::string_view::npos) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> g(platform::ProfileLock());
  std::string path = platform::ProfilePath(fileName);
  // Replace the file the path leads to, not a symbolic link on the way.
  if (char* real = realpath(path.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  std::string bytes;
  platform::ReadResult read = platform::ReadFile(path, &bytes);
  if (read == platform::ReadResult::FAILED) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  mode_t mode = 0644;
  struct stat st;
  if (read == platform::ReadResult::OK && stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;

  std::vector<platform::Line> lines = platform::SplitLines(bytes);
  // The first section of that name: its header line and the end of its lines.
  size_t header = lines.size(), end = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view name;
    if (!platform::SectionName(lines[i].text, &name)) continue;
    if (header == lines.size()) {
      if (platform::NamesEqual(name, section)) header = i;
    } else {
      end = i;
      break;
    }
  }
  const std::string CRLF = "\r\n";
  bool changed = true;
  if (!key) {
    if (header == lines.size()) {
      changed = false;
    } else {
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header), lines.begin() + static_cast<std::ptrdiff_t>(end));
    }
  } else {
    size_t found = lines.size(), lastKey = header;
    for (size_t i = header == lines.size() ? lines.size() : header + 1; i < end; ++i) {
      std::string_view k, v;
      if (!platform::KeyValue(lines[i].text, &k, &v)) continue;
      lastKey = i;
      if (platform::NamesEqual(k, key)) {
        found = i;
        break;
      }
    }
    std::string entry = std::string(key) + "=" + (value ? value : "");
    if (found != lines.size()) {
      if (value) {
        lines[found].text = entry;
        lines[found].end = CRLF;
      } else {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(found));
      }
    } else if (!value) {
      changed = false;
    } else if (header != lines.size()) {
      // After the section's last key; the line before it must end.
      if (!platform::EndsLine(lines[lastKey])) lines[lastKey].end = CRLF;
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastKey + 1), platform::Line{entry, CRLF});
    } else {
      if (!lines.empty() && !platform::EndsLine(lines.back())) lines.back().end = CRLF;
      lines.push_back(platform::Line{"[" + std::string(section) + "]", CRLF});
      lines.push_back(platform::Line{entry, CRLF});
    }
  }
  if (!changed) return TRUE;
  if (!platform::WriteWhole(path, lines, mode)) {
    SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrnoToWinError(errno));
    return FALSE;
  }
  return TRUE;
}
