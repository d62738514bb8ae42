#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/base/WinError.h"
#include "platform/kernel/Kernel.h"
#include "tests/support/TempDir.h"

namespace {

// Narrow literals are GBK in this build, so the texts below are the bytes a GBK file holds.
// "\x81\x41" and "\x81\x61" are two GBK characters whose second bytes are 'A' and 'a'; "\x81\x5D"
// is one whose second byte is ']'.
const char* const SAMPLE =
    "; shared settings\r\n"
    "[SYSTEM]\r\n"
    "UniqueID = abc123  \r\n"
    "ExePath=C:\\hall\\hall.exe\r\n"
    "Quoted = \"  spaced  \"\r\n"
    "Half=\"open\r\n"
    "Empty=\r\n"
    "Num1= 42xyz\r\n"
    "Num2=-17\r\n"
    "Num3=+8\r\n"
    "Num4=abc\r\n"
    "Num5=  \t 99\r\n"
    "Big=4294967297\r\n"
    "\r\n"
    "[Unix]\n"
    "Key=unix line\n"
    "[GBK]\n"
    "名字=张三\n"
    "\x81\x41=upper\n"
    "\x81\x61=lower\n"
    "[\x81\x5D]\n"
    "k=trail bracket\n"
    "[system]\r\n"
    "UniqueID=second section is not read\r\n"
    "Later=not read either";

class ProfileFixture : public ::testing::Test {
 protected:
  void SetUp() override { m_path = m_dir.Write("kmvt.ini", SAMPLE); }
  std::string Get(const char* section, const char* key, const char* def, DWORD size, DWORD* result) {
    std::string buf(size + 1, 'X');
    *result = GetPrivateProfileStringA(section, key, def, buf.data(), size, m_path.c_str());
    EXPECT_EQ('X', buf[size]);  // nothing written past the buffer
    return std::string(buf.c_str());
  }
  testsupport::TempDir m_dir;
  std::string m_path;
};

TEST_F(ProfileFixture, StringTable) {
  struct Case {
    const char* section;
    const char* key;
    const char* def;
    DWORD size;
    const char* value;
  } cases[] = {
      {"SYSTEM", "UniqueID", "", 32, "abc123"},              // blanks around the value stripped
      {"system", "UNIQUEID", "", 32, "abc123"},              // names without regard to case
      {"SYSTEM", "UniqueID", "", 4, "abc"},                  // cut to size - 1
      {"SYSTEM", "UniqueID", "", 1, ""},
      {"SYSTEM", "ExePath", "", 260, "C:\\hall\\hall.exe"},
      {"SYSTEM", "Quoted", "", 32, "  spaced  "},            // quotes removed, inner blanks kept
      {"SYSTEM", "Half", "", 32, "\"open"},                  // an unmatched quote stays
      {"SYSTEM", "Empty", "dflt", 32, ""},                   // present but empty: not the default
      {"SYSTEM", "Missing", "dflt  ", 32, "dflt"},           // default without trailing blanks
      {"SYSTEM", "Missing", nullptr, 32, ""},
      {"SYSTEM", "Missing", "default", 4, "def"},
      {"Nowhere", "UniqueID", "d", 32, "d"},
      {"SYSTEM", "Later", "d", 32, "d"},                     // only the first [SYSTEM] is read
      {"Unix", "Key", "", 32, "unix line"},                  // "\n" line ends
      {"GBK", "名字", "", 32, "张三"},
      {"GBK", "名字", "", 4, "张"},                          // never half a GBK character
      {"GBK", "\x81\x61", "", 32, "lower"},                  // GBK bytes compared exactly
      {"GBK", "\x81\x41", "", 32, "upper"},
      {"\x81\x5D", "K", "", 32, "trail bracket"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key + " size " + std::to_string(c.size));
    DWORD result = 0;
    EXPECT_EQ(c.value, Get(c.section, c.key, c.def, c.size, &result));
    EXPECT_EQ(strlen(c.value), result);
  }
}

TEST_F(ProfileFixture, IntTable) {
  struct Case {
    const char* key;
    INT def;
    INT value;
  } cases[] = {
      {"Num1", 5, 42}, {"Num2", 5, -17}, {"Num3", 5, 8}, {"Num4", 5, 0}, {"Num5", 5, 99},
      {"Empty", 5, 0}, {"Missing", 7, 7}, {"Missing", -3, -3}, {"Big", 5, 1},  // wraps modulo 2^32
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(c.value, static_cast<INT>(GetPrivateProfileIntA("system", c.key, c.def, m_path.c_str())));
  }
}

TEST_F(ProfileFixture, MissingFileAndBadArguments) {
  char buf[16] = "zzz";
  std::string missing = m_dir.File("none.ini");
  EXPECT_EQ(3u, GetPrivateProfileStringA("S", "K", "def", buf, sizeof buf, missing.c_str()));
  EXPECT_STREQ("def", buf);
  EXPECT_EQ(9u, GetPrivateProfileIntA("S", "K", 9, missing.c_str()));
  EXPECT_EQ(0u, GetPrivateProfileStringA("SYSTEM", "UniqueID", "d", buf, 0, m_path.c_str()));
  // The listing forms are not supported: an empty list.
  EXPECT_EQ(0u, GetPrivateProfileStringA("SYSTEM", nullptr, "d", buf, sizeof buf, m_path.c_str()));
  EXPECT_EQ('\0', buf[0]);
  EXPECT_EQ('\0', buf[1]);
}

TEST(ProfileWrite, EditTable) {
  struct Case {
    const char* what;
    const char* before;  // nullptr: no file
    const char* section;
    const char* key;
    const char* value;
    const char* after;
  } cases[] = {
      {"replace in place", "; c\r\n[A]\r\nx=1\r\nK = old\r\ny=2\r\n[B]\nK=b\n", "a", "k", "new",
       "; c\r\n[A]\r\nx=1\r\nk=new\r\ny=2\r\n[B]\nK=b\n"},
      {"new key after the section's last key", "[A]\nx=1\n\n; about B\n[B]\n", "A", "K", "v",
       "[A]\nx=1\nK=v\r\n\n; about B\n[B]\n"},
      {"new key in an empty section", "[A]\r\n[B]\r\n", "A", "K", "v", "[A]\r\nK=v\r\n[B]\r\n"},
      {"new section at the end", "[A]\r\nx=1", "SYSTEM", "UniqueID", "f00d", "[A]\r\nx=1\r\n[SYSTEM]\r\nUniqueID=f00d\r\n"},
      {"new file", nullptr, "SYSTEM", "UniqueID", "f00d", "[SYSTEM]\r\nUniqueID=f00d\r\n"},
      // A lone carriage return ends no line: the new lines must not join the last one.
      {"new section after a lone CR", "[A]\r\nx=1\r", "B", "K", "v", "[A]\r\nx=1\r\n[B]\r\nK=v\r\n"},
      {"new key after a lone CR", "[A]\r\nx=1\r", "A", "K", "v", "[A]\r\nx=1\r\nK=v\r\n"},
      {"null value deletes the key", "[A]\r\nx=1\r\nK=v\r\n", "A", "k", nullptr, "[A]\r\nx=1\r\n"},
      {"deleting a missing key changes nothing", "[A]\nx=1", "A", "k", nullptr, "[A]\nx=1"},
      {"null key deletes the section", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n", "a", nullptr, nullptr, "[B]\r\ny=2\r\n"},
      {"GBK bytes kept", "[A]\r\n", "A", "名字", "张三", "[A]\r\n名字=张三\r\n"},
      {"empty value", "[A]\r\nK=v\r\n", "A", "K", "", "[A]\r\nK=\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testsupport::TempDir dir;
    std::string path = dir.File("t.ini");
    if (c.before) dir.Write("t.ini", c.before);
    EXPECT_TRUE(WritePrivateProfileStringA(c.section, c.key, c.value, path.c_str()));
    EXPECT_EQ(c.after, testsupport::TempDir::Read(path));
  }
}

TEST(ProfileWrite, WrittenValuesReadBack) {
  testsupport::TempDir dir;
  std::string path = dir.File("Face.ini");
  // Written under one spelling, read and replaced under others, through a Windows-style path.
  std::string winPath = dir.Path() + "\\FACE.INI";
  ASSERT_TRUE(WritePrivateProfileStringA("Remark", "3", "  笑脸  ", path.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("remark", "4", "-12", winPath.c_str()));
  char buf[64];
  EXPECT_EQ(4u, GetPrivateProfileStringA("REMARK", "3", "", buf, sizeof buf, winPath.c_str()));
  EXPECT_STREQ("笑脸", buf);
  EXPECT_EQ(-12, static_cast<INT>(GetPrivateProfileIntA("Remark", "4", 0, path.c_str())));
  EXPECT_EQ("[Remark]\r\n3=  笑脸  \r\n4=-12\r\n", testsupport::TempDir::Read(path));
}

TEST(ProfileWrite, Refusals) {
  testsupport::TempDir dir;
  std::string path = dir.Write("t.ini", "[A]\r\nK=v\r\n");
  struct Case {
    const char* what;
    const char* section;
    const char* key;
    const char* value;
    DWORD error;
  } cases[] = {
      {"value with a line break", "A", "K", "v\r\n[B]", ERROR_INVALID_PARAMETER},
      {"key with a line break", "A", "K\nX", "v", ERROR_INVALID_PARAMETER},
      {"key with '='", "A", "K=X", "v", ERROR_INVALID_PARAMETER},
      {"section with ']'", "A]B", "K", "v", ERROR_INVALID_PARAMETER},
      {"null section", nullptr, "K", "v", ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(WritePrivateProfileStringA(c.section, c.key, c.value, path.c_str()));
    EXPECT_EQ(c.error, GetLastError());
  }
  EXPECT_EQ("[A]\r\nK=v\r\n", testsupport::TempDir::Read(path));
  EXPECT_FALSE(WritePrivateProfileStringA("A", "K", "v", dir.File("no/such/folder.ini").c_str()));
  EXPECT_EQ((DWORD)ERROR_PATH_NOT_FOUND, GetLastError());
}

TEST(ProfileWrite, BareNameIsInTheSystemFolder) {
  testsupport::TempDir dir;
  const char* old = getenv("PXQD_SYSTEM_DIR");
  std::string saved = old ? old : "";
  setenv("PXQD_SYSTEM_DIR", dir.Path().c_str(), 1);
  EXPECT_TRUE(WritePrivateProfileStringA("SYSTEM", "UniqueID", "x1", "kmvt.ini"));
  EXPECT_EQ("[SYSTEM]\r\nUniqueID=x1\r\n", testsupport::TempDir::Read(dir.File("kmvt.ini")));
  char buf[8];
  EXPECT_EQ(2u, GetPrivateProfileStringA("SYSTEM", "UniqueID", "", buf, sizeof buf, "KMVT.INI"));
  if (old) {
    setenv("PXQD_SYSTEM_DIR", saved.c_str(), 1);
  } else {
    unsetenv("PXQD_SYSTEM_DIR");
  }
}

}  // namespace
