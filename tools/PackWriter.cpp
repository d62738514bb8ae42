#include "tools/PackWriter.h"

#include <cstdio>
#include <cstring>

#include "engine/EngineUtil.h"

namespace {

void Set32(std::vector<BYTE>& out, size_t at, DWORD v) {
  for (int i = 0; i < 4; i++) out[at + i] = static_cast<BYTE>(v >> (8 * i));
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
  }
  return s;
}

}  // namespace

std::string KindSuffixOfExtension(const std::string& extension) {
  static const struct {
    const char* suffix;
    std::vector<const char*> extensions;
  } TABLE[] = {
      {".imge", {".pps", ".png", ".jpg", ".gif", ".bmp", ".mng", ".ico", ".tga", ".tif", ".pcx", ".wbmp", ".wmf"}},
      {".sound", {".mp3", ".wav", ".ogg", ".mid"}},
      {".text", {".txt", ".doc"}},
      {".ini", {".ini", ".xyi"}},
      {".vedio", {".avi", ".rm", ".rmvb", ".mpeg"}},
      {".script", {".xys", ".lua"}},
      {".flash", {".swf", ".flv"}},
      {".http", {".htm", ".asp", ".html", ".aspx", ".jsp", ".php", ".cgi"}},
  };
  const std::string ext = Lower(extension);
  for (const auto& row : TABLE) {
    for (const char* e : row.extensions) {
      if (ext == e) return row.suffix;
    }
  }
  return ext;
}

std::string PackResourceName(const std::string& fileName) {
  char title[MAX_PATH];
  char extension[MAX_PATH];
  GetFileTitle(fileName.c_str(), title, sizeof title);
  GetFileExt(fileName.c_str(), extension);
  return std::string(title) + KindSuffixOfExtension(extension);
}

std::vector<BYTE> MakePaletteRecord(const std::string& name, const std::vector<BYTE>& rgb) {
  std::vector<BYTE> out(34, 0);
  std::memcpy(out.data(), name.data(), name.size() < 31 ? name.size() : 31);
  const DWORD count = static_cast<DWORD>(rgb.size() / 3);
  out[32] = static_cast<BYTE>(count);
  out[33] = static_cast<BYTE>(count >> 8);
  out.insert(out.end(), rgb.begin(), rgb.begin() + count * 3);
  return out;
}

void PackWriter::Add(const std::string& resourceName, const std::string& extension, const std::vector<BYTE>& bytes) {
  m_entries.push_back(Entry{resourceName, Lower(extension), bytes});
}

void PackWriter::AddFile(const std::string& fileName, const std::vector<BYTE>& bytes) {
  char extension[MAX_PATH];
  GetFileExt(fileName.c_str(), extension);
  Add(PackResourceName(fileName), extension, bytes);
}

std::vector<BYTE> PackWriter::Write() const {
  const size_t indexEnd = 176 + m_entries.size() * 32;
  std::vector<BYTE> out(indexEnd, 0);
  Set32(out, 100, static_cast<DWORD>(m_entries.size()));
  Set32(out, 104, static_cast<DWORD>(m_entries.size()));
  size_t at = indexEnd;
  for (size_t i = 0; i < m_entries.size(); i++) {
    const Entry& e = m_entries[i];
    const size_t index = 176 + i * 32;
    Set32(out, index, RSHash(e.name.c_str()));
    Set32(out, index + 4, JSHash(e.name.c_str()));
    Set32(out, index + 8, Hash31(e.name.c_str()));
    Set32(out, index + 12, static_cast<DWORD>(at));
    Set32(out, index + 16, static_cast<DWORD>(e.bytes.size()));
    Set32(out, index + 20, RSHash(e.extension.c_str()));
    at += e.bytes.size();
  }
  for (const Entry& e : m_entries) out.insert(out.end(), e.bytes.begin(), e.bytes.end());
  return out;
}

bool PackWriter::WriteFile(const std::string& path) const {
  const std::vector<BYTE> bytes = Write();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}
