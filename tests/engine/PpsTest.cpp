#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/Pps.h"
#include "tools/PpsWriter.h"

namespace {

std::vector<BYTE> Decode8(const std::vector<BYTE>& coded, DWORD capacity, long* produced = nullptr) {
  std::vector<BYTE> plane(capacity, 0xEE);
  const long n = DecodePpsRle8(coded.data(), plane.data(), static_cast<DWORD>(coded.size()), capacity);
  if (produced) *produced = n;
  plane.resize(n < 0 ? 0 : static_cast<size_t>(n));
  return plane;
}

TEST(PpsRleTest, WorkedItems) {
  EXPECT_EQ(Decode8({0x08, 0x33}, 10), (std::vector<BYTE>{0x33, 0x33}));
  EXPECT_EQ(Decode8({0x05, 0x07}, 10), (std::vector<BYTE>{0x07}));
  EXPECT_EQ(Decode8({0x0A, 0x01, 0x44}, 100), std::vector<BYTE>(66, 0x44));
  EXPECT_EQ(Decode8({0x0B, 0x00, 1, 2}, 10), (std::vector<BYTE>{1, 2}));
  std::vector<BYTE> pixel(3);
  EXPECT_EQ(DecodePpsRle24(std::vector<BYTE>{0x04, 0x10, 0x20, 0x30}.data(), pixel.data(), 4, 3), 3);
  EXPECT_EQ(pixel, (std::vector<BYTE>{0x10, 0x20, 0x30}));
}

TEST(PpsRleTest, ItemsThatOverrunAreRefused) {
  struct Case {
    const char* what;
    std::vector<BYTE> coded;
    DWORD capacity;
  } cases[] = {
      {"run past the plane", {0x0C, 0x33}, 2},
      {"long run past the plane", {0xFE, 0xFF, 0x01}, 1000},
      {"literal past the input", {0x0D, 1, 2}, 10},
      {"long item without its count byte", {0x02}, 10},
      {"run without its byte", {0x08}, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    long n = 0;
    Decode8(c.coded, c.capacity, &n);
    EXPECT_EQ(n, -1);
  }
  std::vector<BYTE> plane(6);
  EXPECT_EQ(DecodePpsRle24(std::vector<BYTE>{0x08, 1, 2, 3}.data(), plane.data(), 4, 5), -1);
}

TEST(PpsRleTest, EncoderRoundTripsRandomPlanes) {
  const unsigned seed = 20240302;
  std::printf("seed %u\n", seed);
  std::mt19937 random(seed);
  for (int unit : {1, 3}) {
    for (int round = 0; round < 40; round++) {
      const size_t units = random() % 40000;
      std::vector<BYTE> data(units * unit);
      // Few values make long runs, so both item sizes occur.
      for (BYTE& b : data) b = static_cast<BYTE>(random() % (round % 2 ? 2 : 256));
      const std::vector<BYTE> coded = EncodePpsRle(data.data(), units, unit);
      std::vector<BYTE> plane(data.size());
      const long n = unit == 1 ? DecodePpsRle8(coded.data(), plane.data(), static_cast<DWORD>(coded.size()),
                                               static_cast<DWORD>(plane.size()))
                               : DecodePpsRle24(coded.data(), plane.data(), static_cast<DWORD>(coded.size()),
                                                static_cast<DWORD>(plane.size()));
      ASSERT_EQ(n, static_cast<long>(data.size()));
      ASSERT_EQ(plane, data);
    }
  }
}

// Pixels of one picture format, 2 frames of 5 x 3, with some runs and some noise.
std::vector<BYTE> Pixels(int bpp, int frames) {
  std::vector<BYTE> out;
  for (int i = 0; i < 5 * 3 * frames; i++) {
    for (int b = 0; b < bpp; b++) out.push_back(static_cast<BYTE>(i < 6 ? 9 : (i * 37 + b * 11) & 0xff));
  }
  return out;
}

TEST(PpsTest, RoundTripEveryCodecAndFormat) {
  struct Format {
    const char* what;
    DWORD flags;
    int bpp;
  } formats[] = {
      {"index", IMGFLAG_PALETTE, 1},
      {"index and alpha", IMGFLAG_PALETTE | IMGFLAG_ALPHA, 2},
      {"colour and alpha", IMGFLAG_ALPHA, 4},
  };
  for (int codec : {1, 3, 4, 5, 6}) {
    for (bool zlibColour : {true, false}) {
      if (codec != 6 && !zlibColour) continue;
      for (const Format& f : formats) {
        SCOPED_TRACE(std::string(f.what) + " codec " + std::to_string(codec) + (zlibColour ? "" : " rle"));
        PpsWriter writer(codec, 5, 3, f.flags | IMGFLAG_TRANSPARENT);
        if (f.bpp < 4) writer.SetPalette({1, 2, 3, 4, 5, 6});
        writer.SetTransparent(7);
        writer.SetZlibColour(zlibColour);
        const std::vector<BYTE> pixels = Pixels(f.bpp, 2);
        writer.AddFrame(pixels.data(), 40);
        writer.AddFrame(pixels.data() + 15 * f.bpp, 60);
        const std::vector<BYTE> file = writer.Write();
        ImageRecord image = {};
        image.resourceId = 77;
        ASSERT_EQ(ParsePps(file.data(), static_cast<DWORD>(file.size()), &image), pixels.size());
        EXPECT_EQ(image.resourceId, 77u);
        EXPECT_EQ(image.width, 5);
        EXPECT_EQ(image.height, 3);
        EXPECT_EQ(image.frameCount, 2);
        EXPECT_EQ(image.transparent, 7u);
        EXPECT_EQ(image.bufferSize, pixels.size());
        EXPECT_EQ(std::vector<BYTE>(image.pixels, image.pixels + image.bufferSize), pixels);
        ASSERT_NE(image.durations, nullptr);
        EXPECT_EQ(image.durations[0], 40);
        EXPECT_EQ(image.durations[1], 60);
        if (f.bpp < 4) {
          EXPECT_EQ(image.paletteEntries, 2);
          EXPECT_EQ(image.palette[5], 6);
          // The own palette has room for every index a pixel can hold.
          EXPECT_EQ(image.palette[255 * 3 + 2], 0);
        }
        FreePps(&image);
        EXPECT_EQ(image.pixels, nullptr);
        EXPECT_EQ(image.width, 0);
      }
    }
  }
}

TEST(PpsTest, ColourWithoutAlphaPlaneGetsOpaquePixels) {
  for (int codec : {3, 5}) {
    PpsWriter writer(codec, 5, 3, 0);
    std::vector<BYTE> pixels = Pixels(4, 1);
    writer.AddFrame(pixels.data());
    const std::vector<BYTE> file = writer.Write();
    ImageRecord image = {};
    ASSERT_NE(ParsePps(file.data(), static_cast<DWORD>(file.size()), &image), 0u);
    for (size_t i = 0; i < pixels.size(); i += 4) {
      EXPECT_EQ(image.pixels[i], pixels[i]);
      EXPECT_EQ(image.pixels[i + 3], 255);
    }
    // Without the durations flag the table stays absent.
    EXPECT_EQ(image.durations, nullptr);
    FreePps(&image);
  }
}

TEST(PpsTest, PaletteKeyHotSpotAndUndecodedCodec) {
  const std::vector<BYTE> pixels = Pixels(1, 1);
  {
    // A palettised picture without the key flag has no key index, whatever the header says.
    PpsWriter writer(3, 5, 3, 0);
    writer.SetPalette({1, 2, 3});
    writer.SetTransparent(4);
    writer.SetHotSpot(16, 32);
    writer.AddFrame(pixels.data());
    const std::vector<BYTE> file = writer.Write();
    ImageRecord image = {};
    ASSERT_NE(ParsePps(file.data(), static_cast<DWORD>(file.size()), &image), 0u);
    EXPECT_EQ(image.transparent, 256u);
    EXPECT_EQ(image.hotSpot[0], 16);
    EXPECT_EQ(image.hotSpot[1], 32);
    FreePps(&image);
  }
  {
    // Codec 2 is not decoded: the frame stays as allocated.
    PpsWriter writer(2, 5, 3, IMGFLAG_PALETTE | IMGFLAG_TRANSPARENT);
    writer.SetPalette({1, 2, 3});
    writer.SetTransparent(4);
    writer.AddFrame(pixels.data());
    const std::vector<BYTE> file = writer.Write();
    ImageRecord image = {};
    ASSERT_NE(ParsePps(file.data(), static_cast<DWORD>(file.size()), &image), 0u);
    EXPECT_EQ(image.transparent, 4u);
    EXPECT_EQ(std::vector<BYTE>(image.pixels, image.pixels + 15), std::vector<BYTE>(15, 0));
    FreePps(&image);
  }
}

TEST(PpsTest, GlobalPaletteNameWinsAndIsNotOwned) {
  PpsWriter writer(1, 5, 3, IMGFLAG_PALETTE);
  writer.SetGlobalPalette("shared", 2);  // both palette flags end up in the header
  const std::vector<BYTE> pixels = Pixels(1, 1);
  writer.AddFrame(pixels.data());
  const std::vector<BYTE> file = writer.Write();
  ImageRecord image = {};
  ASSERT_NE(ParsePps(file.data(), static_cast<DWORD>(file.size()), &image), 0u);
  EXPECT_EQ(image.flags & (IMGFLAG_GLOBAL_PALETTE | IMGFLAG_PALETTE), IMGFLAG_GLOBAL_PALETTE);
  EXPECT_STREQ(reinterpret_cast<const char*>(image.palette), "shared");
  // The name block belongs to whoever resolves it; the resource loader frees it.
  std::free(image.palette);
  image.palette = nullptr;
  FreePps(&image);
}

TEST(PpsTest, WrongMagicLeavesTheRecordAlone) {
  PpsWriter writer(1, 5, 3, 0);
  const std::vector<BYTE> pixels = Pixels(4, 1);
  writer.AddFrame(pixels.data());
  std::vector<BYTE> file = writer.Write();
  file[2] = 'x';
  ImageRecord image = {};
  image.width = 99;
  image.transparent = 123;
  EXPECT_EQ(ParsePps(file.data(), static_cast<DWORD>(file.size()), &image), 0u);
  EXPECT_EQ(image.width, 99);
  EXPECT_EQ(image.transparent, 123u);
  FreePps(nullptr);
}

TEST(PpsTest, MergeAlphaPlaneModes) {
  const BYTE indices[] = {1, 2};
  const BYTE colours[] = {1, 2, 3, 4, 5, 6};
  const BYTE alpha[] = {7, 8};
  BYTE out8[4];
  MergeAlphaPlane(indices, alpha, out8, 2, 8);
  EXPECT_EQ(std::vector<BYTE>(out8, out8 + 4), (std::vector<BYTE>{1, 7, 2, 8}));
  BYTE out32[8];
  MergeAlphaPlane(colours, alpha, out32, 2, 32);
  EXPECT_EQ(std::vector<BYTE>(out32, out32 + 8), (std::vector<BYTE>{1, 2, 3, 7, 4, 5, 6, 8}));
}

}  // namespace
