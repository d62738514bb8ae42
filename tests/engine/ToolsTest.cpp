// pxqd-ppswrite and pxqd-packwrite end to end: a picture becomes a .pps, goes into a package with
// other files, and the engine loads it all back at once.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/ResourceManager.h"
#include "tests/engine/EngineResFixture.h"
#include "tools/PackWriter.h"

using enginetest::EngineResTest;
using enginetest::g_exits;
using enginetest::TestData;

namespace {

int RunTool(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()); }

TEST_F(EngineResTest, WritersFromTheCommandLine) {
  const std::string pps = m_dir.File("Anim.pps");
  ASSERT_EQ(RunTool(std::string(PXQD_PPSWRITE) + " --codec 3 " + TestData("image/gif_anim.gif") + " " + pps), 0);
  const std::string strip = m_dir.File("strip.pps");
  const std::string bmp = Put("strip.bmp", enginetest::MakeBmp24(1, 4, {0xff00ff, 1, 2, 3}));
  ASSERT_EQ(RunTool(std::string(PXQD_PPSWRITE) + " --codec 6 --frames 2 --duration 80 --hotspot 5,6 " + bmp + " " + strip), 0);
  const std::string quad = Put("Tiles.quad", MakePaletteRecord("tiles", {1, 2, 3}));
  const std::string note = Put("note.txt", {'o', 'k'});
  const std::string pack = m_dir.File("game.xyr");
  ASSERT_EQ(RunTool(std::string(PXQD_PACKWRITE) + " " + pack + " " + quad + " " + pps + " " + strip + " " + note), 0);

  EXPECT_EQ(Manager()->LoadPack(pack.c_str(), 0, 1), 4);
  ASSERT_TRUE(g_exits.empty());
  EXPECT_NE(Manager()->FindPalette("tiles"), nullptr);
  ImageRecord* anim = Manager()->GetImageByName("Anim");
  ASSERT_NE(anim, nullptr);
  EXPECT_EQ(anim->frameCount, 4);
  EXPECT_EQ(anim->transparent, 7u);
  ASSERT_NE(anim->durations, nullptr);
  EXPECT_EQ(anim->durations[3], 400);
  ImageRecord* halves = Manager()->GetImageByName("strip");
  ASSERT_NE(halves, nullptr);
  EXPECT_EQ(halves->frameCount, 2);
  EXPECT_EQ(halves->durations[1], 80);
  EXPECT_EQ(halves->hotSpot[0], 5);
  EXPECT_EQ(halves->hotSpot[1], 6);
  // The magenta key survives as alpha 0 in the first pixel.
  EXPECT_EQ(halves->pixels[3], 0);
  EXPECT_EQ(halves->pixels[7], 255);
  EXPECT_STREQ(static_cast<const char*>(Manager()->GetDataByName("note.text")), "ok");

  // Bad input is refused with a failure code.
  EXPECT_NE(RunTool(std::string(PXQD_PPSWRITE) + " --codec 2 " + TestData("image/gif_anim.gif") + " " + pps), 0);
  EXPECT_NE(RunTool(std::string(PXQD_PPSWRITE) + " " + note + " " + pps), 0);
  EXPECT_NE(RunTool(std::string(PXQD_PACKWRITE) + " " + pack + " " + m_dir.File("missing.png")), 0);
}

}  // namespace
