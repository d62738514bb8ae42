// The seat notices as the player sees them on the table: a player seated, a player gone, the
// system seating everybody anew and the wait for a table, each sent through the game's
// notification sink to the headless table, which shows the ready icons and the name plates.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "framework/NotifyBodies.h"
#include "framework/PlayerRecords.h"
#include "mahjong/MahjongNotifyCodes.h"
#include "platform/mfc/AfxThreadState.h"
#include "tests/variant/support/TableViewFixture.h"
#include "variant/RecordBoardTally.h"
#include "variant/TableDialogs.h"
#include "variant/VariantApp.h"
#include "variant/VariantNotify.h"

namespace {

constexpr int TABLE_NO = 7;

struct Player {
  int userId;
  const char* name;
};

// One notice: its code and the player (and chair) it names; a random seating carries the four
// players of `seating`.
struct Notice {
  int code;
  int chair;
  Player player;
};

struct SeatCase {
  const char* name;
  bool settlementOpen;
  std::vector<Notice> notices;
  // After the notices, by chair: whether the ready icon shows and the name plate.
  std::array<bool, 4> ready;
  std::array<const char*, 4> plates;
  // Whether a player who then starts at chair 1 shows his ready icon.
  bool startShowsIcon;
};

void PrintTo(const SeatCase& c, std::ostream* os) { *os << c.name; }

const Player SEATED[4] = {{501, "甲"}, {502, "乙"}, {503, "丙"}, {504, "丁"}};
const Player SEATING[4] = {{501, "甲"}, {506, "己"}, {507, "庚"}, {508, "辛"}};

std::vector<BYTE> PlayerBody(int chair, const Player& p) {
  WirePlayerRecord wire;
  wire.userId = p.userId;
  wire.tableNo = TABLE_NO;
  wire.chair = chair;
  std::snprintf(wire.name, sizeof wire.name, "%s", p.name);
  std::vector<BYTE> body(WIRE_PLAYER_RECORD_SIZE);
  wire.Write(body.data());
  return body;
}

void PutInt(std::vector<BYTE>& body, size_t at, int32_t value) {
  for (int i = 0; i < 4; ++i) body[at + i] = static_cast<BYTE>(static_cast<uint32_t>(value) >> (8 * i));
}

std::vector<BYTE> Body(const Notice& n) {
  switch (n.code) {
    case NOTIFY_PLAYER_SEATED: return PlayerBody(n.chair, n.player);
    case NOTIFY_PLAYER_LEFT: {
      std::vector<BYTE> body(32);
      PutInt(body, 0, n.player.userId);
      PutInt(body, 4, n.chair);
      PutInt(body, 28, TABLE_NO);
      return body;
    }
    case NOTIFY_RANDOM_SEATED: {
      std::vector<BYTE> body(64);
      PutInt(body, 4, TABLE_NO);
      PutInt(body, 8, 4);
      for (int chair = 0; chair < 4; ++chair) {
        PutInt(body, 12 + 4 * static_cast<size_t>(chair), SEATING[chair].userId);
        const std::vector<BYTE> record = PlayerBody(chair, SEATING[chair]);
        body.insert(body.end(), record.begin(), record.end());
      }
      return body;
    }
    default: return {};
  }
}

class SeatNoticesTest : public tabletest::VariantTableFixture, public ::testing::WithParamInterface<SeatCase> {
 protected:
  void SetUp() override {
    VariantTableFixture::SetUp();
    LinkGameData();
    // The framework's part of the notices keeps the seats of the running program.
    m_app = std::make_unique<CVariantApp>();
    m_app->Launch().userId = SEATED[0].userId;
    m_app->Launch().chair = 0;
    m_app->Launch().tableNo = TABLE_NO;
    AfxGetThreadState().pCurrentThread = m_app.get();
    for (int chair = 0; chair < 4; ++chair) {
      PlayerRecord* r = m_app->Tables().Seat(chair);
      r->userId = SEATED[chair].userId;
      r->chair = chair;
      r->tableNo = TABLE_NO;
      std::snprintf(r->name, sizeof r->name, "%s", SEATED[chair].name);
    }
    m_info.SetOwnChair(0);
    CVariantTableScene::Hooks hooks;
    hooks.sideName = [this](int side) { return CVariantTableScene::PlateName(m_app->Tables(), m_info, side); };
    hooks.chairToSide = [this](int chair) { return m_info.ChairToSide(chair); };
    hooks.settlementOpen = [this] { return m_settlementOpen; };
    hooks.refillRecordBoard = [this](bool clearTotals) {
      std::array<std::string, RECORD_BOARD_CHAIRS> names;
      for (int chair = 0; chair < RECORD_BOARD_CHAIRS; ++chair) {
        names[static_cast<size_t>(chair)] = static_cast<LPCSTR>(m_app->GetSeatPlayerName(chair));
      }
      m_board.Refill(names, clearTotals ? 1 : 0);
    };
    MakeScene(hooks);
    OpenScene();
    m_scene->OnPlayerSeated(0);  // the board lists the table as entered
    CVariantNotify::SeatHooks seats;
    seats.playerSeated = [this](int chair) { m_scene->OnPlayerSeated(chair); };
    seats.playerLeft = [this](int chair) {
      const int row = m_board.RowOfChair(chair);
      m_scene->OnPlayerLeft(chair, row >= 0 ? m_board.Rows()[static_cast<size_t>(row)].name : std::string());
    };
    seats.randomSeated = [this] { m_scene->OnRandomSeated(); };
    seats.waitForTable = [this] { m_scene->ClearReadyIcons(); };
    m_sink.SetSeatHooks(seats);
    // The three other players have started.
    for (int chair = 1; chair < 4; ++chair) ASSERT_TRUE(m_scene->ShowReadyIcon(chair)) << chair;
    Advance(40);
  }
  void TearDown() override {
    VariantTableFixture::TearDown();
    AfxGetThreadState().pCurrentThread = nullptr;
    m_app.reset();
  }
  bool ReadyShown(int chair) {
    Entity* icon = m_scene->Extras().ReadyIcon(m_info.ChairToSide(chair));
    return icon != nullptr && icon->IsVisible();
  }

  std::unique_ptr<CVariantApp> m_app;
  tabletest::WatchingHost m_host;
  CTableDialogs m_dialogs;
  CVariantNotify m_sink{m_info, m_model, m_host, m_dialogs};
  CRecordBoardTally m_board;
  bool m_settlementOpen = false;
};

TEST_P(SeatNoticesTest, TheTableShowsTheSeatsAfterTheNotices) {
  const SeatCase& c = GetParam();
  ASSERT_TRUE(m_scene->Extras().Built());
  m_settlementOpen = c.settlementOpen;
  for (const Notice& n : c.notices) {
    const std::vector<BYTE> body = Body(n);
    EXPECT_EQ(1, m_sink.OnNotify(n.code, body.empty() ? nullptr : body.data(), body.size())) << n.code;
    Advance(40);
  }
  for (int chair = 0; chair < 4; ++chair) {
    SCOPED_TRACE(chair);
    EXPECT_EQ(c.ready[chair], ReadyShown(chair));
    EXPECT_EQ(c.plates[chair], m_scene->PlateText(m_info.ChairToSide(chair)));
  }
  // The seats are shown from the board too: the leaver's name is no longer listed.
  for (const CRecordBoardTally::Row& row : m_board.Rows()) {
    EXPECT_EQ(row.name, std::string(c.plates[row.chair])) << row.chair;
  }
  m_settlementOpen = false;
  EXPECT_EQ(c.startShowsIcon, m_scene->ShowReadyIcon(1));
}

const SeatCase SEAT_CASES[] = {
    {"WaitForTable", false, {{NTF_WAIT_FOR_TABLE, 0, {}}}, {false, false, false, false}, {"甲", "乙", "丙", "丁"}, true},
    {"PlayerLeftBetweenHands", false, {{NOTIFY_PLAYER_LEFT, 1, SEATED[1]}}, {false, false, true, true},
     {"甲", "", "丙", "丁"}, false},
    // While the settlement shows, the leaver's name stays on his seat.
    {"PlayerLeftDuringTheSettlement", true, {{NOTIFY_PLAYER_LEFT, 1, SEATED[1]}}, {false, false, true, true},
     {"甲", "乙", "丙", "丁"}, false},
    // A computer player gives up his chair to a joining player.
    {"ChairTakenOver", true, {{NOTIFY_PLAYER_LEFT, 1, SEATED[1]}, {NOTIFY_PLAYER_SEATED, 1, {505, "戊"}}},
     {false, false, true, true}, {"甲", "戊", "丙", "丁"}, false},
    {"PlayerSeatedInAnEmptyChair", false, {{NOTIFY_PLAYER_LEFT, 3, SEATED[3]}, {NOTIFY_PLAYER_SEATED, 3, {505, "戊"}}},
     {false, true, true, false}, {"甲", "乙", "丙", "戊"}, false},
    // After a leave the icons stay away until the system seats everybody anew.
    {"SeatedAnew", true, {{NOTIFY_PLAYER_LEFT, 1, SEATED[1]}, {NOTIFY_RANDOM_SEATED, 0, {}}}, {false, false, true, true},
     {"甲", "己", "庚", "辛"}, true},
};

INSTANTIATE_TEST_SUITE_P(Notices, SeatNoticesTest, ::testing::ValuesIn(SEAT_CASES),
                         [](const ::testing::TestParamInfo<SeatCase>& info) { return std::string(info.param.name); });

}  // namespace
