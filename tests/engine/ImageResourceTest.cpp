#include <gtest/gtest.h>

#include "engine/Pps.h"
#include "engine/ResourceManager.h"
#include "tests/engine/EngineResFixture.h"
#include "tools/PackWriter.h"
#include "tools/PpsWriter.h"

using enginetest::EngineResTest;
using enginetest::g_exits;
using enginetest::MakeBmp24;
using enginetest::MakeBmp8;
using enginetest::ReadBytes;
using enginetest::TestData;

namespace {

constexpr DWORD MAGENTA = 0xff00ff;  // 0x00RRGGBB as the BMP helpers take it

TEST_F(EngineResTest, TrueColourBmpKeysMagenta) {
  const DWORD keyed = Manager()->RegisterFile(Put("Keyed.BMP", MakeBmp24(2, 2, {MAGENTA, 0x102030, 0x405060, MAGENTA})).c_str(),
                                              nullptr, ".imge", 0, 0);
  ImageRecord* image = Manager()->GetImage(keyed);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->resourceId, keyed);
  EXPECT_EQ(image->width, 2);
  EXPECT_EQ(image->frameCount, 1);
  EXPECT_EQ(image->flags, IMGFLAG_TRANSPARENT);
  EXPECT_EQ(image->transparent, DEFAULT_KEY_COLOR);
  EXPECT_EQ(image->bufferSize, 16u);
  // Rows run top-down, B, G, R, A.
  const std::vector<BYTE> expected = {255, 0, 255, 0, 0x30, 0x20, 0x10, 255, 0x60, 0x50, 0x40, 255, 255, 0, 255, 0};
  EXPECT_EQ(std::vector<BYTE>(image->pixels, image->pixels + 16), expected);

  const DWORD plain = Manager()->RegisterFile(Put("plain.bmp", MakeBmp24(1, 2, {0x010203, 0x040506})).c_str(),
                                              nullptr, ".imge", 1, 0);
  image = Manager()->GetImage(plain);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->flags, 0);
  EXPECT_EQ(image->pixels[3], 255);
  EXPECT_EQ(image->pixels[4], 6);  // the second row is the file's first
}

TEST_F(EngineResTest, PalettisedBmpKeyIndex) {
  const std::vector<DWORD> withMagenta = {0x000000, MAGENTA, 0xffffff};
  ImageRecord* image = Manager()->GetImageByName(
      (Manager()->RegisterFile(Put("pal.bmp", MakeBmp8(2, 1, withMagenta, {1, 2})).c_str(), nullptr, ".imge", 0, 0),
       "pal"));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->flags, IMGFLAG_TRANSPARENT | IMGFLAG_PALETTE);
  EXPECT_EQ(image->transparent, 1u);
  EXPECT_GE(image->paletteEntries, 3);
  EXPECT_EQ(std::vector<BYTE>(image->palette, image->palette + 9), (std::vector<BYTE>{0, 0, 0, 255, 0, 255, 255, 255, 255}));
  EXPECT_EQ(image->pixels[0], 1);
  EXPECT_EQ(image->pixels[1], 2);

  Manager()->RegisterFile(Put("nokey.bmp", MakeBmp8(2, 1, {0x000000, 0xfe00ff}, {0, 1})).c_str(), nullptr, ".imge", 0, 0);
  image = Manager()->GetImageByName("nokey");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->transparent, 0xff00feu);
  EXPECT_EQ(image->flags, IMGFLAG_PALETTE);
}

TEST_F(EngineResTest, AnimatedGifFramesAndDelays) {
  const DWORD id = Manager()->RegisterFile(TestData("image/gif_anim.gif").c_str(), nullptr, ".imge", 1, 0);
  ImageRecord* image = Manager()->GetImage(id);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->frameCount, 4);
  EXPECT_TRUE(image->flags & IMGFLAG_ANIMATED);
  EXPECT_EQ(image->transparent, 7u);
  ASSERT_NE(image->durations, nullptr);
  // Frame 0 keeps 100 ms whatever its delay; the others take theirs, in milliseconds.
  EXPECT_EQ(std::vector<int>(image->durations, image->durations + 4), (std::vector<int>{100, 200, 300, 400}));
  EXPECT_EQ(image->bufferSize, 4u * image->width * image->height * BytesPerPixel(*image));
}

TEST_F(EngineResTest, SingleFrameGifIsAnimatedWithoutDurations) {
  const DWORD id = Manager()->RegisterFile(TestData("image/gif_one.gif").c_str(), nullptr, ".imge", 1, 0);
  ImageRecord* image = Manager()->GetImage(id);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->frameCount, 1);
  EXPECT_TRUE(image->flags & IMGFLAG_ANIMATED);
  EXPECT_EQ(image->durations, nullptr);
  EXPECT_EQ(image->transparent, 3u);
  EXPECT_EQ(image->paletteEntries, 16);
}

TEST_F(EngineResTest, PngWithAlphaKeepsTheKeyFlag) {
  const DWORD id = Manager()->RegisterFile(TestData("image/png_rgba_8.png").c_str(), nullptr, ".imge", 1, 0);
  ImageRecord* image = Manager()->GetImage(id);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->flags & (IMGFLAG_ALPHA | IMGFLAG_TRANSPARENT), IMGFLAG_ALPHA | IMGFLAG_TRANSPARENT);
  EXPECT_EQ(BytesPerPixel(*image), 4);
}

TEST_F(EngineResTest, UndecodablePicturesFail) {
  ImageRecord image = {};
  BYTE junk[] = "junk";
  EXPECT_EQ(Manager()->DecodeImage(junk, 4, ".xyz", &image), 0);
  // A known extension whose bytes the library cannot read is a failure, not an empty picture.
  EXPECT_EQ(Manager()->DecodeImage(junk, 4, ".png", &image), 0);
  EXPECT_EQ(Manager()->DecodeImage(junk, 4, ".pcx", &image), 0);
  const std::string path = Put("broken.png", {1, 2, 3});
  const DWORD id = Manager()->RegisterFile(path.c_str(), nullptr, ".imge", 0, 0);
  EXPECT_EQ(Manager()->GetImage(id), nullptr);
  EXPECT_EQ(g_exits.size(), 1u);
  EXPECT_NE(ReadLog().find("图片" + path + "加载失败!"), std::string::npos);
}

std::vector<BYTE> GlobalPalettePps(const char* name, WORD entries) {
  PpsWriter writer(3, 2, 1, IMGFLAG_TRANSPARENT);
  writer.SetGlobalPalette(name, entries);
  const BYTE pixels[] = {0, 1};
  writer.AddFrame(pixels);
  return writer.Write();
}

TEST_F(EngineResTest, PpsWithGlobalPaletteFromAPackage) {
  PackWriter writer;
  writer.AddFile("tiles.quad", MakePaletteRecord("tiles", {1, 2, 3, 4, 5, 6, 7, 8, 9}));
  writer.AddFile("Face.pps", GlobalPalettePps("tiles", 3));
  // Loading the same palette twice keeps the first one stored.
  writer.Add("again.quad", ".quad", MakePaletteRecord("tiles", {9, 9, 9}));
  EXPECT_EQ(Manager()->LoadPack(Put("faces.xyr", writer.Write()).c_str(), 0, 1), 3);
  ASSERT_TRUE(g_exits.empty());
  EXPECT_EQ(Manager()->GetPaletteCount(), 1u);
  ColorPalette* palette = Manager()->FindPalette("tiles");
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->GetCount(), 3u);
  ImageRecord* image = Manager()->GetImageByName("Face");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->palette, palette->GetEntries());
  EXPECT_EQ(image->flags & IMGFLAG_PALETTE, 0);
  // Unloading the picture leaves the palette table's entries alone (the sanitizer build checks).
  Manager()->Unload(image->resourceId);
  EXPECT_EQ(palette->GetEntries()[0], 1);
}

TEST_F(EngineResTest, PpsGlobalPaletteMissingOrShort) {
  const std::string before = Put("early.pps", GlobalPalettePps("later", 2));
  EXPECT_EQ(Manager()->RegisterFile(before.c_str(), nullptr, ".imge", 1, 0), 0u);
  EXPECT_NE(ReadLog().find("pps:结构加载错误,全局调色板later未在内存中!"), std::string::npos);
  EXPECT_EQ(g_exits.size(), 1u);

  Manager()->RegisterFile(Put("small.quad", MakePaletteRecord("small", {1, 2, 3})).c_str(), nullptr, ".quad", 1, 0);
  EXPECT_EQ(Manager()->RegisterFile(Put("big.pps", GlobalPalettePps("small", 2)).c_str(), nullptr, ".imge", 1, 0), 0u);
  EXPECT_NE(ReadLog().find("pps:结构加载错误,全局调色板small长度不匹配!"), std::string::npos);
  EXPECT_EQ(g_exits.size(), 2u);
}

TEST_F(EngineResTest, PpsWriterToolOutputLoads) {
  // What pxqd-ppswrite does: a decoded keyed picture written as .pps with an alpha plane.
  ImageRecord source = {};
  source.transparent = DEFAULT_KEY_COLOR;
  source.flags = IMGFLAG_TRANSPARENT;
  std::vector<BYTE> bmp = MakeBmp24(2, 2, {MAGENTA, 1, 2, 3});
  ASSERT_EQ(Manager()->DecodeImage(bmp.data(), static_cast<DWORD>(bmp.size()), ".bmp", &source), 1);
  PpsWriter writer(5, 2, 1, IMGFLAG_TRANSPARENT | IMGFLAG_ALPHA);
  writer.AddFrame(source.pixels, 50);
  writer.AddFrame(source.pixels + 8, 70);
  const DWORD id = Manager()->RegisterFile(Put("strip.pps", writer.Write()).c_str(), nullptr, ".imge", 1, 0);
  ImageRecord* image = Manager()->GetImage(id);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->frameCount, 2);
  EXPECT_EQ(std::vector<BYTE>(image->pixels, image->pixels + 16), std::vector<BYTE>(source.pixels, source.pixels + 16));
  EXPECT_EQ(image->durations[1], 70);
  FreePps(&source);
}

}  // namespace
