#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/GameApp.h"
#include "framework/GameChatView.h"
#include "framework/GameConnection.h"
#include "framework/GameFrameWnd.h"
#include "resources/ProgramResources.h"
#include "tests/platform/MfcWindowTestSupport.h"
#include "tests/support/MessagePump.h"
#include "tests/support/StoppedClock.h"
#include "tests/support/TempDir.h"

namespace {

// A connection that records the chat requests instead of sending them.
class RecordingConnection : public CGameConnection {
 public:
  RecordingConnection() : CGameConnection(nullptr, 0, 0, 0) {}
  int SendChat(LPCSTR line) override {
    sent.push_back(std::string("chat:") + line);
    return connected;
  }
  int SendChatQuiet(LPCSTR line) override {
    sent.push_back(std::string("quiet:") + line);
    return connected;
  }
  std::vector<std::string> sent;
  int connected = 1;
};

class ChatApp : public CGameApp {
 public:
  ChatApp() : CGameApp("Pxqd", 31380, 2, 0) {}
  CGameConnection* GetConnection() override { return &connection; }
  RecordingConnection connection;
};

class ChatPaneTest : public mfcwin::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(resources::RegisterProgramResources());
    LaunchLine& launch = m_app.Launch();
    launch.userId = 1001;
    launch.tableNo = 4;
    std::strcpy(m_app.Tables().Room().roomName, "测试房间");
    std::strcpy(m_app.Tables().Room().location, "一楼");
    PlayerRecord* own = m_app.Tables().Seat(0);
    own->userId = 1001;
    std::strcpy(own->name, "me");
    PlayerRecord* bob = m_app.Tables().Seat(1);
    bob->userId = 1002;
    bob->tableNo = 4;
    std::strcpy(bob->name, "bob");
    ASSERT_TRUE(m_parent.CreateEx(0, AfxRegisterWndClass(0), "chat", WS_POPUP | WS_VISIBLE, 0, 0, 320, 200, nullptr,
                                  nullptr));
    m_chat = new CGameChatView();
    ASSERT_TRUE(m_chat->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 320, 200), &m_parent, 100));
    m_chat->OnInitialUpdate();
    m_chat->ShowFaceButton(TRUE);
    m_chat->SendMessage(WM_PANE_UPDATE);
  }
  void TearDown() override {
    m_parent.DestroyWindow();  // the view deletes itself with its window
    WindowTest::TearDown();
  }
  std::string DisplayText() {
    CString text;
    m_chat->GetDisplay().GetWindowText(text);
    return static_cast<LPCSTR>(text);
  }
  std::string InputText() {
    CString text;
    m_chat->GetInput().GetWindowText(text);
    return static_cast<LPCSTR>(text);
  }
  void Type(const std::string& text) { m_chat->SendMessage(WM_CHAT_SET_INPUT, reinterpret_cast<WPARAM>(text.c_str())); }

  ChatApp m_app;
  CWnd m_parent;
  CGameChatView* m_chat = nullptr;
  testsupport::StoppedClock m_clock;
};

TEST_F(ChatPaneTest, FloodLimitHoldsTextsAndFacesForTwoSeconds) {
  m_clock.Advance(5000);
  Type("hello");
  m_chat->SendChatQuiet();
  Type("again");
  m_chat->SendChatQuiet();
  m_clock.Advance(1999);
  m_chat->SendChatQuiet();
  EXPECT_EQ(m_app.connection.sent, (std::vector<std::string>{"quiet:hello"}));
  EXPECT_EQ(InputText(), "again");
  // A face within the limit is not sent either.
  m_chat->SendMessage(WM_CHAT_SEND_FACE, 5);
  EXPECT_EQ(m_app.connection.sent.size(), 1u);

  m_clock.Advance(1);
  m_chat->SendChat();
  EXPECT_EQ(m_app.connection.sent.back(), "chat:again");
  EXPECT_EQ(InputText(), "");
  EXPECT_NE(DisplayText().find(" 我说：again"), std::string::npos);
  EXPECT_EQ(DisplayText().find("hello"), std::string::npos) << "the quiet request has no echo";
  EXPECT_EQ(m_chat->GetInput().GetCount(), 2) << "both sent texts go into the history";

  m_clock.Advance(2000);
  EXPECT_EQ(m_chat->SendMessage(WM_CHAT_SEND_FACE, 5), 5);
  EXPECT_EQ(m_app.connection.sent.back(), "chat:<><z=5>");
}

TEST_F(ChatPaneTest, LongTextsAreCutOnACharacterBoundary) {
  struct Case {
    std::string typed;
    std::string sent;
  } cases[] = {
      {std::string(80, 'a'), std::string(61, 'a')},
      // A two-byte character across the limit goes whole to the next message, not half.
      {std::string(60, 'a') + "\xC4\xE3" + "b", std::string(60, 'a')},
      {std::string(59, 'a') + "\xC4\xE3" + "b", std::string(59, 'a') + "\xC4\xE3"},
  };
  for (const Case& c : cases) {
    m_clock.Advance(CHAT_FLOOD_MS);
    Type(c.typed);
    m_chat->SendChatQuiet();
    EXPECT_EQ(m_app.connection.sent.back(), "quiet:" + c.sent);
  }
}

TEST_F(ChatPaneTest, AFailedSendKeepsTheTextAndShowsNoEcho) {
  m_app.connection.connected = 0;
  Type("lost");
  m_chat->SendChat();
  EXPECT_EQ(InputText(), "lost");
  EXPECT_EQ(DisplayText().find("我说"), std::string::npos);
  EXPECT_NE(DisplayText().find("与服务器连接断开。"), std::string::npos);
  // The next attempt is not held back by the failed one.
  m_app.connection.connected = 1;
  m_chat->SendChat();
  EXPECT_EQ(m_app.connection.sent.back(), "chat:lost");
  EXPECT_EQ(InputText(), "");
}

std::vector<BYTE> Body(size_t size, std::initializer_list<std::pair<size_t, int>> ints,
                       std::initializer_list<std::pair<size_t, const char*>> texts) {
  std::vector<BYTE> body(size, 0);
  for (auto [offset, value] : ints) std::memcpy(body.data() + offset, &value, 4);
  for (auto [offset, text] : texts) std::memcpy(body.data() + offset, text, std::strlen(text));
  return body;
}

TEST_F(ChatPaneTest, FrameworkLines) {
  const std::string welcome = DisplayText();
  EXPECT_NE(welcome.find("欢迎来到测试房间"), std::string::npos);
  EXPECT_NE(welcome.find("您的位置：一楼 第5桌"), std::string::npos);

  struct Case {
    std::vector<BYTE> body;
    void (CGameChatView::*hook)(const BYTE*, size_t);
    const char* shown;  // null: nothing is shown
  } cases[] = {
      {Body(112, {{0, 1002}}, {{48, "hi there"}}), &CGameChatView::OnChatLine, " bob说：hi there"},
      {Body(112, {{0, 7777}}, {{48, "stranger"}}), &CGameChatView::OnChatLine, nullptr},
      {Body(40, {{0, 1002}}, {{48 - 12, ""}}), &CGameChatView::OnChatLine, nullptr},  // too short
      {Body(100, {{0, 1002}, {8, 2}}, {{36, "<c=255>raw"}}), &CGameChatView::OnChatNotice, "raw"},
      {Body(100, {{0, 1001}, {8, 8}}, {{36, "typed"}}), &CGameChatView::OnChatNotice, " 我说：typed"},
      {Body(28, {{0, 1002}, {8, 2}, {12, 300}, {16, 700}}, {}), &CGameChatView::OnBaseSilverNotice,
       "【保险箱】bob存入300两银子到保险箱, 现有700两银子"},
      {Body(28, {{0, 1002}, {8, 3}, {12, 50}, {24, 1}}, {}), &CGameChatView::OnBaseSilverNotice,
       "【系统】bob领取了低保到后备箱, 共50两银子"},
      {Body(20, {{0, 1001}, {16, 1002}}, {}), &CGameChatView::OnPlayerCalled, " me呼叫 bob"},
      {Body(12, {{0, 1002}, {8, 1}}, {}), &CGameChatView::OnMemberChanged, " bob成为了会员"},
      {Body(4, {{0, 1001}}, {}), &CGameChatView::OnClothingChanged, " 我穿上了一件新服装!"},
  };
  for (const Case& c : cases) {
    m_chat->SendMessage(WM_CHAT_CLEAR);
    (m_chat->*c.hook)(c.body.data(), c.body.size());
    const std::string shown = DisplayText();
    if (c.shown) {
      EXPECT_NE(shown.find(c.shown), std::string::npos) << shown;
    } else {
      EXPECT_EQ(shown, "") << shown;
    }
  }

  PlayerRecord bob = *m_app.Tables().Seat(1);
  m_chat->SendMessage(WM_CHAT_CLEAR);
  m_chat->OnPlayerEntered(bob);
  EXPECT_NE(DisplayText().find("bob进入第5桌"), std::string::npos);
  // A seated player in a room with option bit 3 hears nothing of the others coming and going.
  m_app.Tables().Room().options = 1 << 3;
  m_chat->SendMessage(WM_CHAT_CLEAR);
  m_chat->OnPlayerEntered(bob);
  EXPECT_EQ(DisplayText(), "");
  m_chat->SendMessage(WM_PANE_UPDATE);
  EXPECT_EQ(DisplayText().find("第5桌"), std::string::npos);
}

TEST_F(ChatPaneTest, PhrasesAndRendering) {
  testsupport::TempDir tmp;
  const std::string phrases = tmp.File("phrases.txt");
  FILE* f = std::fopen(phrases.c_str(), "w");
  std::fputs("  快点吧 \n\n再来一局\n", f);
  std::fclose(f);
  m_chat->LoadPhrases(phrases.c_str());
  m_chat->LoadPhrases(tmp.File("missing.txt").c_str());
  ASSERT_EQ(m_chat->GetInput().GetCount(), 3);
  CString first;
  m_chat->GetInput().GetLBText(0, first);
  EXPECT_STREQ(first, "快点吧");

  for (int i = 0; i < 30; ++i) {
    m_chat->AppendText(" <c=255>第几行<>: 一行聊天文字，足够长以便换行显示在窄的窗格里\r\n");
  }
  m_chat->ShowNotice("<notify>公告：<s=3000>大字<>\r\n");
  mfcwin::Pump();
  EXPECT_TRUE(mfcwin::SavePng(m_parent.GetSafeHwnd(), "chat-pane"));
  // One vertical scroll bar: the display draws its own inside its client area, so the window
  // system reserves no second one beside it, and the pane has none.
  CRect window, client;
  m_chat->GetDisplay().GetWindowRect(&window);
  m_chat->GetDisplay().GetClientRect(&client);
  EXPECT_EQ(client.Width(), window.Width());
  EXPECT_FALSE(m_chat->GetStyle() & WS_VSCROLL);
  // The display's bar is there: its right edge is not the text's white.
  EXPECT_NE(mfcwin::Pixel(m_chat->GetDisplay().GetSafeHwnd(), client.right - 3, client.Height() / 2),
            RGB(255, 255, 255));
}

}  // namespace

namespace {

// A 20 x 20 24-bit BMP file.
void WriteFace(const std::string& path) {
  const int w = 20, h = 20, row = w * 3;
  std::vector<unsigned char> file(54 + static_cast<size_t>(row * h), 0x80);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(file.data() + at, &v, 4); };
  auto put16 = [&](size_t at, uint16_t v) { std::memcpy(file.data() + at, &v, 2); };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<uint32_t>(file.size()));
  put32(6, 0);
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  put16(26, 1);
  put16(28, 24);
  put32(30, 0);
  put32(34, static_cast<uint32_t>(row * h));
  for (size_t i = 38; i < 54; ++i) file[i] = 0;
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
}

TEST_F(ChatPaneTest, FacePickerGridAndChoice) {
  testsupport::TempDir tmp;
  for (const char* name : {"1.bmp", "2.bmp", "abc.bmp", "0.bmp", "300.bmp"}) WriteFace(tmp.File(name));
  m_chat->SetFaceFolder((tmp.Path() + "/").c_str());
  m_chat->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHAT_FACE, BN_CLICKED),
                      reinterpret_cast<LPARAM>(m_chat->GetFaceButton().GetSafeHwnd()));
  CFacePicker& picker = m_chat->GetFacePicker();
  ASSERT_NE(picker.GetSafeHwnd(), nullptr);
  EXPECT_EQ(picker.GetFaceCount(), 3);  // 1, 2 and 300; "abc" and "0" are no faces
  int width = 0, height = 0;
  picker.GetPickerSize(width, height);
  EXPECT_EQ(width, 240);
  EXPECT_EQ(height, 24);
  EXPECT_TRUE(picker.IsWindowVisible());

  // A face chosen is sent and hides the picker; face 300 is outside the commands and sends nothing.
  m_clock.Advance(5000);
  picker.SendMessage(WM_COMMAND, MAKEWPARAM(2, BN_CLICKED), 0);
  EXPECT_FALSE(picker.IsWindowVisible());
  ASSERT_FALSE(m_app.connection.sent.empty());
  EXPECT_EQ(m_app.connection.sent.back(), "chat:<><z=2>");
  m_clock.Advance(5000);
  const size_t before = m_app.connection.sent.size();
  picker.SendMessage(WM_COMMAND, MAKEWPARAM(300, BN_CLICKED), 0);
  EXPECT_EQ(m_app.connection.sent.size(), before);
}

// Real clicks through the headless screen, in a pane lower than the grid: the face button opens
// the picker with its bottom right corner on the button's top right corner, over the pane's top
// edge, and a face clicked in its top row is sent and closes the picker.
TEST_F(ChatPaneTest, TheFaceButtonAndThePickerAnswerClicks) {
  testsupport::TempDir tmp;
  for (int i = 1; i <= 25; ++i) WriteFace(tmp.File(std::to_string(i) + ".bmp"));
  m_chat->SetFaceFolder((tmp.Path() + "/").c_str());
  m_parent.SetWindowPos(nullptr, 300, 300, 320, 60, SWP_NOZORDER);
  m_chat->MoveWindow(0, 0, 320, 60);
  mfcwin::Pump();
  CRect button;
  m_chat->GetFaceButton().GetWindowRect(&button);
  ASSERT_GT(button.Width(), 0);
  mfcwin::Click(button.CenterPoint());
  CFacePicker& picker = m_chat->GetFacePicker();
  ASSERT_TRUE(testsupport::PumpUntil([&] { return picker.GetSafeHwnd() != nullptr && picker.IsWindowVisible(); }));
  CRect grid;
  picker.GetWindowRect(&grid);
  EXPECT_EQ(grid.right, button.right);
  EXPECT_EQ(grid.bottom, button.top);
  EXPECT_EQ(grid.Height(), 3 * 24);
  const POINT first{grid.left + 12, grid.top + 12};
  HWND face = WindowFromPoint(first);
  ASSERT_EQ(::GetParent(face), picker.GetSafeHwnd()) << "the top row is covered";
  const int number = GetDlgCtrlID(face);
  m_clock.Advance(5000);
  mfcwin::Click(first);
  ASSERT_TRUE(testsupport::PumpUntil([&] { return !m_app.connection.sent.empty(); }));
  EXPECT_EQ(m_app.connection.sent.back(), "chat:<><z=" + std::to_string(number) + ">");
  EXPECT_FALSE(picker.IsWindowVisible());
}

// A click outside the open picker (here into the chat input) takes the focus away and hides it;
// nothing is sent.
TEST_F(ChatPaneTest, AClickOutsideThePickerHidesIt) {
  testsupport::TempDir tmp;
  for (int i = 1; i <= 3; ++i) WriteFace(tmp.File(std::to_string(i) + ".bmp"));
  m_chat->SetFaceFolder((tmp.Path() + "/").c_str());
  CRect button;
  m_chat->GetFaceButton().GetWindowRect(&button);
  mfcwin::Click(button.CenterPoint());
  CFacePicker& picker = m_chat->GetFacePicker();
  ASSERT_TRUE(testsupport::PumpUntil([&] { return picker.GetSafeHwnd() != nullptr && picker.IsWindowVisible(); }));
  CRect input;
  m_chat->GetInput().GetWindowRect(&input);
  mfcwin::Click(input.CenterPoint());
  EXPECT_TRUE(testsupport::PumpUntil([&] { return !picker.IsWindowVisible(); }));
  EXPECT_TRUE(m_app.connection.sent.empty());
}

TEST_F(ChatPaneTest, FacePickerStopsAtItsGrid) {
  testsupport::TempDir tmp;
  for (int i = 1; i <= FACE_PICKER_MAX + 4; ++i) WriteFace(tmp.File(std::to_string(i) + ".bmp"));
  m_chat->SetFaceFolder((tmp.Path() + "/").c_str());
  m_chat->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHAT_FACE, BN_CLICKED), 0);
  EXPECT_EQ(m_chat->GetFacePicker().GetFaceCount(), FACE_PICKER_MAX);
}

}  // namespace
