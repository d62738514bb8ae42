// The framework's notification sink on a main frame with recording panes: what each code does
// to the player tables, which hooks it calls, which boxes it shows, and that a body too short
// for its code changes nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/NotifyBodies.h"
#include "net/WireBytes.h"
#include "platform/mfc/AfxThreadState.h"
#include "platform/user/Dialog.h"
#include "resources/ProgramResources.h"
#include "tests/support/FrameworkDoubles.h"
#include "tests/support/MessagePump.h"
#include "tests/support/TempDir.h"

namespace {

using Bytes = std::vector<BYTE>;

Bytes Ints(std::initializer_list<int32_t> values) {
  Bytes bytes;
  for (int32_t v : values) {
    BYTE b[4];
    WriteU32Le(b, static_cast<uint32_t>(v));
    bytes.insert(bytes.end(), b, b + 4);
  }
  return bytes;
}

void PutInt(Bytes& b, size_t offset, int32_t value) { WriteU32Le(b.data() + offset, static_cast<uint32_t>(value)); }

Bytes Wire(int userId, int chair, int tableNo) {
  Bytes w(WIRE_PLAYER_RECORD_SIZE, 0);
  PutInt(w, 0, userId);
  PutInt(w, 12, tableNo);
  PutInt(w, 16, chair);
  std::memcpy(w.data() + 36, "seated", 6);
  return w;
}

// The texts of the count-down boxes that are up, closed as they are read.
std::vector<std::string> TakeBoxes() {
  std::vector<std::string> texts;
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        char caption[64] = {};
        GetWindowTextA(hwnd, caption, sizeof(caption));
        if (std::strcmp(caption, "测试") == 0 && GetDlgItem(hwnd, 1010) != nullptr) {
          char text[512] = {};
          GetDlgItemTextA(hwnd, 1010, text, sizeof(text));
          reinterpret_cast<std::vector<std::string>*>(param)->push_back(text);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&texts));
  return texts;
}

class NotifySinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resources::RegisterProgramResources();
    AfxGetThreadState().pCurrentThread = &m_app;
    LaunchLine& launch = m_app.Launch();
    launch.userId = 1001;
    launch.tableNo = 5;
    launch.chair = 2;
    std::strcpy(launch.gameName, "测试");
    ASSERT_TRUE(m_app.CreateMainFrame());
    Seat(2, 1001, "me");
    Seat(0, 2002, "east");
  }

  void TearDown() override {
    for (HWND box = FindBox(); box != nullptr; box = FindBox()) DestroyWindow(box);
    if (m_app.m_frame != nullptr && IsWindow(m_app.m_frame->GetSafeHwnd())) m_app.m_frame->DestroyWindow();
    m_app.m_pMainWnd = nullptr;
    AfxGetThreadState().pCurrentThread = nullptr;
    testsupport::Pump();
  }

  static HWND FindBox() {
    HWND found = nullptr;
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
          char caption[64] = {};
          GetWindowTextA(hwnd, caption, sizeof(caption));
          if (std::strcmp(caption, "测试") == 0 && GetDlgItem(hwnd, 1010) != nullptr) {
            *reinterpret_cast<HWND*>(param) = hwnd;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
  }

  void Seat(int chair, int userId, const char* name) {
    PlayerRecord* seat = m_app.Tables().Seat(chair);
    seat->userId = userId;
    seat->chair = chair;
    seat->tableNo = 5;
    std::strcpy(seat->name, name);
  }

  int Notify(int code, const Bytes& body) { return m_app.m_sink.OnNotify(code, body.data(), body.size()); }
  testsupport::HookLog& Log() { return m_app.m_frame->m_log; }

  testsupport::CTestGameApp m_app;
};

TEST_F(NotifySinkTest, ShortBodiesAreRefusedAndChangeNothing) {
  struct Case {
    int code;
    size_t length;
  } cases[] = {
      {NOTIFY_PLAYER_LEFT, 31},        {NOTIFY_PLAYER_SEATED, 135}, {NOTIFY_ONLOOKER_LEFT, 3},
      {NOTIFY_PLAYER_CALLED, 19},      {NOTIFY_SILVER_SHORT, 0},    {NOTIFY_OUTSIDE_OPEN_HOURS, 11},
      {NOTIFY_ROUND_RESULTS, 31},      {NOTIFY_BASE_SILVER, 11},    {NOTIFY_CLOTHING_CHANGED, 8},
      {NOTIFY_MOVED_TO_TABLE, 67},     {NOTIFY_NAMES_CHANGED, 415}, {NOTIFY_RANDOM_SEATED, 63},
      {NOTIFY_PLAYERS_UPDATED, 19},
  };
  for (const Case& c : cases) {
    Bytes body(c.length, 0);
    EXPECT_EQ(0, m_app.m_sink.OnNotify(c.code, c.length ? body.data() : nullptr, c.length)) << c.code;
  }
  EXPECT_TRUE(Log().calls.empty());
  EXPECT_TRUE(TakeBoxes().empty());
  EXPECT_EQ(2002, m_app.GetSeatUserID(0));
  EXPECT_EQ(0, Notify(211029, Ints({1, 2, 3})));
}

TEST_F(NotifySinkTest, PlayersComeAndGo) {
  // A seated player arrives at chair 4; one with chair 9 is refused.
  EXPECT_EQ(1, Notify(NOTIFY_PLAYER_SEATED, Wire(3003, 4, 5)));
  EXPECT_EQ(3003, m_app.GetSeatUserID(4));
  EXPECT_TRUE(Log().Has("Chat.OnPlayerEntered:3003"));
  EXPECT_TRUE(Log().Has("Players.AddPlayerRow:3003"));
  EXPECT_TRUE(Log().Has("Table.OnPlayerSeated:3003"));
  Notify(NOTIFY_PLAYER_SEATED, Wire(4004, 9, 5));
  EXPECT_EQ(nullptr, m_app.FindPlayer(4004));

  // A player who leaves another chair than his own changes nothing; his own chair clears him.
  Bytes left(32, 0);
  PutInt(left, 0, 3003);
  PutInt(left, 4, 3);
  PutInt(left, 28, 5);
  Notify(NOTIFY_PLAYER_LEFT, left);
  EXPECT_EQ(3003, m_app.GetSeatUserID(4));
  PutInt(left, 4, 4);
  Notify(NOTIFY_PLAYER_LEFT, left);
  EXPECT_EQ(0, m_app.GetSeatUserID(4));
  EXPECT_TRUE(Log().Has("Players.DeleteRow:3003"));
  EXPECT_TRUE(TakeBoxes().empty()) << "the own user is not looking on";

  // While a game is played, seat changes wait for the game's own table data.
  m_app.m_playing = 1;
  Notify(NOTIFY_PLAYER_SEATED, Wire(5005, 5, 5));
  EXPECT_EQ(0, m_app.GetSeatUserID(5));
}

TEST_F(NotifySinkTest, TheWatchedPlayerLeavingEndsTheOnlooking) {
  m_app.Launch().lookOn = 1;
  m_app.Launch().chair = 0;
  Bytes left(32, 0);
  PutInt(left, 0, 2002);
  PutInt(left, 4, 0);
  PutInt(left, 28, 5);
  Notify(NOTIFY_PLAYER_LEFT, left);
  std::vector<std::string> boxes = TakeBoxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("east 已经离开，旁观结束。", boxes[0]);
  EXPECT_EQ(0, m_app.GetSeatUserID(0));
}

TEST_F(NotifySinkTest, CallsClothingAndCodesWithoutEffect) {
  Notify(NOTIFY_PLAYER_CALLED, Ints({2002, 0, 0, 0, 1001}));
  EXPECT_EQ(std::vector<int>{29012}, m_app.m_sounds);
  Notify(NOTIFY_PLAYER_CALLED, Ints({1001, 0, 0, 0, 2002}));
  EXPECT_EQ(1u, m_app.m_sounds.size()) << "a call for someone else plays nothing";

  Bytes clothing = Ints({2002, 0, 6});
  Notify(NOTIFY_CLOTHING_CHANGED, clothing);
  Notify(NOTIFY_CLOTHING_CHANGED, clothing);
  EXPECT_EQ(1u, Log().Count("Chat.OnClothingChanged"));
  EXPECT_EQ(1u, Log().Count("Table.OnClothingChanged"));

  Bytes base = Ints({0, 7, 1});
  Notify(NOTIFY_BASE_SILVER, base);
  EXPECT_EQ(0u, Log().Count("Players.OnBaseSilver")) << "chair 7 has no player";
  base = Ints({0, -3, 1});
  Notify(NOTIFY_BASE_SILVER, base);
  EXPECT_EQ(0u, Log().Count("Players.OnBaseSilver"));
  base = Ints({0, 0, 1});
  Notify(NOTIFY_BASE_SILVER, base);
  EXPECT_EQ(1u, Log().Count("Players.OnBaseSilver"));
}

TEST_F(NotifySinkTest, EndingBoxes) {
  struct Case {
    int code;
    Bytes body;
    std::string text;
  } cases[] = {
      {NOTIFY_SILVER_SHORT, Ints({2002}), "east的银子不够了，这一桌游戏结束。"},
      {NOTIFY_PLAYER_ROUNDS_OVER, Ints({2002, 0, 0, 16}), "east的总局数超出限制(16局)，这一桌游戏结束。"},
      {NOTIFY_TABLE_ROUNDS_OVER, Ints({0, 0, 8}), "这一桌的局数超出限制(8局)，游戏结束。"},
      {NOTIFY_OUTSIDE_OPEN_HOURS, Ints({0, 0, 0}), "已超出限定时间，不能继续游戏。"},
      {NOTIFY_SERVER_MESSAGE, Bytes{0, 0, 0, 0, 0, 0, 0, 0, 'h', 'i'}, "hi"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(1, Notify(c.code, c.body));
    std::vector<std::string> boxes = TakeBoxes();
    ASSERT_EQ(1u, boxes.size()) << c.code;
    EXPECT_EQ(c.text, boxes[0]) << c.code;
    DestroyWindow(FindBox());
  }
}

TEST_F(NotifySinkTest, TableClosedClearsTheOpenFlag) {
  Notify(NOTIFY_TABLE_CLOSED, {});
  EXPECT_FALSE(m_app.m_frame->IsTableOpen());
  EXPECT_TRUE(Log().Has("Table.ResetTable"));
  EXPECT_EQ(-NOTIFY_TABLE_CLOSED, m_app.m_sink.codes.back()) << "the game layer's override ran after the base";
}

}  // namespace

namespace {

// A 32 x 32 24-bit BMP of one colour.
std::string SolidBmp() {
  std::string file(54 + 32 * 32 * 3, '\0');
  auto put = [&file](size_t offset, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file[offset + i] = static_cast<char>(value >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put(2, static_cast<uint32_t>(file.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, 32, 4);
  put(22, 32, 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (size_t i = 54; i < file.size(); ++i) file[i] = static_cast<char>(0x40);
  return file;
}

TEST_F(NotifySinkTest, PortraitsAreLoadedOnce) {
  testsupport::TempDir dir;
  setenv("PXQD_SYSTEM_DIR", dir.Path().c_str(), 1);
  dir.Write("kmvt.ini", "[SYSTEM]\r\nExePath=" + dir.Path() + "/hall/hall.exe\r\n");
  dir.Write("hall/Share/Image/portrait/42_0.bmp", SolidBmp());
  m_app.LoadPortrait(42);
  m_app.LoadPortrait(42);
  EXPECT_EQ(1, ImageList_GetImageCount(m_app.GetPortraitList(false)));
  EXPECT_EQ(1, ImageList_GetImageCount(m_app.GetPortraitList(true))) << "both lists keep the same index";
  EXPECT_EQ(0, m_app.GetPortraitIndex(42));
  EXPECT_EQ(-1, m_app.GetPortraitIndex(43));
  unsetenv("PXQD_SYSTEM_DIR");
}

}  // namespace

namespace {

TEST_F(NotifySinkTest, SignedAddressesAndSilverBoxes) {
  // Without a hall there is no sign, but the query still names the user.
  EXPECT_STREQ("http://a/b?uid=1001&sign=", m_app.SignUrl("http://a/b", TRUE));
  EXPECT_STREQ("http://a/b?x=1&uid=1001&sign=", m_app.SignUrl("http://a/b?x=1", TRUE));
  EXPECT_STREQ("http://a/b", m_app.SignUrl("http://a/b", FALSE));

  // Without the bank the short text goes in a modeless box; a reply too short for its two
  // amounts gets the same box rather than numbers read past its end.
  EXPECT_EQ(0, m_app.MayUseBank());
  m_app.OnSilverTooLow(nullptr, 0);
  EXPECT_EQ(std::vector<std::string>{"客官您的银子不够啦，取点银子再来吧！"}, TakeBoxes());
  DestroyWindow(FindBox());
  m_app.Tables().Room().flags = 1 << 2;
  m_app.Tables().Room().options = 1 << 24;
  EXPECT_EQ(1, m_app.MayUseBank());
  Bytes shortReply = Ints({0, 0, 300});
  m_app.OnSilverTooHigh(shortReply.data(), shortReply.size());
  EXPECT_EQ(std::vector<std::string>{"客官，您的银子也太多了，快去存起来吧！"}, TakeBoxes());
}

}  // namespace
