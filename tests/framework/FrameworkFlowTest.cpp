// The framework as a whole on one thread: the application starts against the wire server, the
// main frame takes the hall's records from a hall window in this process, enters the table,
// relays notifications to its panes and ends with its exit report; the timers run on a stopped
// clock that the tests move.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/GameCommThread.h"
#include "framework/HallRecords.h"
#include "framework/NotifyBodies.h"
#include "framework/RequestBodies.h"
#include "net/SharedKeys.h"
#include "net/WireBytes.h"
#include "platform/mfc/AfxThreadState.h"
#include "platform/user/Dialog.h"
#include "platform/winsock/WinSock.h"
#include "testbed/server/WireServer.h"
#include "tests/framework/NoticeWebServer.h"
#include "tests/support/FrameworkDoubles.h"
#include "tests/support/MessagePump.h"
#include "tests/support/StoppedClock.h"
#include "tests/support/TempDir.h"

namespace {

using testbed::Bytes;
using testbed::Reply;
using testbed::Request;

// What the hall's window received.
struct HallInbox {
  std::vector<std::pair<UINT, LPARAM>> messages;
  std::vector<std::pair<ULONG_PTR, Bytes>> records;
};
HallInbox* g_inbox = nullptr;

LRESULT CALLBACK HallProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_inbox != nullptr) {
    if (message == WM_COPYDATA) {
      auto* copy = reinterpret_cast<COPYDATASTRUCT*>(lParam);
      const BYTE* data = static_cast<const BYTE*>(copy->lpData);
      g_inbox->records.emplace_back(copy->dwData, Bytes(data, data + copy->cbData));
      return TRUE;
    }
    if (message >= WM_USER) g_inbox->messages.emplace_back(message, lParam);
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

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

Bytes PlayerBytes(int userId, int chair, const char* name) {
  Bytes r(PLAYER_RECORD_SIZE, 0);
  PutInt(r, 0, userId);
  std::memcpy(r.data() + 20, name, std::strlen(name));
  PutInt(r, 144, chair);
  return r;
}

class FrameworkFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_inbox = &m_inbox;
    setenv("PXQD_SYSTEM_DIR", m_dir.Path().c_str(), 1);
    WNDCLASSA wc{};
    wc.lpfnWndProc = HallProc;
    wc.lpszClassName = "TestHallWindow";
    RegisterClassA(&wc);
    m_hall = CreateWindowExA(0, "TestHallWindow", "hall", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, m_hall);
    ASSERT_TRUE(m_server.Start());
    m_server.SetHandler([this](const Request& r) {
      std::lock_guard<std::mutex> guard(m_lock);
      auto it = m_replies.find(r.code);
      return it != m_replies.end() ? it->second : Reply{};
    });
    Answer(REQ_CHECK_VERSION, 10, Ints({2, 0, 0, 0, 0, 0, 0}));
    Answer(REQ_ENTER_GAME, 200500);
    Answer(REQ_GAME_RUNNING, 10);
    char line[256];
    std::snprintf(line, sizeof(line), "\"7|127.0.0.1|12|%u|0|1001|5|2|0|0|测试|%u\"",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(m_hall)), static_cast<unsigned>(m_server.Port()));
    m_app.m_commandLine = line;
    AfxGetThreadState().pCurrentThread = &m_app;
  }

  void TearDown() override {
    // A frame that the test left open goes with its window (it deletes itself).
    if (m_frameWindow != nullptr && IsWindow(m_frameWindow)) DestroyWindow(m_frameWindow);
    if (m_started) m_app.ExitInstance();
    AfxGetThreadState().pCurrentThread = nullptr;
    if (IsWindow(m_hall)) DestroyWindow(m_hall);
    m_server.Stop();
    g_inbox = nullptr;
    unsetenv("PXQD_SYSTEM_DIR");
    testsupport::Pump();
  }

  void Answer(DWORD code, DWORD result, const Bytes& data = {}) {
    std::lock_guard<std::mutex> guard(m_lock);
    Reply reply;
    reply.result = result;
    reply.data = data;
    m_replies[code] = reply;
  }

  // Requests sent without waiting for a reply may still be on their way.
  bool WaitSent(DWORD code) {
    for (int i = 0; i < 1000; ++i) {
      if (Sent(code)) return true;
      m_server.WaitForRequests(m_server.Requests().size() + 1, 10);
    }
    return Sent(code);
  }

  bool Sent(DWORD code) {
    for (const Request& r : m_server.Requests()) {
      if (r.code == code) return true;
    }
    return false;
  }

  // Sends a hall record to the frame, enciphered and padded to whole blocks.
  void SendHallRecord(ULONG_PTR kind, Bytes plain) {
    plain.resize((plain.size() + 15) / 16 * 16, 0);
    Bytes sealed(plain.size());
    ASSERT_EQ(1, EncryptHallData(HallKey(), static_cast<DWORD>(plain.size()), plain.data(), sealed.data()));
    COPYDATASTRUCT copy{};
    copy.dwData = kind;
    copy.cbData = static_cast<DWORD>(sealed.size());
    copy.lpData = sealed.data();
    ::SendMessageA(m_app.m_frame->GetSafeHwnd(), WM_COPYDATA, reinterpret_cast<WPARAM>(m_hall),
                   reinterpret_cast<LPARAM>(&copy));
  }

  Bytes SessionData(int noticePeriod = 0, const std::string& noticeBase = "") {
    Bytes d(SESSION_PLAYERS_OFFSET, 0);
    PutInt(d, 292, m_roomOptions);
    PutInt(d, 280, noticePeriod);
    std::memcpy(d.data() + 148, noticeBase.data(), noticeBase.size());
    std::memcpy(d.data() + 20, "房间", 4);
    std::memcpy(d.data() + 212, "一楼", 4);
    PutInt(d, ROOM_RECORD_SIZE, 5);
    PutInt(d, ROOM_RECORD_SIZE + 8, 2);
    for (const Bytes& p : {PlayerBytes(1001, 2, "me"), PlayerBytes(2002, 0, "other")}) d.insert(d.end(), p.begin(), p.end());
    return d;
  }

  // Starts the application and seats it at the table.
  void StartAndEnter(int noticePeriod = 0, const std::string& noticeBase = "") {
    ASSERT_TRUE(m_app.InitInstance());
    m_started = true;
    ASSERT_NE(nullptr, m_app.m_frame);
    m_frameWindow = m_app.m_frame->GetSafeHwnd();
    SendHallRecord(HALL_SESSION_DATA, SessionData(noticePeriod, noticeBase));
    ASSERT_TRUE(testsupport::PumpUntil([&] { return m_app.m_frame->m_log.Has("PaneUpdate"); }, 10000));
  }

  size_t HallRecords(ULONG_PTR kind) {
    size_t n = 0;
    for (const auto& r : m_inbox.records) n += r.first == kind ? 1 : 0;
    return n;
  }

  testsupport::TempDir m_dir;
  HallInbox m_inbox;
  HWND m_hall = nullptr;
  testbed::WireServer m_server;
  std::mutex m_lock;
  std::map<DWORD, Reply> m_replies;
  testsupport::CTestGameApp m_app;
  HWND m_frameWindow = nullptr;
  bool m_started = false;
  int m_roomOptions = 0;
};

TEST_F(FrameworkFlowTest, StartEnterChatAndClose) {
  StartAndEnter();
  EXPECT_TRUE(Sent(REQ_CHECK_VERSION));
  EXPECT_TRUE(Sent(REQ_ENTER_GAME));
  ASSERT_FALSE(m_inbox.messages.empty());
  EXPECT_EQ(static_cast<UINT>(WM_HALL_GAME_WINDOW), m_inbox.messages[0].first);
  EXPECT_EQ(5, m_inbox.messages[0].second) << "the game window goes with the table number";
  EXPECT_EQ(2002, m_app.GetSeatUserID(0));
  EXPECT_TRUE(m_app.m_frame->m_log.Has("Table.InitKickCountdown")) << "entered: the not-started count-down runs";

  // A chat line from the server reaches the chat pane through the comm thread and the sink.
  Bytes chat = MakeChatBody(RequestContext{}, "你好");
  PutInt(chat, 0, 2002);
  ASSERT_TRUE(m_server.Notify(-1, NOTIFY_CHAT_MESSAGE, chat));
  ASSERT_TRUE(testsupport::PumpUntil([&] { return m_app.m_frame->m_log.Has("Chat.OnChatLine:2002:你好"); }, 10000));

  // Chat goes out without waiting for a reply.
  EXPECT_EQ(1, m_app.m_connection.SendChat("hello"));

  ::PostMessageA(m_app.m_frame->GetSafeHwnd(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(testsupport::PumpUntil([&] { return HallRecords(HALL_EXIT_REPORT) == 1; }, 10000));
  EXPECT_TRUE(Sent(REQ_GAME_RUNNING));
  EXPECT_TRUE(WaitSent(REQ_LEAVE_TABLE));
  const Bytes& report = m_inbox.records.back().second;
  ASSERT_EQ(188u, report.size());
  EXPECT_EQ(1001u, ReadU32Le(report.data() + 4));
  EXPECT_EQ(0u, ReadU32Le(report.data() + 24));
  EXPECT_EQ(nullptr, GetCommThread()) << "the comm thread has stopped";
  EXPECT_TRUE(WaitSent(REQ_CHAT));
}

TEST_F(FrameworkFlowTest, NoticeTimerOnlyForAPositivePeriod) {
  StartAndEnter(0);
  EXPECT_EQ(0u, m_app.m_frame->GetNoticeTimer()) << "a period of 0 would fire without pause";
}

TEST_F(FrameworkFlowTest, NoticeDownloadsOneAtATime) {
  StartAndEnter(60);
  EXPECT_NE(0u, m_app.m_frame->GetNoticeTimer());
  // The notice base is empty, so the download fails at once; a second tick meanwhile starts no
  // second download, and the finished job is let go.
  m_app.m_frame->StartNotifyDownload();
  m_app.m_frame->StartNotifyDownload();
  EXPECT_EQ(1u, m_app.m_frame->GetDownloadJobCount());
  ASSERT_TRUE(testsupport::PumpUntil([&] { return m_app.m_frame->GetDownloadJobCount() == 0; }, 30000));
  EXPECT_FALSE(m_app.m_frame->m_log.Has("Chat.ShowNotice:"));
}

TEST_F(FrameworkFlowTest, NoticeReachesTheChatPane) {
  struct Case {
    std::string body;
    bool shown;
  } cases[] = {{"<NOTIFY>欢迎", true}, {"hello", false}, {"", false}};
  for (const Case& c : cases) {
    NoticeWebServer web(c.body);
    const int port = web.Port();
    if (m_app.m_frame == nullptr) StartAndEnter(60, "127.0.0.1:" + std::to_string(port));
    std::strcpy(m_app.Tables().Room().noticeBase, ("127.0.0.1:" + std::to_string(port)).c_str());
    const size_t before = m_app.m_frame->m_log.Count("Chat.ShowNotice:");
    m_app.m_frame->StartNotifyDownload();
    ASSERT_TRUE(testsupport::PumpUntil([&] { return m_app.m_frame->GetDownloadJobCount() == 0; }, 30000));
    EXPECT_EQ(c.shown ? before + 1 : before, m_app.m_frame->m_log.Count("Chat.ShowNotice:")) << c.body;
    if (c.shown) EXPECT_TRUE(m_app.m_frame->m_log.Has("Chat.ShowNotice:" + c.body));
  }
}

TEST_F(FrameworkFlowTest, ARefusedLeaveKeepsTheWindowOpen) {
  m_roomOptions = 1 << 6;
  Answer(REQ_LEAVE_GAME, 210087);
  StartAndEnter();
  // The refusal shows in a modal box; the player presses OK.
  std::atomic<bool> stop{false};
  std::string shown;
  std::thread player([&] {
    while (!stop) {
      HWND box = nullptr;
      EnumWindows(
          [](HWND hwnd, LPARAM param) -> BOOL {
            if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, 1010) != nullptr && GetDlgItem(hwnd, 1011) != nullptr) {
              *reinterpret_cast<HWND*>(param) = hwnd;
              return FALSE;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&box));
      if (box != nullptr) {
        char text[256] = {};
        GetDlgItemTextA(box, 1010, text, sizeof(text));
        shown = text;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  ::SendMessageA(m_app.m_frame->GetSafeHwnd(), WM_CLOSE, 0, 0);
  stop = true;
  player.join();
  EXPECT_EQ("离开游戏失败，请等待本局结果提交。", shown);
  EXPECT_TRUE(IsWindow(m_frameWindow)) << "the window stays open";
  EXPECT_EQ(0u, HallRecords(HALL_EXIT_REPORT));
  EXPECT_TRUE(Sent(REQ_LEAVE_GAME));
  EXPECT_FALSE(Sent(REQ_LEAVE_TABLE));
}

TEST_F(FrameworkFlowTest, APlayerWhoQuitsClosesTheGameAfterThreeSeconds) {
  testsupport::StoppedClock clock;
  StartAndEnter();
  const int32_t hall = static_cast<int32_t>(reinterpret_cast<uintptr_t>(m_hall));
  SendHallRecord(HALL_PLAYER_QUIT, Ints({hall, 2002, 5, 0}));
  EXPECT_TRUE(WaitSent(REQ_LEAVE_TABLE)) << "the leave goes out for the player who quit";
  clock.Advance(2999);
  testsupport::PumpUntil([] { return false; }, 50);
  EXPECT_EQ(0u, HallRecords(HALL_EXIT_REPORT));
  clock.Advance(1);
  ASSERT_TRUE(testsupport::PumpUntil([&] { return HallRecords(HALL_EXIT_REPORT) == 1; }, 10000));
}

TEST_F(FrameworkFlowTest, AfterTheTableClosedAQuitIsIgnored) {
  StartAndEnter();
  ASSERT_TRUE(m_server.Notify(-1, NOTIFY_TABLE_CLOSED, Bytes{}));
  ASSERT_TRUE(testsupport::PumpUntil([&] { return !m_app.m_frame->IsTableOpen(); }, 10000));
  const size_t resets = m_app.m_frame->m_log.Count("Table.ResetTable");
  SendHallRecord(HALL_PLAYER_QUIT, Ints({static_cast<int32_t>(reinterpret_cast<uintptr_t>(m_hall)), 2002, 5, 0}));
  EXPECT_EQ(resets, m_app.m_frame->m_log.Count("Table.ResetTable"));
}

TEST_F(FrameworkFlowTest, PaneHeightsFollowTheRoom) {
  StartAndEnter();
  const int small = m_app.IsSmallScreen();
  EXPECT_EQ(small ? 120 : 200, m_app.m_frame->GetMinPaneHeight());
  m_app.Tables().Room().options = 1 << 3;
  EXPECT_EQ(small ? 72 : 104, m_app.m_frame->GetMinPaneHeight());
  m_app.Launch().lookOn = 1;
  EXPECT_EQ(small ? 120 : 200, m_app.m_frame->GetMinPaneHeight());
}

TEST_F(FrameworkFlowTest, ServerDropMidGameReportsKindFive) {
  testsupport::StoppedClock clock;
  StartAndEnter();
  m_app.m_playing = 1;
  m_server.CloseSession(m_server.LastSession());
  // The lost connection shows a 30-second box; when it runs out the game closes.
  ASSERT_TRUE(testsupport::PumpUntil([&] { return m_app.GetExitKind() != 0; }, 10000));
  m_app.m_playing = 0;
  for (int i = 0; i < 31 && HallRecords(HALL_EXIT_REPORT_DROPPED) == 0; ++i) {
    clock.Advance(1000);
    testsupport::PumpUntil([] { return false; }, 20);
  }
  ASSERT_EQ(1u, HallRecords(HALL_EXIT_REPORT_DROPPED));
  EXPECT_EQ(0u, HallRecords(HALL_EXIT_REPORT));
  EXPECT_EQ(1u, ReadU32Le(m_inbox.records.back().second.data() + 24));
}

TEST_F(FrameworkFlowTest, HallGoneEndsTheLoopWithoutReport) {
  testsupport::StoppedClock clock;
  StartAndEnter();
  DestroyWindow(m_hall);
  clock.Advance(1000);
  bool quit = false;
  for (int i = 0; i < 500 && !quit; ++i) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) quit = true;
      DispatchMessageA(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  EXPECT_TRUE(quit);
  EXPECT_TRUE(m_inbox.records.empty()) << "no exit report after the hall is gone";
  EXPECT_FALSE(Sent(REQ_LEAVE_TABLE));
}

TEST_F(FrameworkFlowTest, HallRecordsAreCheckedAndDispatched) {
  StartAndEnter();
  auto& log = m_app.m_frame->m_log;
  // An onlooker joins; a record too short for its layout is refused.
  Bytes onlooker = PlayerBytes(3003, 2, "watcher");
  PutInt(onlooker, 148, 1);
  SendHallRecord(HALL_ONLOOKER_JOINED, onlooker);
  EXPECT_TRUE(log.Has("Players.OnOnlookerJoined:3003"));
  EXPECT_TRUE(log.Has("Chat.OnOnlookerJoined:3003"));
  SendHallRecord(HALL_ONLOOKER_JOINED, Bytes(300, 1));
  EXPECT_EQ(1u, log.Count("Players.OnOnlookerJoined"));

  // A player-quit record for another table is ignored; for this table it resets the table.
  SendHallRecord(HALL_PLAYER_QUIT, Ints({static_cast<int32_t>(reinterpret_cast<uintptr_t>(m_hall)), 2002, 9, 0}));
  EXPECT_FALSE(log.Has("Table.ResetTable"));
  SendHallRecord(HALL_PLAYER_QUIT, Ints({static_cast<int32_t>(reinterpret_cast<uintptr_t>(m_hall)), 2002, 5, 0}));
  EXPECT_TRUE(log.Has("Table.ResetTable"));

  // Record 7 goes to the game layers with its length; record 3 is nobody's.
  SendHallRecord(HALL_PLAYER_DETAILS, Bytes(32, 7));
  EXPECT_TRUE(log.Has("HallData7:32"));
  size_t before = log.calls.size();
  SendHallRecord(3, Bytes(32, 7));
  EXPECT_EQ(before, log.calls.size());
}

TEST_F(FrameworkFlowTest, SignAnswersAreMatchedToTheirQuery) {
  StartAndEnter();
  // The hall answers the query it is posted with, from its own thread of control: here the
  // answer is sent to the wait dialog before the UI thread waits.
  uint32_t id = m_app.SignQueries().Create(1001);
  Bytes answer(HALL_SIGN_ANSWER_SIZE, 0);
  PutInt(answer, 0, 1001);
  std::memcpy(answer.data() + 8, "s1g", 3);
  PutInt(answer, 268, static_cast<int32_t>(id));
  Bytes sealed(answer.size());
  EncryptHallData(HallKey(), static_cast<DWORD>(answer.size()), answer.data(), sealed.data());
  COPYDATASTRUCT copy{HALL_SIGN_ANSWER, static_cast<DWORD>(sealed.size()), sealed.data()};
  // The comm thread makes its wait window on its own thread: on a busy machine that can come
  // after the table is entered, so the test waits for it (bounded, generously).
  for (int i = 0; i < 3000 && GetCommWaitWindow() == nullptr; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_NE(nullptr, GetCommWaitWindow());
  ::SendMessageA(GetCommWaitWindow(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
  EXPECT_EQ("s1g", m_app.SignQueries().Wait(id, 0));

  // An answer naming no pending query changes nothing.
  PutInt(answer, 268, 0x7FFF0000);
  EncryptHallData(HallKey(), static_cast<DWORD>(answer.size()), answer.data(), sealed.data());
  ::SendMessageA(GetCommWaitWindow(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
  EXPECT_EQ(1u, m_app.SignQueries().Count());
}

}  // namespace
