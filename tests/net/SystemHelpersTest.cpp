#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "net/SystemHelpers.h"
#include "platform/kernel/Kernel.h"
#include "tests/support/TempDir.h"

namespace {

TEST(SystemHelpers, CopyString) {
  struct Case {
    const char* source;
    int length;
    const char* expected;  // destination starts as "########"
  } cases[] = {
      {"abc", -1, "abc"},         {"abc", 10, "abc"},     {"abcdef", 3, "abc#####"},
      {"abc", 3, "abc#####"},     {"abc", 4, "abc"},      {"", 5, ""},
      {"abc", 0, "########"},
  };
  for (const auto& c : cases) {
    char destination[16] = "########";
    CopyString(destination, c.source, c.length);
    EXPECT_STREQ(c.expected, destination) << c.source << " " << c.length;
  }
  char destination[4] = "xy";
  CopyString(destination, nullptr, -1);
  CopyString(nullptr, "abc", -1);
  EXPECT_STREQ("xy", destination);
}

TEST(SystemHelpers, ExtractPathParts) {
  struct Case {
    const char* path;
    DWORD parts;
    const char* expected;
  } cases[] = {
      {"C:\\games\\mj\\game.exe", 3, "C:\\games\\mj\\"},
      {"C:\\games\\mj\\game.exe", 4, "game"},
      {"C:\\games\\mj\\game.exe", 12, "game.exe"},
      {"C:\\games\\mj\\game.exe", 1, "C:"},
      {"C:\\games\\mj\\game.exe", 8, ".exe"},
      {"C:\\games\\mj\\game.exe", 15, "C:\\games\\mj\\game.exe"},
      {"C:\\games\\mj\\game.exe", 5, "C:game"},
      {"C:\\games\\mj\\game.exe", 0, ""},
      {"/opt/pxqd/bin/pxqd", 3, "/opt/pxqd/bin/"},
      {"/opt/pxqd/bin/pxqd", 12, "pxqd"},
      {"C:\\a/b\\c.d.txt", 2, "\\a/b\\"},
      {"C:\\a/b\\c.d.txt", 4, "c.d"},
      {"dir.v2\\readme", 8, ""},
      {"dir.v2\\readme", 4, "readme"},
      {"name.", 8, "."},
      {"game.exe", 3, ""},
      {"", 15, ""},
  };
  for (const auto& c : cases) {
    char destination[MAX_PATH] = "junk";
    ExtractPathParts(c.path, c.parts, destination);
    EXPECT_STREQ(c.expected, destination) << c.path << " " << c.parts;
  }
  const std::string tooLong(MAX_PATH, 'a');
  char destination[MAX_PATH] = "junk";
  ExtractPathParts(tooLong.c_str(), 15, destination);
  EXPECT_STREQ("", destination);
}

TEST(SystemHelpers, FileExistsTellsFilesFromFolders) {
  testsupport::TempDir dir;
  const std::string file = dir.Write("Data/Game.ini", "x");
  struct Case {
    std::string path;
    int wantDirectory;
    int expected;
  } cases[] = {
      {dir.Path(), 0, 0},       {dir.Path(), 1, 1},      {dir.File("Data"), 1, 1},
      {file, 0, 1},             {file, 1, 0},            {dir.File("Data/missing.ini"), 0, 0},
      {dir.File("Data/missing.ini"), 1, 0},
      {dir.Path() + "\\Data\\Game.ini", 0, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, FileExists(c.path.c_str(), c.wantDirectory)) << c.path;
  }
}

TEST(SystemHelpers, ModuleDirectoryEndsWithASeparator) {
  platform::SetModuleFileNameOverride("/opt/pxqd/bin/pxqd");
  char folder[MAX_PATH] = "junk";
  EXPECT_EQ(1, GetModuleDirectory(folder));
  platform::SetModuleFileNameOverride("");
  EXPECT_STREQ("/opt/pxqd/bin/", folder);

  EXPECT_EQ(1, GetModuleDirectory(folder));
  const size_t length = strlen(folder);
  ASSERT_GT(length, 1u);
  EXPECT_EQ('/', folder[length - 1]);
  // As with the system's own search, a folder is found by its name without the separator.
  folder[length - 1] = '\0';
  EXPECT_EQ(1, FileExists(folder, 1));
}

TEST(SystemHelpers, BytesToHexAppends) {
  const BYTE bytes[2] = {0x0A, 0xFF};
  char text[16] = "id:";
  BytesToHex(bytes, 2, text);
  EXPECT_STREQ("id:0aff", text);
  BytesToHex(bytes, 0, text);
  BytesToHex(bytes, -1, text);
  EXPECT_STREQ("id:0aff", text);
}

TEST(SystemHelpers, OsVersionFlags) {
  struct Case {
    DWORD platformId, major, minor;
    BYTE productType;
    int extended;
    const char* registry;
    DWORD expected;
  } cases[] = {
      {VER_PLATFORM_WIN32s, 3, 10, 0, 0, nullptr, 0x1},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0, 0, nullptr, 0x2},
      {VER_PLATFORM_WIN32_WINDOWS, 3, 95, 0, 0, nullptr, 0x2},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0, 0, nullptr, 0x4},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 90, 0, 0, nullptr, 0x8},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 20, 0, 0, nullptr, 0x0},
      {VER_PLATFORM_WIN32_NT, 4, 0, 0, 0, "WinNT", 0x10010},
      {VER_PLATFORM_WIN32_NT, 3, 51, 0, 0, "SERVERNT", 0x40010},
      {VER_PLATFORM_WIN32_NT, 5, 0, 0, 0, "LANMANNT", 0x20},
      {VER_PLATFORM_WIN32_NT, 5, 1, VER_NT_WORKSTATION, 1, nullptr, 0x20040},
      {VER_PLATFORM_WIN32_NT, 5, 2, VER_NT_SERVER, 1, nullptr, 0x40000},
      {VER_PLATFORM_WIN32_NT, 6, 0, VER_NT_SERVER, 1, "WINNT", 0x40080},
      {VER_PLATFORM_WIN32_NT, 6, 1, VER_NT_WORKSTATION, 1, nullptr, 0x20100},
      {VER_PLATFORM_WIN32_NT, 6, 2, VER_NT_DOMAIN_CONTROLLER, 1, nullptr, 0x80200},
      {VER_PLATFORM_WIN32_NT, 6, 3, VER_NT_WORKSTATION, 1, nullptr, 0x20000},
      {VER_PLATFORM_WIN32_NT, 10, 0, VER_NT_WORKSTATION, 1, nullptr, 0x10020000},
      {7, 6, 1, VER_NT_WORKSTATION, 1, nullptr, 0x0},
  };
  for (const auto& c : cases) {
    OSVERSIONINFOEXA info;
    memset(&info, 0, sizeof info);
    info.dwPlatformId = c.platformId;
    info.dwMajorVersion = c.major;
    info.dwMinorVersion = c.minor;
    info.wProductType = c.productType;
    EXPECT_EQ(c.expected, OsVersionFlagsFrom(info, c.extended, c.registry))
        << c.platformId << " " << c.major << "." << c.minor;
  }
  // This platform answers as NT 6.1 workstation.
  DWORD flags = 0;
  EXPECT_EQ(1, GetOsVersionFlags(&flags));
  EXPECT_EQ(0x20100u, flags);
}

TEST(SystemHelpers, UuidBytesAndUniqueId) {
  BYTE first[40], second[40];
  ASSERT_EQ(1, GenerateUuidBytes(first, 40));
  ASSERT_EQ(1, GenerateUuidBytes(second, 40));
  EXPECT_NE(0, memcmp(first, second, 40));
  EXPECT_NE(0, memcmp(first, first + 16, 16)) << "each 16 bytes are a new UUID";
  BYTE untouched[4] = {9, 9, 9, 9};
  EXPECT_EQ(1, GenerateUuidBytes(untouched, 0));
  EXPECT_EQ(9, untouched[0]);

  char id[31] = "kept";
  EXPECT_EQ(0, MakeUniqueIdIfEmpty(id));
  EXPECT_STREQ("kept", id);
  std::set<std::string> ids;
  for (int i = 0; i < 3; ++i) {
    char fresh[31] = "";
    ASSERT_EQ(1, MakeUniqueIdIfEmpty(fresh));
    ASSERT_EQ(30u, strlen(fresh));
    EXPECT_EQ(30u, strspn(fresh, "0123456789abcdef")) << fresh;
    ids.insert(fresh);
  }
  EXPECT_EQ(3u, ids.size());
}

}  // namespace

namespace {

TEST(SystemHelpers, SplitStringCutsAtBars) {
  struct Case {
    const char* text;
    int max;
    std::vector<std::string> fields;
    const char* rest;  // null: no rest
  } cases[] = {
      {"a|1|0|", 30, {"a", "1", "0", ""}, nullptr},
      {"a|1|0", 30, {"a", "1", "0"}, nullptr},
      {"a||0", 30, {"a", "", "0"}, nullptr},
      {"", 30, {""}, nullptr},
      {"|", 30, {"", ""}, nullptr},
      {"a|b|c|d|", 2, {"a", "b"}, "c|d|"},
      {"a|b", 2, {"a", "b"}, nullptr},
      {"a|b|", 2, {"a", "b"}, ""},
  };
  for (const auto& c : cases) {
    std::vector<char> text(c.text, c.text + std::strlen(c.text) + 1);
    LPSTR fields[32] = {};
    LPSTR rest = reinterpret_cast<LPSTR>(1);
    int count = SplitString(text.data(), fields, c.max, &rest);
    ASSERT_EQ(static_cast<int>(c.fields.size()), count) << c.text;
    for (int i = 0; i < count; ++i) EXPECT_EQ(c.fields[i], fields[i]) << c.text << " field " << i;
    if (c.rest == nullptr) {
      EXPECT_EQ(nullptr, rest) << c.text;
    } else {
      ASSERT_NE(nullptr, rest) << c.text;
      EXPECT_STREQ(c.rest, rest) << c.text;
    }
  }
  LPSTR fields[2];
  EXPECT_EQ(0, SplitString(nullptr, fields, 2, nullptr));
}

TEST(SystemHelpers, SplitStringOfThirtyOneFieldsKeepsTheLastAsRest) {
  std::string line;
  for (int i = 0; i < 31; ++i) line += (i ? "|" : "") + std::to_string(i);
  std::vector<char> text(line.begin(), line.end());
  text.push_back('\0');
  LPSTR fields[32] = {};
  LPSTR rest = nullptr;
  EXPECT_EQ(30, SplitString(text.data(), fields, 30, &rest));
  EXPECT_STREQ("29", fields[29]);
  EXPECT_STREQ("30", rest);
}

}  // namespace
