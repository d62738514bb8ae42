#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mahjong/MJGameApp.h"
#include "testbed/table/TableRecords.h"
#include "variant/VariantGameInfo.h"

namespace {

// The game server's answers to the table-data request, scripted.
class ScriptedConnection : public CMJGameConnection {
 public:
  ScriptedConnection() : CMJGameConnection(nullptr, 0, 0, 0) {}
  int IsConnected() override { return 1; }
  std::vector<int> answers;  // 1: the table data, 0: no reply
  std::vector<BYTE> tableData;
  std::vector<int> codes;

 protected:
  int Exchange(CString&, int code, int* length, const BYTE*, int* result, BYTE** replyData, int wait) override {
    codes.push_back(code);
    if (replyData) *replyData = nullptr;
    if (code != REQ_GAME_DATA) {
      *result = 0;
      *length = 0;
      return 1;
    }
    int answer = answers.empty() ? 0 : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    if (!answer) {
      *result = 1030;
      return 0;
    }
    *result = 10;
    *length = static_cast<int>(tableData.size());
    if (replyData) {
      *replyData = new BYTE[tableData.size()];
      std::memcpy(*replyData, tableData.data(), tableData.size());
    }
    return 1;
  }
};

class TestApp : public CMJGameApp {
 public:
  TestApp() : CMJGameApp("Pxqd", 31380, 2, 0), painter(info), model(info, effects) {
    info.SetOwnChair(0);
    SetSleep([this](DWORD ms) { sleeps.push_back(ms); });
  }
  CGameInfo* GetGameInfo() override { return &info; }
  CSeatPainter* GetSeatPainter() override { return &painter; }
  CMJTableModel* GetTableModel() override { return &model; }
  CMJGameConnection* GetMJConnection() override { return &connection; }
  CGameConnection* GetConnection() override { return &connection; }
  BYTE* GetTableInfo() override { return info.GetTableInfo(); }
  size_t GetTableInfoSize() override { return TableInfoLayout::SIZE; }
  int IsSilence() override { return silence; }
  void ShowTimedBox(LPCSTR text, int seconds, int style) override { boxes.push_back(text); }

  CVariantGameInfo info;
  CSeatPainter painter;
  CTableEffects effects;
  CMJTableModel model;
  ScriptedConnection connection;
  std::vector<DWORD> sleeps;
  std::vector<std::string> boxes;
  int silence = 0;
};

TEST(MJGameApp, ResyncRebuildsTheTableFromTheServersDataOrGivesUp) {
  TestApp app;
  testbed::TableInfoRecord t;
  t.handNumber = 6;
  t.status = 0x101;
  t.currentChair = 0;
  t.wallStart = 10;
  t.wallHead = 70;
  t.indicatorTile = -1;
  t.handCounts = {14, 13, 13, 13};
  t.ownHand = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
  app.connection.tableData = t.Write();
  app.connection.answers = {0, 1};
  app.OnRequestFailed();
  // One pause after the failed attempt, the table rebuilt from the data, the player back.
  EXPECT_EQ(std::vector<DWORD>{3000}, app.sleeps);
  EXPECT_EQ(6, app.info.GetRoundNumber());
  EXPECT_EQ(1, app.model.IsPlaying());
  EXPECT_TRUE(app.model.HasDrawnTile(SIDE_OWN));
  EXPECT_EQ((std::vector<int>{REQ_GAME_DATA, REQ_GAME_DATA, REQ_RETURN_TO_GAME}), app.connection.codes);
  EXPECT_TRUE(app.boxes.empty());
  // Three failures: three pauses and the box.
  app.sleeps.clear();
  app.connection.answers = {0, 0, 0};
  app.OnRequestFailed();
  EXPECT_EQ((std::vector<DWORD>{3000, 3000, 3000}), app.sleeps);
  ASSERT_EQ(1u, app.boxes.size());
  EXPECT_EQ("您的网络出现了异常，请重新登录大厅。", app.boxes[0]);
}

TEST(MJGameApp, SettersSoundsAndPlaying) {
  TestApp app;
  app.SetPlayerCount(3);
  EXPECT_EQ(3, app.info.GetPlayerCount());
  EXPECT_EQ(3, app.painter.GetPlayerCount());
  app.SetViewMode(2);
  EXPECT_EQ(2, app.info.GetViewMode());
  EXPECT_EQ(2, app.painter.GetViewMode());
  EXPECT_EQ(0, app.IsPlaying());
  app.model.ResetRound();
  EXPECT_EQ(1, app.IsPlaying());
  app.silence = 1;
  EXPECT_EQ(1, app.PlaySound(29103, 0));
  EXPECT_EQ(8, app.GetMaxChairCount());
  EXPECT_EQ(0xFFFFF0u, app.GetListBackColor());
}

}  // namespace
