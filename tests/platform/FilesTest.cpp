#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/WinError.h"
#include "platform/kernel/Kernel.h"
#include "tests/support/TempDir.h"

namespace {

// UTF-8 text from a u8 literal (narrow literals are GBK in this build).
std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// A folder with mixed-case and GBK-named entries:
//   Data/Sub/File.TXT, Sound/0Music/, Sound/1Voice/, Sound/zz.wav, 音乐/曲.bmp, 乗/x.txt
class PathFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir.Write("Data/Sub/File.TXT", "hello");
    m_dir.Write("Sound/0Music/a", "");
    m_dir.Write("Sound/1Voice/b", "");
    m_dir.Write("Sound/zz.wav", "");
    m_dir.Write(U8(u8"音乐/曲.bmp"), "bmp");
    m_dir.Write(U8(u8"乗/x.txt"), "");
  }
  // The caller's Windows-style spelling of a path inside the folder.
  std::string Win(const std::string& rest) const { return m_dir.Path() + "\\" + rest; }
  testsupport::TempDir m_dir;
};

TEST_F(PathFixture, MappingTable) {
  struct Case {
    std::string in;
    std::string out;  // relative to the folder
  } cases[] = {
      {"Data\\Sub\\File.TXT", "Data/Sub/File.TXT"},
      {"data\\SUB\\file.txt", "Data/Sub/File.TXT"},          // case-insensitive per name
      {"Data/Sub\\\\File.TXT", "Data/Sub/File.TXT"},         // mixed and repeated separators
      {"DATA\\sub\\new.txt", "Data/Sub/new.txt"},            // a missing last name is kept as given
      {"data\\Missing\\File.TXT", "Data/Missing/File.TXT"},  // nothing below a missing folder is found
      {"音乐\\曲.BMP", U8(u8"音乐/曲.bmp")},                  // GBK names become UTF-8
      {"乗\\x.txt", U8(u8"乗/x.txt")},                        // a GBK trail byte 0x5C is no separator
      {"Sound\\", "Sound/"},
      {".\\Sound\\..\\Data", "./Sound/../Data"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(m_dir.Path() + "/" + c.out, platform::MapPath(Win(c.in)));
  }
}

TEST(PathMapping, DrivePrefixAndEmpty) {
  EXPECT_EQ("/games/mj/a.ini", platform::MapPath("C:\\games\\mj\\a.ini"));
  EXPECT_EQ("relative/x", platform::MapPath("d:relative\\x"));
  EXPECT_EQ("", platform::MapPath(""));
}

TEST_F(PathFixture, RealUtf8PathsAreTakenAsTheyAre) {
  // A real path handed back by the system may hold UTF-8 that is not the GBK reading.
  std::string real = m_dir.Path() + U8(u8"/音乐/曲.bmp");
  EXPECT_EQ(real, platform::MapPath(real));
  FILE* f = PlatformFopen(real.c_str(), "rb");
  ASSERT_NE(nullptr, f);
  fclose(f);
  EXPECT_EQ((DWORD)FILE_ATTRIBUTE_NORMAL, GetFileAttributesA(real.c_str()));
  WIN32_FIND_DATAA d;
  HANDLE h = FindFirstFileA((m_dir.Path() + U8(u8"/音乐/*.BMP")).c_str(), &d);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  EXPECT_STREQ("曲.bmp", d.cFileName);  // names come back in GBK
  FindClose(h);
}

TEST_F(PathFixture, FopenMapsThePath) {
  FILE* f = PlatformFopen(Win("DATA\\sub\\file.txt").c_str(), "rt");
  ASSERT_NE(nullptr, f);
  char buf[8] = {};
  EXPECT_EQ(5u, fread(buf, 1, sizeof buf, f));
  EXPECT_STREQ("hello", buf);
  fclose(f);
  f = PlatformFopen(Win("音乐\\log.txt").c_str(), "at");
  ASSERT_NE(nullptr, f);
  fputs("x", f);
  fclose(f);
  EXPECT_EQ("x", testsupport::TempDir::Read(m_dir.Path() + U8(u8"/音乐/log.txt")));
  EXPECT_EQ(nullptr, PlatformFopen(nullptr, "r"));
}

TEST(Wildcards, MatchTable) {
  struct Case {
    const char* pattern;
    std::string name;
    bool match;
  } cases[] = {
      {"*", "a.b", true},        {"*", ".", true},           {"*.*", "noext", true},
      {"*.*", "a.b.c", true},    {"*.bmp", "x.BMP", true},   {"*.bmp", "x.bmpx", false},
      {"*.bmp", ".bmp", true},   {"?.txt", "a.txt", true},   {"?.txt", "ab.txt", false},
      {"a?c", "abc", true},      {"a?c", "ac", false},       {"a*c", "ac", true},
      {"a*b*c", "aXbYbZc", true}, {"a*b*c", "aXc", false},   {"file.txt", "FILE.TXT", true},
      {"a.*", "a", true},        {"a.*", "ab", false},       {"?", U8(u8"曲"), true},  // one character, not one byte
      {"*.bmp", "a.bmp ", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " ~ " + c.name);
    EXPECT_EQ(c.match, platform::MatchWildcard(c.pattern, c.name));
  }
}

std::vector<std::string> ListNames(const std::string& pattern, std::vector<DWORD>* attrs = nullptr) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA d;
  HANDLE h = FindFirstFileA(pattern.c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(d.cFileName);
    if (attrs) attrs->push_back(d.dwFileAttributes);
  } while (FindNextFileA(h, &d));
  EXPECT_EQ((DWORD)ERROR_NO_MORE_FILES, GetLastError());
  EXPECT_TRUE(FindClose(h));
  return names;
}

TEST_F(PathFixture, FindTable) {
  m_dir.Write("Faces/b.bmp", "");
  m_dir.Write("Faces/A.bmp", "");
  m_dir.Write("Faces/c.BMP", "");
  m_dir.Write("Faces/d.jpg", "");
  m_dir.Write("Faces/e", "");
  struct Case {
    const char* pattern;
    std::vector<std::string> names;
  } cases[] = {
      {"Faces\\*.bmp", {"A.bmp", "b.bmp", "c.BMP"}},
      {"faces\\*.*", {".", "..", "A.bmp", "b.bmp", "c.BMP", "d.jpg", "e"}},
      {"Faces\\*", {".", "..", "A.bmp", "b.bmp", "c.BMP", "d.jpg", "e"}},
      {"Faces\\?.jpg", {"d.jpg"}},
      {"Faces\\B.BMP", {"b.bmp"}},
      {"Sound\\*.*", {".", "..", "0Music", "1Voice", "zz.wav"}},
      {"音乐\\*.bmp", {"曲.bmp"}},  // names come back in GBK
      {"Faces\\*.png", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(c.names, ListNames(Win(c.pattern)));
  }
}

TEST_F(PathFixture, FindErrorsAndAttributes) {
  WIN32_FIND_DATAA d;
  EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA(Win("Sound\\*.png").c_str(), &d));
  EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, GetLastError());
  EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA(Win("Nowhere\\*.*").c_str(), &d));
  EXPECT_EQ((DWORD)ERROR_PATH_NOT_FOUND, GetLastError());
  EXPECT_FALSE(FindNextFileA(INVALID_HANDLE_VALUE, &d));
  EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));

  std::string ro = m_dir.Write("Faces/ro.bmp", "");
  chmod(ro.c_str(), 0444);
  std::vector<DWORD> attrs;
  std::vector<std::string> names = ListNames(Win("Faces\\*.*"), &attrs);
  ASSERT_EQ(3u, names.size());
  EXPECT_EQ((DWORD)FILE_ATTRIBUTE_DIRECTORY, attrs[0]);  // "."
  EXPECT_EQ((DWORD)FILE_ATTRIBUTE_READONLY, attrs[2]);
  EXPECT_EQ((DWORD)FILE_ATTRIBUTE_NORMAL, GetFileAttributesA(Win("sound\\ZZ.wav").c_str()));
  EXPECT_EQ((DWORD)FILE_ATTRIBUTE_READONLY, GetFileAttributesA(Win("faces\\RO.bmp").c_str()));
  EXPECT_EQ((DWORD)FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA(Win("SOUND\\0music\\").c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Win("Sound\\none.wav").c_str()));
  EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, GetLastError());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Win("None\\none.wav").c_str()));
  EXPECT_EQ((DWORD)ERROR_PATH_NOT_FOUND, GetLastError());

  // A find handle is not waitable.
  HANDLE h = FindFirstFileA(Win("Faces\\*.*").c_str(), &d);
  EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(h, 0));
  FindClose(h);
}

TEST_F(PathFixture, ShortPathNamesAreTheLongOnes) {
  const std::string path = Win("sound\\ZZ.WAV");
  char buffer[MAX_PATH];
  EXPECT_EQ(GetShortPathNameA(path.c_str(), buffer, sizeof buffer), path.size());
  EXPECT_EQ(std::string(buffer), path);
  // In place, as the game sound calls it.
  std::strcpy(buffer, path.c_str());
  EXPECT_EQ(GetShortPathNameA(buffer, buffer, sizeof buffer), path.size());
  EXPECT_EQ(std::string(buffer), path);
  char small[4] = "abc";
  EXPECT_EQ(GetShortPathNameA(path.c_str(), small, sizeof small), path.size() + 1);
  EXPECT_STREQ(small, "abc");
  EXPECT_EQ(GetShortPathNameA(Win("missing.wav").c_str(), buffer, sizeof buffer), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(PathFixture, CreateAndRemove) {
  struct Step {
    const char* what;
    BOOL (*call)(LPCSTR);
    std::string path;
    BOOL ok;
    DWORD error;
  } steps[] = {
      {"create", [](LPCSTR p) { return CreateDirectoryA(p, nullptr); }, "temp\\", TRUE, 0},
      {"create again", [](LPCSTR p) { return CreateDirectoryA(p, nullptr); }, "TEMP", FALSE, ERROR_ALREADY_EXISTS},
      {"create below a missing folder", [](LPCSTR p) { return CreateDirectoryA(p, nullptr); }, "no\\temp", FALSE,
       ERROR_PATH_NOT_FOUND},
      {"create a GBK name", [](LPCSTR p) { return CreateDirectoryA(p, nullptr); }, "temp\\音乐", TRUE, 0},
      {"remove a folder that is not empty", RemoveDirectoryA, "Temp", FALSE, ERROR_DIR_NOT_EMPTY},
      {"delete a folder as a file", DeleteFileA, "temp\\音乐", FALSE, ERROR_ACCESS_DENIED},
      {"remove", RemoveDirectoryA, "TEMP\\音乐", TRUE, 0},
      {"delete a file", DeleteFileA, "DATA\\sub\\FILE.txt", TRUE, 0},
      {"delete it again", DeleteFileA, "Data\\Sub\\File.TXT", FALSE, ERROR_FILE_NOT_FOUND},
      {"delete in a missing folder", DeleteFileA, "Nope\\File.TXT", FALSE, ERROR_PATH_NOT_FOUND},
      {"remove missing", RemoveDirectoryA, "nope", FALSE, ERROR_FILE_NOT_FOUND},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.what);
    SetLastError(0);
    EXPECT_EQ(s.ok, s.call(Win(s.path).c_str()));
    if (!s.ok) {
      EXPECT_EQ(s.error, GetLastError());
    }
  }
  struct stat st;
  EXPECT_EQ(0, stat((m_dir.Path() + "/temp").c_str(), &st));
  EXPECT_NE(0, stat((m_dir.Path() + "/Data/Sub/File.TXT").c_str(), &st));
}

TEST(ModuleAndFolders, ModuleFileName) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, (DWORD)MAX_PATH);
  EXPECT_EQ('/', path[0]);
  EXPECT_EQ(n, strlen(path));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path));

  // Too small: cut, terminated, result = size, ERROR_INSUFFICIENT_BUFFER.
  char small[4];
  EXPECT_EQ(4u, GetModuleFileNameA(nullptr, small, sizeof small));
  EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());
  EXPECT_EQ(3u, strlen(small));

  // A GBK character is never cut in half.
  platform::SetModuleFileNameOverride(U8(u8"/opt/音乐/game"));
  char cut[7];
  EXPECT_EQ(7u, GetModuleFileNameA(nullptr, cut, sizeof cut));
  EXPECT_STREQ("/opt/", cut);
  EXPECT_EQ(14u, GetModuleFileNameA(nullptr, path, MAX_PATH));
  EXPECT_STREQ("/opt/音乐/game", path);
  platform::SetModuleFileNameOverride("");
}

TEST(ModuleAndFolders, CurrentDirectory) {
  char buf[MAX_PATH];
  DWORD n = GetCurrentDirectoryA(MAX_PATH, buf);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(n, strlen(buf));
  char tiny[1];
  EXPECT_EQ(n + 1, GetCurrentDirectoryA(1, tiny));
  EXPECT_EQ(n + 1, GetCurrentDirectoryA(0, nullptr));
}

TEST(ModuleAndFolders, SystemDirectoryIsCreatedAndOverridable) {
  testsupport::TempDir dir;
  std::string want = dir.Path() + "/conf/pxqd";
  const char* old = getenv("PXQD_SYSTEM_DIR");
  std::string saved = old ? old : "";
  setenv("PXQD_SYSTEM_DIR", want.c_str(), 1);
  char buf[MAX_PATH];
  UINT n = GetSystemDirectoryA(buf, MAX_PATH);
  EXPECT_EQ(want, std::string(buf, n));
  EXPECT_EQ((DWORD)FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA(buf));
  EXPECT_EQ(n + 1, GetSystemDirectoryA(buf, 3));
  unsetenv("PXQD_SYSTEM_DIR");
  const char* oldXdg = getenv("XDG_CONFIG_HOME");
  std::string savedXdg = oldXdg ? oldXdg : "";
  setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
  n = GetSystemDirectoryA(buf, MAX_PATH);
  EXPECT_EQ(dir.Path() + "/pxqd", std::string(buf, n));
  if (oldXdg) {
    setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
  if (old) setenv("PXQD_SYSTEM_DIR", saved.c_str(), 1);
}

}  // namespace
