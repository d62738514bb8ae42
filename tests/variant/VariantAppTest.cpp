#include <gtest/gtest.h>

#include <cstdio>

#include "mahjong/MahjongNotifyCodes.h"
#include "platform/kernel/Profile.h"
#include "testbed/table/TableRecords.h"
#include "variant/VariantApp.h"

namespace {

TEST(VariantApp, SettingsMembersAndTheirJoins) {
  CVariantApp app;
  std::remove(static_cast<LPCSTR>(app.GetGameIniPath()));
  app.LoadSettings();
  EXPECT_EQ(1, app.IsQuickCatch());  // quick catch is on until the player turns it off
  EXPECT_EQ(0, app.IsSilence());
  EXPECT_EQ(0, app.IsRejectKanPaiAsk());
  app.SetSettings(1, 1, 0);
  app.SaveSettings();
  app.SetSettings(0, 0, 1);
  app.LoadSettings();
  EXPECT_EQ(0, app.IsQuickCatch());
  EXPECT_EQ(1, app.IsSilence());
  EXPECT_EQ(1, app.IsRejectKanPaiAsk());
  std::remove(static_cast<LPCSTR>(app.GetGameIniPath()));
  // Silence keeps the table's sounds quiet.
  EXPECT_EQ(1, app.PlaySound(29103, 0));
  // The table-info block the framework's resync writes is the description's record.
  EXPECT_EQ(app.Info().GetTableInfo(), app.GetTableInfo());
  EXPECT_EQ(5080u, app.GetTableInfoSize());
  // The start-up takes the table's view mode: the engine-drawn table.
  app.SetViewMode(app.GetSceneViewMode());
  EXPECT_EQ(2, app.Info().GetViewMode());
  // A new hand through the sink reaches the description, the seat painter and the table.
  testbed::TableInfoRecord t;
  t.handNumber = 2;
  t.banker = 1;
  t.status = 0x101;
  t.currentChair = 1;
  t.wallStart = 20;
  t.wallHead = 73;
  t.indicatorTile = -1;
  t.handCounts = {13, 14, 13, 13};
  t.ownHand = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  testbed::BodyData body = t.WriteNewHand();
  EXPECT_EQ(1, app.GetNotifySink()->OnNotify(NTF_NEW_HAND, body.data(), body.size()));
  EXPECT_EQ(2, app.Info().GetRoundNumber());
  EXPECT_EQ(1, app.Painter().GetSeat(SIDE_RIGHT).banker);
  EXPECT_EQ(1, app.IsPlaying());
  EXPECT_TRUE(app.Table().HasDrawnTile(SIDE_RIGHT));
}

}  // namespace
