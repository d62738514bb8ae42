#include <gtest/gtest.h>

#include <cstring>

#include "engine/PackFile.h"
#include "engine/Pps.h"
#include "engine/ResourceManager.h"
#include "platform/base/WinError.h"
#include "platform/kernel/Files.h"
#include "tests/engine/EngineResFixture.h"
#include "tools/PackWriter.h"
#include "tools/PpsWriter.h"

using enginetest::EngineResTest;
using enginetest::g_boxes;
using enginetest::g_exits;

namespace {

std::vector<BYTE> Text(const char* s) { return std::vector<BYTE>(s, s + std::strlen(s)); }

TEST_F(EngineResTest, KindsAndExtensionTable) {
  EXPECT_EQ(RESKIND_IMAGE, 1397249876u);
  EXPECT_EQ(Manager()->KindOfExtension(RSHash(".png")), RESKIND_IMAGE);
  EXPECT_EQ(Manager()->KindOfExtension(RSHash(".wav")), RESKIND_SOUND);
  EXPECT_EQ(Manager()->KindOfExtension(RSHash(".lua")), RESKIND_SCRIPT);
  // An extension outside the table is its own kind: ".quad" entries are palettes.
  EXPECT_EQ(Manager()->KindOfExtension(RSHash(".quad")), RESKIND_QUAD);
  // A row for an extension already present keeps the first.
  Manager()->AddExtension(".png", ".sound");
  EXPECT_EQ(Manager()->KindOfExtension(RSHash(".png")), RESKIND_IMAGE);
  EXPECT_STREQ(GetImageExtension(RSHash(".jpg")), ".jpg");
  EXPECT_STREQ(GetImageExtension(RSHash(".png")), ".png");
  EXPECT_STREQ(GetImageExtension(RSHash(".wav")), "");
}

TEST_F(EngineResTest, RegisterFileLoadsOnDemandFromTheFolderWithoutRegardToCase) {
  Put("Skins/Common/Readme.TXT", Text("text body"));
  Manager()->SetNamePrefix((std::string(GetModuleFolder()) + "Skins\\Common\\").c_str());
  const DWORD id = Manager()->RegisterFile("Readme.TXT", nullptr, ".text", 0, 1);
  EXPECT_EQ(id, RSHash("Readme.text"));
  EXPECT_EQ(Manager()->FindId("Readme.text"), id);
  EXPECT_EQ(Manager()->FindId("readme.text"), 0u);  // names are looked up as written
  ResourceRecord* record = Manager()->GetRecord(id);
  ASSERT_NE(record, nullptr);
  // The relative path was lower-cased with the whole prefix, program folder included; the
  // platform still finds the file.
  std::string lowered = std::string(GetModuleFolder()) + "skins\\common\\readme.txt";
  AsciiLower(lowered.data());
  EXPECT_EQ(record->path, lowered);
  EXPECT_EQ(record->key1, JSHash("Readme.text"));
  EXPECT_EQ(record->key2, Hash31("Readme.text"));
  EXPECT_EQ(record->kind, RSHash(".text"));
  EXPECT_EQ(record->extensionHash, RSHash(".txt"));
  EXPECT_STREQ(static_cast<const char*>(record->data), "text body");
  EXPECT_EQ(record->length, 9u);
  EXPECT_EQ(Manager()->GetDataByName("Readme.text"), record->data);
  // Unloading keeps the record and its length; the next use reads it again.
  Manager()->Unload(id);
  EXPECT_EQ(record->data, nullptr);
  EXPECT_EQ(record->length, 9u);
  EXPECT_STREQ(static_cast<const char*>(Manager()->GetData(id)), "text body");
  Manager()->Forget(id);
  EXPECT_EQ(Manager()->GetRecord(id), nullptr);
  Manager()->Forget(id);  // an unknown id does nothing
  EXPECT_TRUE(g_exits.empty());
}

TEST_F(EngineResTest, RegisteringAgainReplacesTheRecord) {
  Put("a.txt", Text("one"));
  Put("b.txt", Text("two"));
  const DWORD id = Manager()->RegisterFile(Put("a.txt", Text("one")).c_str(), "same", ".text", 1, 0);
  EXPECT_STREQ(static_cast<const char*>(Manager()->GetData(id)), "one");
  EXPECT_EQ(Manager()->RegisterFile(m_dir.File("b.txt").c_str(), "same", ".text", 1, 0), id);
  EXPECT_EQ(Manager()->GetResourceCount(), 1u);
  EXPECT_STREQ(static_cast<const char*>(Manager()->GetData(id)), "two");
}

TEST_F(EngineResTest, CollidingNamesRotateAndReRegisterInPlace) {
  const char* name = "b.text";
  const DWORD rs = RSHash(name), js = JSHash(name), h = Hash31(name);
  const std::string path = Put("b.txt", Text("bee"));
  // Another name took b's RSHash first, so b goes to its JSHash.
  ASSERT_EQ(Manager()->Register(rs, 1, 2, "other", 0, RSHash(".text"), 0, 0, 0), rs);
  const DWORD id = Manager()->RegisterName(name, path.c_str(), 0, RSHash(".text"), RSHash(".txt"), 0, 0);
  EXPECT_EQ(id, js);
  EXPECT_EQ(Manager()->FindId(name), js);
  EXPECT_EQ(Manager()->GetRecord(js)->key1, h);
  EXPECT_EQ(Manager()->GetRecord(js)->key2, rs);
  // Registering b again finds it in its rotation and replaces it there, again and again.
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(Manager()->RegisterName(name, path.c_str(), RESFLAG_LOADED, RSHash(".text"), 0, 0, 0), js);
    EXPECT_EQ(Manager()->GetResourceCount(), 2u);
  }
  EXPECT_STREQ(static_cast<const char*>(Manager()->GetDataByName(name)), "bee");
  // With JS taken too, a third name sharing both goes to its Hash31.
  ASSERT_EQ(Manager()->Register(rs, js, 77, "third", 0, RSHash(".text"), 0, 0, 0), 77u);
  EXPECT_TRUE(g_exits.empty());
}

TEST_F(EngineResTest, AllThreeHashesTakenIsFatal) {
  ASSERT_NE(Manager()->Register(10, 1, 1, "a", 0, 0, 0, 0, 0), 0u);
  ASSERT_NE(Manager()->Register(20, 2, 2, "b", 0, 0, 0, 0, 0), 0u);
  ASSERT_NE(Manager()->Register(30, 3, 3, "c", 0, 0, 0, 0, 0), 0u);
  EXPECT_EQ(Manager()->Register(10, 20, 30, "clash", 0, 0, 0, 0, 0), 0u);
  EXPECT_EQ(g_exits, std::vector<int>{FATAL_RESOURCE_EXIT_CODE});
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "资源:clash,10,20,30未能正确的载入,请重新下载游戏!");
  const std::string log = ReadLog();
  EXPECT_NE(log.find("      clash,10,20,30\r\n"), std::string::npos);
  EXPECT_NE(log.find("资源载入错误:clash,10,20,30未找到"), std::string::npos);
  // The fatal path released the manager.
  EXPECT_EQ(Manager()->GetResourceCount(), 0u);
}

TEST_F(EngineResTest, MissingFilesFailTheirLoad) {
  const std::string missing = m_dir.File("gone.txt");
  // Load now: the registration itself is fatal and keeps no record.
  EXPECT_EQ(Manager()->RegisterFile(missing.c_str(), nullptr, ".text", 1, 0), 0u);
  EXPECT_EQ(g_exits.size(), 1u);
  EXPECT_EQ(Manager()->GetResourceCount(), 0u);
  // On demand: asking for it is fatal, by id and by name; a raw kind is no longer a success.
  const DWORD id = Manager()->RegisterFile(missing.c_str(), nullptr, ".text", 0, 0);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(Manager()->GetData(id), nullptr);
  EXPECT_EQ(g_exits.size(), 2u);
  Manager()->RegisterFile(missing.c_str(), nullptr, ".text", 0, 0);
  EXPECT_EQ(Manager()->GetDataByName("gone.text"), nullptr);
  EXPECT_EQ(g_exits.size(), 3u);
  EXPECT_NE(ReadLog().find("文件" + missing + " 打开失败!"), std::string::npos);
  // Unknown ids and names are quiet.
  EXPECT_EQ(Manager()->GetRecord(12345), nullptr);
  EXPECT_EQ(Manager()->FindByName("nothing.text"), nullptr);
  EXPECT_EQ(g_exits.size(), 3u);
}

TEST_F(EngineResTest, ScriptsNeedAnInterpreter) {
  const DWORD id = Manager()->RegisterFile(Put("s.xys", Text("x")).c_str(), nullptr, ".script", 0, 0);
  EXPECT_EQ(Manager()->GetRecord(id), nullptr);
  EXPECT_EQ(g_exits.size(), 1u);
}

TEST_F(EngineResTest, PackagesRegisterTheirEntries) {
  PackWriter writer;
  writer.AddFile("Alpha.txt", Text("A"));
  writer.AddFile("beta.png", Text("not really a png"));
  writer.AddFile("Gamma.TXT", Text("G"));
  writer.AddFile("delta.png", Text("neither"));
  const std::string path = Put("res.xyr", writer.Write());

  EXPECT_EQ(Manager()->LoadPack(path.c_str(), 0, 0), 4);
  EXPECT_EQ(Manager()->GetResourceCount(), 4u);
  EXPECT_EQ(Manager()->GetPackageCount(), 1u);
  ResourceRecord* gamma = Manager()->FindByName("Gamma.text");
  ASSERT_NE(gamma, nullptr);
  EXPECT_EQ(gamma->flags & RESFLAG_IN_PACK, RESFLAG_IN_PACK);
  EXPECT_EQ(gamma->path, path);
  EXPECT_EQ(gamma->kind, RSHash(".text"));
  EXPECT_STREQ(static_cast<const char*>(gamma->data), "G");
  EXPECT_EQ(Manager()->FindImageId("beta"), RSHash("beta.imge"));

  // The same package again registers its entries again, with no second kept file.
  EXPECT_EQ(Manager()->LoadPack(path.c_str(), 0, 0), 4);
  EXPECT_EQ(Manager()->GetResourceCount(), 4u);
  EXPECT_EQ(Manager()->GetPackageCount(), 1u);

  // A filter takes only entries of that extension, the first entry included when it matches.
  Manager()->Release();
  EXPECT_EQ(Manager()->LoadPack(path.c_str(), RSHash(".png"), 0), 2);
  EXPECT_NE(Manager()->FindId("beta.imge"), 0u);
  EXPECT_EQ(Manager()->FindId("Alpha.text"), 0u);
  Manager()->Release();
  EXPECT_EQ(Manager()->LoadPack(path.c_str(), RSHash(".txt"), 0), 2);

  PackWriter empty;
  EXPECT_EQ(Manager()->LoadPack(Put("empty.xyr", empty.Write()).c_str(), 0, 0), 0);
  EXPECT_TRUE(g_exits.empty());

  const std::string missing = m_dir.File("missing.xyr");
  EXPECT_EQ(Manager()->LoadPack(missing.c_str(), 0, 1), 0);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], missing + "加载失败!");
  EXPECT_TRUE(g_exits.empty());
}

TEST_F(EngineResTest, PackageLoadedAtOnceStopsAtABadEntry) {
  PackWriter writer;
  writer.AddFile("first.txt", Text("1"));
  writer.AddFile("broken.png", Text("not a picture"));
  writer.AddFile("last.txt", Text("3"));
  EXPECT_EQ(Manager()->LoadPack(Put("bad.xyr", writer.Write()).c_str(), 0, 1), 1);
  EXPECT_EQ(g_exits, std::vector<int>{FATAL_RESOURCE_EXIT_CODE});
  EXPECT_NE(ReadLog().find("资源包图片"), std::string::npos);
}

TEST_F(EngineResTest, PackFileCursor) {
  PackWriter writer;
  writer.AddFile("a.png", Text("a"));
  writer.AddFile("b.txt", Text("bb"));
  writer.AddFile("c.png", Text("ccc"));
  writer.AddFile("d.txt", Text("dddd"));
  PackFile pack(Put("p.xyr", writer.Write()).c_str());
  ASSERT_TRUE(pack.IsOpen());
  EXPECT_EQ(pack.GetCurrentType(), RSHash(".png"));
  EXPECT_EQ(pack.NextEntry(RSHash(".png")), 1);
  EXPECT_EQ(pack.GetCursor(), 2u);
  // No further .png: the cursor stops on the last entry.
  EXPECT_EQ(pack.NextEntry(RSHash(".png")), 0);
  EXPECT_EQ(pack.GetCursor(), 3u);
  EXPECT_EQ(pack.NextEntry(0), 0);
  PackIndexEntry entry;
  pack.GetCurrentEntry(&entry);
  EXPECT_EQ(entry.hash1, RSHash("d.text"));
  EXPECT_EQ(entry.length, 4u);
  BYTE small[3];
  EXPECT_EQ(pack.ReadEntry(3, small, sizeof small), 0);
  BYTE exact[4];
  EXPECT_EQ(pack.ReadEntry(3, exact, sizeof exact), 1);
  EXPECT_EQ(std::memcmp(exact, "dddd", 4), 0);
  EXPECT_EQ(pack.ReadEntry(4, exact, sizeof exact), 0);
  PackFile missing(m_dir.File("none.xyr").c_str());
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_EQ(missing.ReadEntryAlloc(0), nullptr);
  EXPECT_EQ(missing.GetPath(), "");
}

TEST_F(EngineResTest, UseCountDynamicIdsAndMemoryBlocks) {
  Manager()->AddRef();
  Manager()->AddRef();
  const DWORD id = Manager()->RegisterFile(Put("k.txt", Text("keep")).c_str(), nullptr, ".text", 1, 0);
  EXPECT_EQ(Manager()->Release(), 1);
  EXPECT_NE(Manager()->GetRecord(id)->data, nullptr);

  for (DWORD i = 0; i < 25; i++) EXPECT_EQ(Manager()->NewDynamicId(), FIRST_DYNAMIC_RESID + i);
  Manager()->Release();
  EXPECT_EQ(Manager()->GetResourceCount(), 0u);
  EXPECT_EQ(Manager()->NewDynamicId(), FIRST_DYNAMIC_RESID);

  static int freed = 0;
  freed = 0;
  void* a = Manager()->NewMemRes(10, [](void* p) {
    freed++;
    std::free(p);
  });
  void* b = Manager()->NewMemRes(20, nullptr);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(Manager()->GetMemResBytes(), 30u);
  EXPECT_EQ(Manager()->FreeMemRes(a), 10u);
  EXPECT_EQ(freed, 1);
  EXPECT_EQ(Manager()->FreeMemRes(std::malloc(4)), 0u);  // not ours: freed, 0
  EXPECT_EQ(Manager()->FreeMemRes(nullptr), 0u);

  DWORD capacity = 0;
  int* array = static_cast<int*>(GrowMemResArray(nullptr, sizeof(int), &capacity, 10));
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(capacity, 10u);
  for (int i = 0; i < 10; i++) array[i] = i;
  array = static_cast<int*>(GrowMemResArray(array, sizeof(int), &capacity, 10));
  EXPECT_EQ(capacity, 20u);
  EXPECT_EQ(array[9], 9);
  EXPECT_EQ(array[19], 0);
  EXPECT_EQ(Manager()->GetMemResBytes(), 20u + 80u);
  Manager()->FreeAllMemRes();
  EXPECT_EQ(Manager()->GetMemResBytes(), 0u);
  EXPECT_EQ(Manager()->GetCursor("arrow"), nullptr);
}

}  // namespace

namespace {

int QuietBox(const char*, const char*, UINT) { return 1; }

TEST(ResourceManagerDeathTest, FatalErrorEndsTheProcessWithAFailureCode) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ResourceManager::SetExitHandler(nullptr);
        SetEngineMessageBoxHook(QuietBox);
        platform::SetModuleFileNameOverride("/nonexistent-pxqd-test/pxqd");
        ResetModuleFolder();
        ResourceManager::Instance()->FatalResourceError("x.imge");
      },
      ::testing::ExitedWithCode(FATAL_RESOURCE_EXIT_CODE), "");
}

TEST_F(EngineResTest, ErrorBoxAndMainWindow) {
  SetLastError(5);
  ShowLastErrorBox("打开");
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "打开 由于以下错误而失败: 5");
  // Without a main window nothing counts as visible.
  EXPECT_EQ(IsMainWindowVisible(), 0);
}

}  // namespace
