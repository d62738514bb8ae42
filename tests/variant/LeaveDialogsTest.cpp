#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/GameApp.h"
#include "platform/kernel/Time.h"
#include "resources/ProgramResources.h"
#include "tests/platform/MfcWindowTestSupport.h"
#include "tests/support/StoppedClock.h"
#include "variant/LeaveDialogs.h"
#include "variant/TableDialogs.h"

namespace {

class LeaveApp : public CGameApp {
 public:
  LeaveApp() : CGameApp("Pxqd", 31380, 2, 0) {}
};

// The table as the dialogs see it, recording what they send and write.
struct FakeTable {
  int requests = 0;
  bool byRequest = false;
  int sendResult = 1;
  std::vector<std::string> sent;
  std::vector<std::string> chat;
  std::vector<std::pair<int, bool>> replies;
  std::vector<int> sounds;

  LeaveTable Table() {
    LeaveTable t;
    t.ownRequests = [this] { return requests; };
    t.countRequest = [this] { ++requests; };
    t.leaveByRequest = [this] { return byRequest; };
    t.sendRequest = [this](const std::string& reason) {
      sent.push_back(reason);
      return sendResult;
    };
    t.sendReply = [this](int asker, bool agree) {
      replies.emplace_back(asker, agree);
      return 1;
    };
    t.chat = [this](const std::string& line) { chat.push_back(line); };
    t.playerName = [](int userId) { return userId == 7 ? std::string("我") : std::string("张三"); };
    t.ownUserId = [] { return 7; };
    t.playSound = [this](int sound) { sounds.push_back(sound); };
    return t;
  }
};

// The leave dialog with a script that runs inside its modal loop once it has opened.
class ScriptedLeaveDlg : public CLeaveRequestDlg {
 public:
  ScriptedLeaveDlg(LeaveTable table, std::function<void(ScriptedLeaveDlg&)> script)
      : CLeaveRequestDlg(std::move(table)), m_script(std::move(script)) {}
  BOOL OnInitDialog() override {
    CLeaveRequestDlg::OnInitDialog();
    PostMessage(WM_APP);
    return TRUE;
  }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_APP) {
      m_script(*this);
      return 0;
    }
    return CLeaveRequestDlg::WindowProc(message, wParam, lParam);
  }
  std::string Text(int id) {
    CString text;
    GetDlgItemText(id, text);
    return static_cast<LPCSTR>(text);
  }
  void Click(int id) { SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, id))); }

 private:
  std::function<void(ScriptedLeaveDlg&)> m_script;
};

class LeaveDialogsTest : public mfcwin::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(resources::RegisterProgramResources());
  }
  LeaveApp m_app;
  FakeTable m_fake;
};

TEST_F(LeaveDialogsTest, RequestButtonCountsTheRequestsLeft) {
  struct Case {
    int sent;
    const char* text;
    bool enabled;
  };
  for (const Case& c : {Case{0, "请求退出(2)", true}, Case{1, "请求退出(1)", true}, Case{2, "请求退出(0)", false},
                        Case{5, "请求退出(0)", false}}) {
    SCOPED_TRACE(c.sent);
    m_fake.requests = c.sent;
    std::string text;
    bool enabled = false, forceVisible = false;
    ScriptedLeaveDlg dialog(m_fake.Table(), [&](ScriptedLeaveDlg& d) {
      text = d.Text(IDC_LEAVE_REQUEST);
      enabled = ::IsWindowEnabled(::GetDlgItem(d.GetSafeHwnd(), IDC_LEAVE_REQUEST));
      forceVisible = ::IsWindowVisible(::GetDlgItem(d.GetSafeHwnd(), IDOK));
      if (c.sent == 0) {
        mfcwin::Pump();
        mfcwin::SavePng(d.GetSafeHwnd(), "leave-request");
      }
      d.Click(IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(enabled, c.enabled);
    EXPECT_TRUE(forceVisible);
  }
}

TEST_F(LeaveDialogsTest, ForceQuitEndsWithOkUnlessTheTableLeavesByRequest) {
  ScriptedLeaveDlg plain(m_fake.Table(), [](ScriptedLeaveDlg& d) { d.Click(IDOK); });
  EXPECT_EQ(plain.DoModal(), IDOK);

  m_fake.byRequest = true;
  bool forceVisible = true;
  bool stillOpen = false;
  ScriptedLeaveDlg byRequest(m_fake.Table(), [&](ScriptedLeaveDlg& d) {
    forceVisible = ::IsWindowVisible(::GetDlgItem(d.GetSafeHwnd(), IDOK));
    d.Click(IDOK);  // the hidden button's command, as a key could raise it
    stillOpen = ::IsWindowVisible(d.GetSafeHwnd()) != FALSE;
    mfcwin::Pump();
    mfcwin::SavePng(d.GetSafeHwnd(), "leave-request-by-consent");
    d.Click(IDCANCEL);
  });
  EXPECT_EQ(byRequest.DoModal(), IDCANCEL);
  EXPECT_FALSE(forceVisible);
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(m_fake.sent.empty());
}

TEST_F(LeaveDialogsTest, EnterAddsALineAndTheRequestCarriesTheReason) {
  std::string reasonAfterEnter;
  ScriptedLeaveDlg dialog(m_fake.Table(), [&](ScriptedLeaveDlg& d) {
    HWND edit = ::GetDlgItem(d.GetSafeHwnd(), IDC_LEAVE_REASON);
    ::SetFocus(edit);
    ::SetWindowTextA(edit, "有事");
    ::SendMessageA(edit, EM_SETSEL, 4, 4);
    MSG enter{edit, WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    if (!d.PreTranslateMessage(&enter)) ::DispatchMessageA(&enter);
    mfcwin::Pump();
    reasonAfterEnter = d.Text(IDC_LEAVE_REASON);
    // Typing past the limit: 60 bytes stay.
    ::SetWindowTextA(edit, "");
    for (int i = 0; i < 70; ++i) ::SendMessageA(edit, WM_CHAR, 'x', 1);
    EXPECT_EQ(d.Text(IDC_LEAVE_REASON).size(), 60u);
    ::SetWindowTextA(edit, "有急事");
    d.Click(IDC_LEAVE_REQUEST);
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(reasonAfterEnter, "有事\r\n");
  EXPECT_EQ(m_fake.sent, std::vector<std::string>{"有急事"});
  EXPECT_EQ(m_fake.requests, 1);
  EXPECT_EQ(m_fake.chat, std::vector<std::string>{" <c=2906200>我请求退出 \r\n"});
}

TEST_F(LeaveDialogsTest, AFailedRequestCountsButIsNotAnnounced) {
  m_fake.sendResult = 0;
  ScriptedLeaveDlg dialog(m_fake.Table(), [](ScriptedLeaveDlg& d) { d.Click(IDC_LEAVE_REQUEST); });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(m_fake.requests, 1);
  EXPECT_TRUE(m_fake.chat.empty());
}

TEST(LeaveChatLines, AsTheyAreWritten) {
  EXPECT_EQ(LeaveRequestLine("张三"), " <c=2906200>张三请求退出 \r\n");
  EXPECT_EQ(LeaveReplyLine("我", true, "张三"), " <c=2906200>我答应张三的退出请求 \r\n");
  EXPECT_EQ(LeaveReplyLine("李四", false, "张三"), " <c=2906200>李四拒绝张三的退出请求 \r\n");
}

// The player pane's side: it receives the pop-up's answer and passes it on as the pane does.
class AnswerOwner : public CWnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_LEAVE_ANSWER) {
      answers.emplace_back(static_cast<int>(wParam), lParam != 0);
      AnswerLeaveRequest(table, static_cast<int>(wParam), lParam != 0);
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
  LeaveTable table;
  std::vector<std::pair<int, bool>> answers;
};

class LeaveAnswerTest : public LeaveDialogsTest {
 protected:
  void SetUp() override {
    LeaveDialogsTest::SetUp();
    ASSERT_TRUE(m_main.CreateEx(0, AfxRegisterWndClass(0), "main", WS_POPUP | WS_VISIBLE, 100, 50, 700, 500, nullptr,
                                nullptr));
    ASSERT_TRUE(m_owner.CreateEx(0, AfxRegisterWndClass(0), "pane", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, m_main.GetSafeHwnd(),
                                 nullptr));
    m_owner.table = m_fake.Table();
  }
  void TearDown() override {
    RunFor(40000);
    m_main.DestroyWindow();
    LeaveDialogsTest::TearDown();
  }
  // Runs the loop while moving the stopped clock on whenever the queue is empty.
  void RunFor(DWORD ms) {
    for (DWORD elapsed = 0; elapsed < ms;) {
      MSG msg;
      if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
        continue;
      }
      platform::AdvanceClock(10);
      elapsed += 10;
    }
  }
  testsupport::StoppedClock m_clock;
  CWnd m_main;
  AnswerOwner m_owner;
};

TEST_F(LeaveAnswerTest, AgreeingWritesTheAnswerAndSendsIt) {
  // A reason that fills its 64 bytes arrives cut to 63 on a character boundary.
  std::string reason(62, 'a');
  reason += "\xd3\xd0";
  CLeaveAnswerDlg* popup = ShowLeaveAnswer(&m_owner, &m_main, m_fake.Table(), 12, reason);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(m_fake.sounds, std::vector<int>{SOUND_LEAVE_ASK});
  HWND hwnd = popup->GetSafeHwnd();
  // At the main window's right edge less 200 and a margin of 10.
  EXPECT_EQ(popup->GetCurrentRect().left, 800 - 210);
  RunFor(500);
  CString text;
  ::GetDlgItemTextA(hwnd, IDC_ANSWER_NAME, text.GetBuffer(64), 64);
  text.ReleaseBuffer();
  EXPECT_EQ(text, CString("张三"));
  char shown[80] = {};
  ::GetDlgItemTextA(hwnd, IDC_ANSWER_REASON, shown, sizeof shown);
  EXPECT_EQ(std::string(shown), std::string(62, 'a'));
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(hwnd, IDC_ANSWER_REASON)));
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.bottom, 550 - 10);  // 10 pixels above the main window's bottom
  mfcwin::SavePng(hwnd, "leave-answer");

  popup->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_ANSWER_AGREE, STN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(hwnd, IDC_ANSWER_AGREE)));
  RunFor(2000);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ(m_owner.answers, (std::vector<std::pair<int, bool>>{{12, true}}));
  EXPECT_EQ(m_fake.replies, (std::vector<std::pair<int, bool>>{{12, true}}));
  EXPECT_EQ(m_fake.chat, std::vector<std::string>{" <c=2906200>我答应张三的退出请求 \r\n"});
  EXPECT_EQ(m_fake.sounds, (std::vector<int>{SOUND_LEAVE_ASK, SOUND_CLICK}));
}

TEST_F(LeaveAnswerTest, LeftAloneItGoesAfterThirtySecondsWithoutAnAnswer) {
  CLeaveAnswerDlg* popup = ShowLeaveAnswer(&m_owner, &m_main, m_fake.Table(), 12, "");
  ASSERT_NE(popup, nullptr);
  HWND hwnd = popup->GetSafeHwnd();
  RunFor(29000);
  EXPECT_TRUE(::IsWindow(hwnd));
  RunFor(3000);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_TRUE(m_owner.answers.empty());
  EXPECT_TRUE(m_fake.replies.empty());
}

// The notifications of leave requests and answers on a player's client.
TEST_F(LeaveAnswerTest, NotificationsOpenThePopupAndWriteTheLines) {
  CTableDialogs dialogs;
  std::vector<std::string> chat;
  bool lookOn = false;
  CTableDialogs::Hooks hooks;
  hooks.leave = m_fake.Table();
  hooks.ownUserId = [] { return 7; };
  hooks.isLookOn = [&] { return lookOn; };
  hooks.chat = [&](const std::string& line) { chat.push_back(line); };
  dialogs.SetHooks(hooks);
  dialogs.AttachWindows(m_main.GetSafeHwnd(), nullptr);
  RequestContext asker;
  asker.userId = 12;
  const RequestBody request = MakeLeaveRequestBody(asker, "有事");
  dialogs.OnLeaveRequest(request.data(), 40);  // cut short: nothing
  EXPECT_TRUE(chat.empty());
  EXPECT_EQ(CSlideNotifier::GetOpenCount(), 0);
  dialogs.OnLeaveRequest(request.data(), request.size());
  EXPECT_EQ(chat, std::vector<std::string>{" <c=2906200>张三请求退出 \r\n"});
  ASSERT_EQ(CSlideNotifier::GetOpenCount(), 1);
  // The pop-up's answer reaches the dialogs' receiver, which answers as the player pane does.
  RunFor(500);
  ::PostMessageA(dialogs.AnswerOwner()->GetSafeHwnd(), WM_LEAVE_ANSWER, 12, 0);
  RunFor(100);
  EXPECT_EQ(m_fake.replies, (std::vector<std::pair<int, bool>>{{12, false}}));
  EXPECT_EQ(chat.size(), 1u);
  EXPECT_EQ(m_fake.chat, std::vector<std::string>{" <c=2906200>我拒绝张三的退出请求 \r\n"});
  RunFor(31000);
  EXPECT_EQ(CSlideNotifier::GetOpenCount(), 0);

  // An onlooker and the asker himself get the line but no pop-up.
  lookOn = true;
  dialogs.OnLeaveRequest(request.data(), request.size());
  lookOn = false;
  asker.userId = 7;
  const RequestBody own = MakeLeaveRequestBody(asker, "");
  dialogs.OnLeaveRequest(own.data(), own.size());
  EXPECT_EQ(chat.size(), 3u);
  EXPECT_EQ(CSlideNotifier::GetOpenCount(), 0);

  // Another player's answer is written; the own answer was written when it was given.
  RequestContext answerer;
  answerer.userId = 13;
  const RequestBody reply = MakeLeaveReplyBody(answerer, 12, true);
  dialogs.OnLeaveReply(reply.data(), reply.size());
  EXPECT_EQ(chat.back(), " <c=2906200>张三答应张三的退出请求 \r\n");
  answerer.userId = 7;
  const RequestBody ownReply = MakeLeaveReplyBody(answerer, 12, true);
  dialogs.OnLeaveReply(ownReply.data(), ownReply.size());
  EXPECT_EQ(chat.size(), 4u);
}

}  // namespace
