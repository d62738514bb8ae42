#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "engine/BlockPool.h"
#include "engine/EngineUtil.h"
#include "tests/engine/EngineResFixture.h"

using enginetest::EngineResTest;

namespace {

TEST(EngineHashTest, WorkedValuesAndSignedGbkBytes) {
  struct Case {
    const char* text;
    DWORD rs, js, h;
  } cases[] = {
      {"abc", 822160044u, 446371745u, 96354u},
      {"\xB0\xA1", 1825028337u, 615011094u, 5617u},  // 啊: JS and RS add its bytes signed
      {".imge", 1397249876u, 1032105973u, 45718064u},
      {".sound", 522717461u, 2145679915u, 1426568609u},
      {".quad", 1833991565u, 1033857402u, 45963893u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(RSHash(c.text), c.rs);
    EXPECT_EQ(JSHash(c.text), c.js);
    EXPECT_EQ(Hash31(c.text), c.h);
  }
  EXPECT_EQ(RSHash(".pps"), 1612805297u);
  EXPECT_EQ(RSHash(".png"), 1882163431u);
  // The literal is GBK after the build's conversion, so this is the same character as above.
  EXPECT_EQ(RSHash("啊"), 1825028337u);
}

TEST(EngineUtilTest, AsciiLowerLeavesGbkPairsAlone) {
  char text[] = "ABC啊Def";
  AsciiLower(text);
  EXPECT_STREQ(text, "abc啊def");
  // A trail byte inside 'A'..'Z' stays; a lead byte at the very end stops the walk.
  char pair[] = "\x81\x41Z";
  AsciiLower(pair);
  EXPECT_STREQ(pair, "\x81\x41z");
  char lead[] = "Q\x81";
  AsciiLower(lead);
  EXPECT_STREQ(lead, "q\x81");
}

TEST(EngineUtilTest, PathSplitting) {
  struct Case {
    const char* path;
    const char* ext;
    const char* title;
  } cases[] = {
      {"skins\\Common\\Button.PNG", ".png", "Button"},
      {"a/b/name", "", "name"},
      {"C:\\x.y\\file.tar.GZ", ".gz", "file.tar"},
      {".quad", ".quad", ""},
      {"dir.d\\", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    char ext[MAX_PATH];
    char title[MAX_PATH];
    GetFileExt(c.path, ext);
    GetFileTitle(c.path, title, sizeof title);
    EXPECT_STREQ(ext, c.ext);
    EXPECT_STREQ(title, c.title);
  }
}

TEST(EngineUtilTest, SplitListAndUnquote) {
  struct Case {
    const char* text;
    std::vector<std::string> items;
  } cases[] = {
      {"1,2,3", {"1", "2", "3"}},
      {"a,,b,", {"a", "", "b"}},
      {",x", {"", "x"}},
      {"\"q\",r", {"\"q\"", "r"}},
      {"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<std::string> list = {"before"};
    const size_t n = SplitList(c.text, list);
    std::vector<std::string> expected = {"before"};
    expected.insert(expected.end(), c.items.begin(), c.items.end());
    EXPECT_EQ(list, expected);
    EXPECT_EQ(n, c.items.empty() ? 0u : expected.size());
  }
  EXPECT_EQ(UnquotePath("\"宋体\""), "宋体");
  EXPECT_EQ(UnquotePath("a\"b\"c\"d"), "b\"c");
  EXPECT_EQ(UnquotePath("plain"), "plain");
  EXPECT_EQ(UnquotePath("one\"quote"), "one\"quote");
}

TEST(EngineUtilTest, GrowArrayKeepsElementsAndZeroesTheRest) {
  DWORD capacity = 10;
  int* a = static_cast<int*>(GrowArray(nullptr, sizeof(int), &capacity, 0));
  // From nothing with capacity 10 the array is new; fill it and double it.
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(capacity, 20u);
  for (int i = 0; i < 10; i++) a[i] = i + 1;
  capacity = 10;
  a = static_cast<int*>(GrowArray(a, sizeof(int), &capacity, 0));
  EXPECT_EQ(capacity, 20u);
  for (int i = 0; i < 10; i++) EXPECT_EQ(a[i], i + 1);
  for (int i = 10; i < 20; i++) EXPECT_EQ(a[i], 0);
  a = static_cast<int*>(GrowArray(a, sizeof(int), &capacity, 5));
  EXPECT_EQ(capacity, 25u);
  EXPECT_EQ(a[9], 10);
  FreeArray(a);
}

TEST(EngineUtilTest, BlockPoolChain) {
  BlockPool pool;
  pool.Init(16, 32);
  EXPECT_EQ(pool.GetBlockSize(), 768u);
  BlockPool::Block* first = pool.GetFirstBlock();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->m_size, 768u);
  DWORD freeLength = 0, next = 1;
  std::memcpy(&freeLength, first->m_firstFree, 4);
  std::memcpy(&next, first->m_firstFree + 4, 4);
  EXPECT_EQ(freeLength, 760u);
  EXPECT_EQ(next, 0u);
  EXPECT_EQ(reinterpret_cast<BYTE*>(first + 1), first->m_firstFree);
  first->m_next = pool.NewBlock(100);
  ASSERT_NE(first->m_next, nullptr);
  EXPECT_EQ(first->m_next->m_size, 100u);
  pool.FreeAll();  // frees both; the sanitizer build sees a leak otherwise
  EXPECT_EQ(pool.GetFirstBlock(), nullptr);
}

TEST_F(EngineResTest, WriteLogLineFormatAndAppend) {
  WriteLog("first %d", 1);
  WriteLog("%s", "第二行");
  const std::string log = ReadLog();
  const std::regex line(R"(\d{4}/\d{2}/\d{2}     \d{2}:\d{2}:\d{2}      first 1\r\n)"
                        R"(\d{4}/\d{2}/\d{2}     \d{2}:\d{2}:\d{2}      \xB5\xDA\xB6\xFE\xD0\xD0\r\n)");
  EXPECT_TRUE(std::regex_match(log, line)) << log;
}

TEST_F(EngineResTest, WriteLogCutsLongTextsWithinACharacter) {
  // 1023 bytes fit; a GBK character straddling the limit is dropped whole.
  std::string text(1022, 'x');
  text += "啊啊";
  WriteLog("%s", text.c_str());
  const std::string log = ReadLog();
  const size_t start = log.find("      x") + 6;
  const std::string logged = log.substr(start, log.size() - start - 2);
  EXPECT_EQ(logged, std::string(1022, 'x'));
}

TEST_F(EngineResTest, ReadWholeFile) {
  Put("data/Blob.bin", {1, 2, 0, 3});
  std::string path = std::string(GetModuleFolder()) + "data/blob.bin";  // case differs on purpose
  DWORD length = 0;
  BYTE* bytes = ReadWholeFile(path.data(), &length);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(std::vector<BYTE>(bytes, bytes + 5), (std::vector<BYTE>{1, 2, 0, 3, 0}));
  EXPECT_NE(path.find("data\\blob.bin"), std::string::npos);  // '/' turned into '\' in place
  FreeWholeFile(bytes);

  char empty[] = "";
  EXPECT_EQ(ReadWholeFile(empty, &length), nullptr);
  EXPECT_EQ(ReadLog(), "");
  std::string missing = std::string(GetModuleFolder()) + "none.bin";
  EXPECT_EQ(ReadWholeFile(missing.data(), &length), nullptr);
  EXPECT_NE(ReadLog().find("文件" + missing + " 打开失败!"), std::string::npos);
}

TEST_F(EngineResTest, ModuleFolderPaths) {
  const std::string folder = GetModuleFolder();
  EXPECT_EQ(folder, m_dir.Path() + "/");
  EXPECT_EQ(std::string(MakeModulePath("a\\b.txt")), folder + "a\\b.txt");
  Put("Skins/x.ini", {});
  EXPECT_EQ(FileExistsInModuleFolder("skins\\X.INI"), 1);
  EXPECT_EQ(FileExistsInModuleFolder("skins"), 1);
  EXPECT_EQ(FileExistsInModuleFolder("nothing"), 0);
  // A name that would run past the shared buffer is cut, never written beyond it.
  EXPECT_EQ(std::strlen(MakeModulePath(std::string(400, 'n').c_str())), MAX_PATH - 1u);
}

}  // namespace
