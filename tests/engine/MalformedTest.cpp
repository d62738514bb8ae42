// The damaged files of tests/data/engine/malformed (made by make-malformed.py there): each breaks
// one rule of its format, and the readers refuse it cleanly or take only what is really there.
#include <gtest/gtest.h>

#include "engine/ColorPalette.h"
#include "engine/PackFile.h"
#include "engine/Pps.h"
#include "engine/ResourceManager.h"
#include "tests/engine/EngineResFixture.h"

using enginetest::EngineResTest;
using enginetest::ReadBytes;
using enginetest::TestData;

namespace {

std::string Malformed(const std::string& name) { return TestData("engine/malformed/" + name); }

TEST(MalformedPpsTest, Table) {
  struct Case {
    const char* file;
    bool accepted;
  } cases[] = {
      {"pps_valid.pps", true},
      {"pps_short_header.pps", false},
      {"pps_frame_count_zero.pps", false},
      {"pps_zero_width.pps", false},
      {"pps_decoded_size_mismatch.pps", false},
      {"pps_decoded_size_huge.pps", false},
      {"pps_truncated_frame_header.pps", false},
      {"pps_colour_length_past_end.pps", false},
      {"pps_lengths_wrap.pps", false},
      {"pps_rle_run_past_plane.pps", false},
      {"pps_rle_literal_past_input.pps", false},
      {"pps_frame_size_mismatch.pps", false},
      {"pps_frame_flags_disagree.pps", false},
      {"pps_second_frame_too_big.pps", false},
      {"pps_palette_count_over_256.pps", false},
      {"pps_palette_truncated.pps", false},
      {"pps_global_name_truncated.pps", false},
      {"pps_hotspot_missing.pps", false},
      {"pps_codec1_short.pps", false},
      // A zlib stream that does not inflate leaves its plane empty; the frame is kept.
      {"pps_zlib_broken.pps", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::vector<BYTE> bytes = ReadBytes(Malformed(c.file));
    ASSERT_FALSE(bytes.empty());
    ImageRecord image = {};
    image.resourceId = 5;
    image.width = 42;
    const DWORD result = ParsePps(bytes.data(), static_cast<DWORD>(bytes.size()), &image);
    EXPECT_EQ(result != 0, c.accepted);
    if (c.accepted) {
      EXPECT_GE(image.frameCount, 1);
      EXPECT_EQ(image.bufferSize, result);
      FreePps(&image);
    } else {
      EXPECT_EQ(image.width, 42);
      EXPECT_EQ(image.pixels, nullptr);
    }
  }
  // Every proper prefix of a good file is refused.
  const std::vector<BYTE> good = ReadBytes(Malformed("pps_valid.pps"));
  for (size_t n = 0; n < good.size(); n++) {
    ImageRecord image = {};
    EXPECT_EQ(ParsePps(good.data(), static_cast<DWORD>(n), &image), 0u) << n;
  }
}

TEST(MalformedPpsTest, BrokenZlibPlaneIsEmptyButOpaque) {
  const std::vector<BYTE> bytes = ReadBytes(Malformed("pps_zlib_broken.pps"));
  ImageRecord image = {};
  ASSERT_NE(ParsePps(bytes.data(), static_cast<DWORD>(bytes.size()), &image), 0u);
  for (DWORD i = 0; i < image.bufferSize; i += 4) {
    EXPECT_EQ(image.pixels[i], 0);
    EXPECT_EQ(image.pixels[i + 3], 255);
  }
  FreePps(&image);
}

TEST(MalformedPackTest, Table) {
  struct Case {
    const char* file;
    bool open;
    DWORD entries;
    std::vector<bool> readable;
  } cases[] = {
      {"pack_valid.xyr", true, 2, {true, true}},
      {"pack_short_header.xyr", false, 0, {}},
      {"pack_index_past_end.xyr", false, 0, {}},
      {"pack_index_count_overflow.xyr", false, 0, {}},
      {"pack_short_index.xyr", false, 0, {}},
      // Only the entries that were read are used, whatever the entry count claims.
      {"pack_entry_count_larger.xyr", true, 2, {true, true}},
      {"pack_entry_past_end.xyr", true, 2, {true, false}},
      {"pack_entry_length_wrap.xyr", true, 2, {true, false}},
      {"pack_entry_offset_wrap.xyr", true, 2, {true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    PackFile pack(Malformed(c.file).c_str());
    EXPECT_EQ(pack.IsOpen() != 0, c.open);
    EXPECT_EQ(pack.GetEntryCount(), c.entries);
    for (DWORD i = 0; i < c.readable.size(); i++) {
      BYTE* bytes = pack.ReadEntryAlloc(i);
      EXPECT_EQ(bytes != nullptr, c.readable[i]) << i;
      std::free(bytes);
    }
    EXPECT_EQ(pack.ReadEntryAlloc(c.entries), nullptr);
    // The cursor never passes the entries that were read.
    pack.Rewind();
    DWORD steps = 0;
    while (pack.NextEntry(0)) steps++;
    EXPECT_EQ(steps, c.entries ? c.entries - 1 : 0);
  }
}

TEST_F(EngineResTest, MalformedPackageEntriesFailTheirLoad) {
  for (const char* file : {"pack_entry_past_end.xyr", "pack_entry_length_wrap.xyr", "pack_entry_offset_wrap.xyr"}) {
    SCOPED_TRACE(file);
    enginetest::g_exits.clear();
    const std::string path = Malformed(file);
    ASSERT_EQ(Manager()->LoadPack(path.c_str(), 0, 0), 2);
    EXPECT_STREQ(static_cast<const char*>(Manager()->GetDataByName("hello.text")), "hello");
    // The damaged entry is a failed load, never an empty success.
    EXPECT_EQ(Manager()->GetDataByName("world.text"), nullptr);
    EXPECT_EQ(enginetest::g_exits, std::vector<int>{FATAL_RESOURCE_EXIT_CODE});
    EXPECT_NE(ReadLog().find("文件" + path + " 打开失败!"), std::string::npos);
  }
}

TEST_F(EngineResTest, MalformedPpsFileFailsItsLoad) {
  const std::string path = Malformed("pps_frame_count_zero.pps");
  const DWORD id = Manager()->RegisterFile(path.c_str(), "zero", ".imge", 0, 0);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(Manager()->GetImage(id), nullptr);
  EXPECT_EQ(enginetest::g_exits, std::vector<int>{FATAL_RESOURCE_EXIT_CODE});
  EXPECT_NE(ReadLog().find("图片" + path + "加载失败!"), std::string::npos);
}

TEST_F(EngineResTest, MalformedPalettes) {
  struct Case {
    const char* file;
    bool loaded;
    const char* name;
    DWORD count;
  } cases[] = {
      {"quad_valid.quad", true, "pal", 2},
      {"quad_short.quad", false, "", 0},
      {"quad_truncated_entries.quad", true, "pal", 2},
      {"quad_count_over_256.quad", true, "pal", 256},
      {"quad_unterminated_name.quad", true, "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Manager()->Release();
    enginetest::g_exits.clear();
    const std::string path = Malformed(c.file);
    const DWORD id = Manager()->RegisterFile(path.c_str(), nullptr, ".quad", 0, 0);
    Manager()->GetRecord(id);
    EXPECT_EQ(enginetest::g_exits.empty(), c.loaded);
    ColorPalette* palette = Manager()->FindPalette(c.name);
    ASSERT_EQ(palette != nullptr, c.loaded);
    if (palette) {
      EXPECT_EQ(palette->GetCount(), c.count);
    }
  }
}

}  // namespace
