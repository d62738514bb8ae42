#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <chrono>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "framework/GameToolView.h"
#include "framework/ProtectDialogs.h"
#include "framework/SafeBoxDialogs.h"
#include "platform/base/Gbk.h"
#include "platform/kernel/Profile.h"
#include "net/SocketConnection.h"
#include "platform/winsock/WinSock.h"
#include "resources/ProgramResources.h"
#include "testbed/server/GameServer.h"
#include "tests/platform/MfcWindowTestSupport.h"
#include "tests/support/FrameworkDoubles.h"
#include "tests/support/TempDir.h"

namespace {

using testsupport::CTestGameApp;

TEST(ProtectAnswer, GroupsOfTheTypedDigits) {
  struct Case {
    const char* digits;
    int challenge;
    int answer;
  } cases[] = {
      {"", 12345678, 1234 + 5678},
      {"7", 0, 7},
      {"1234", 0, 1234},
      {"12345", 0, 1234 + 5},
      {"12345678", 10000001, 1234 + 5678 + 1000 + 1},
      {"1234567890123", 0, 1234 + 5678 + 9012 + 3},
      {"1234567890123456", 0, 1234 + 5678 + 9012 + 3456},
      {"9999999999999999", 99999999, 4 * 9999 + 9999 + 9999},
      {"00001", 123, 1 + 123},
  };
  for (const Case& c : cases) EXPECT_EQ(ComputeProtectAnswer(c.digits, c.challenge), c.answer) << c.digits;
}

// A window on the UI thread that runs one step of a script every time a helper thread pokes it,
// so that the script acts inside the modal loops of the dialogs and message boxes it answers.
class UiScript {
 public:
  explicit UiScript(std::function<void()> step) : m_step(std::move(step)) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &UiScript::Proc;
    wc.lpszClassName = "PxqdUiScript";
    RegisterClassA(&wc);
    m_window = CreateWindowExA(0, "PxqdUiScript", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_thread = std::thread([this] {
      while (!m_stop) {
        PostMessageA(m_window, WM_USER, 0, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
  }
  ~UiScript() {
    m_stop = true;
    m_thread.join();
    DestroyWindow(m_window);
  }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<UiScript*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_USER && self != nullptr && !self->m_running) {
      self->m_running = true;
      self->m_step();
      self->m_running = false;
      return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  std::function<void()> m_step;
  HWND m_window = nullptr;
  std::atomic<bool> m_stop{false};
  bool m_running = false;
  std::thread m_thread;
};

std::vector<HWND> VisibleTopWindows() {
  std::vector<HWND> out;
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        if (IsWindowVisible(hwnd)) reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&out));
  return out;
}

std::string TextOf(HWND hwnd) {
  char text[512] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Types the password on the keypad by the labels its keys show, confirms, and answers every
// message box with OK, keeping its text.
struct Teller {
  std::string password;
  std::vector<std::string> messages;
  std::set<HWND> handled;
  int keypads = 0;
  void Step() {
    for (HWND w : VisibleTopWindows()) {
      if (handled.count(w)) continue;
      if (GetDlgItem(w, 242) != nullptr && GetDlgItem(w, 241) != nullptr) {
        handled.insert(w);
        ++keypads;
        for (char digit : password) {
          for (int k = 0; k < 10; ++k) {
            if (TextOf(GetDlgItem(w, 230 + k)) == std::string(1, digit)) Press(w, 230 + k);
          }
        }
        Press(w, 241);
      } else if (GetDlgItem(w, 0xFFFF) != nullptr && GetDlgItem(w, IDOK) != nullptr) {
        handled.insert(w);
        messages.push_back(TextOf(GetDlgItem(w, 0xFFFF)));
        Press(w, IDOK);
      }
    }
  }
};

class BankTest : public mfcwin::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(resources::RegisterProgramResources());
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    RegisterSocketWindowClass();
    setenv("PXQD_SYSTEM_DIR", m_dir.Path().c_str(), 1);
    // The hall's folder, where the per-user file lives.
    m_dir.Write("kmvt.ini", "[SYSTEM]\r\nExePath=" + m_dir.Path() + "/hall/hall.exe\r\n");
    std::filesystem::create_directories(m_dir.Path() + "/hall/users");
    std::string error;
    ASSERT_TRUE(m_server.Start(m_dir.File("accounts.db"), 0, &error)) << error;
    LaunchLine& launch = m_app.Launch();
    launch.userId = 1001;
    launch.gameId = 7;
    launch.roomId = 12;
    launch.tableNo = 5;
    launch.chair = 2;
    std::strcpy(launch.gameName, "麻将");
    PlayerRecord* own = m_app.Tables().Seat(2);
    own->userId = 1001;
    own->chair = 2;
    own->tableNo = 5;
    std::strcpy(own->name, "me");
    m_app.Tables().Room().flags = 1 << 2;
    m_app.Tables().Room().options = 1 << 24;
    CGameConnection& c = m_app.m_connection;
    c.InitPacketOptions();
    int errorKind = 0;
    ASSERT_EQ(1, c.ConnectToServer("", "127.0.0.1", m_server.Port(), &errorKind)) << errorKind << " port " << m_server.Port();
    CString text;
    int major = 0, minor = 0;
    ASSERT_EQ(1, c.CheckVersion(text, &major, &minor));
    ASSERT_EQ(1, c.EnterGame(text)) << text;
    c.QueryGameRunning();
    ASSERT_TRUE(m_server.Core().SetSilver(1001, 10000, 5000));
    own->silver = 10000;
    ASSERT_TRUE(m_parent.CreateEx(0, AfxRegisterWndClass(0), "bank", WS_POPUP | WS_VISIBLE, 0, 0, 200, 30, nullptr,
                                  nullptr));
    m_tool = new CGameToolView();
    ASSERT_TRUE(m_tool->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 30), &m_parent, 100));
    m_tool->OnInitialUpdate();
  }
  void TearDown() override {
    m_parent.DestroyWindow();
    m_app.m_connection.Disconnect();
    m_server.Stop();
    unsetenv("PXQD_SYSTEM_DIR");
    WindowTest::TearDown();
  }
  testbed::Account Account() {
    testbed::Account a;
    EXPECT_TRUE(m_server.Core().FindAccount(1001, &a));
    return a;
  }

  testsupport::TempDir m_dir;
  static testbed::ServerConfig BankRoom() {
    testbed::ServerConfig config;
    config.rules.roomFlags = 1 << 2;  // rooms with the bank
    return config;
  }
  testbed::GameServer m_server{BankRoom()};
  CTestGameApp m_app;
  CWnd m_parent;
  CGameToolView* m_tool = nullptr;
};

TEST_F(BankTest, SilverInHandThroughTheBoxWithTheProtectionStep) {
  ASSERT_TRUE(m_server.Core().SetProtectPassword(1001, "12345678"));
  Teller teller;
  teller.password = "12345678";
  {
    UiScript script([&] { teller.Step(); });
    // Down to 8000: 2000 go into the box.
    m_tool->SetSilverInHand(8000);
    // Up to 12000 with the password typed on the keypad: 4000 come out.
    m_app.Tables().Seat(2)->silver = 8000;
    m_tool->SetSilverInHand(12000);
    m_app.Tables().Seat(2)->silver = 12000;
    m_tool->SetSilverInHand(12000);
  }
  ASSERT_EQ(teller.messages.size(), 3u);
  EXPECT_NE(teller.messages[0].find("已经存入保险箱 2000 两"), std::string::npos) << teller.messages[0];
  EXPECT_NE(teller.messages[1].find("已经从保险箱中取出 4000 两"), std::string::npos) << teller.messages[1];
  EXPECT_EQ(teller.messages[2], "当前银子等于设定值。");
  EXPECT_EQ(teller.keypads, 1);
  const testbed::Account a = Account();
  EXPECT_EQ(a.silver, 12000);
  EXPECT_EQ(a.bank, 5000 + 2000 - 4000);
}

TEST_F(BankTest, AWrongPasswordMovesNothing) {
  ASSERT_TRUE(m_server.Core().SetProtectPassword(1001, "4321"));
  Teller teller;
  teller.password = "1111";
  {
    UiScript script([&] { teller.Step(); });
    m_tool->SetSilverInHand(11000);
  }
  ASSERT_EQ(teller.messages.size(), 1u);
  EXPECT_EQ(teller.messages[0].find("设定成功"), std::string::npos) << teller.messages[0];
  const testbed::Account a = Account();
  EXPECT_EQ(a.silver, 10000);
  EXPECT_EQ(a.bank, 5000);
}

TEST_F(BankTest, WithoutAPasswordTheWithdrawalGoesStraightOn) {
  Teller teller;
  {
    UiScript script([&] { teller.Step(); });
    m_tool->SetSilverInHand(10500);
  }
  EXPECT_EQ(teller.keypads, 0);
  ASSERT_EQ(teller.messages.size(), 1u);
  EXPECT_NE(teller.messages[0].find("已经从保险箱中取出 500 两"), std::string::npos) << teller.messages[0];
  EXPECT_EQ(Account().silver, 10500);
}

TEST_F(BankTest, PresetsAndHistoriesInTheIniFiles) {
  // Fix0 to Fix4 without Fix5: the defaults for all six.
  const CString user = m_app.GetUserDataPath();
  for (int i = 0; i < 5; ++i) {
    CString key;
    key.Format("Fix%d", i);
    WritePrivateProfileStringA("FIXDEPOSIT", key, "7", user);
  }
  m_tool->LoadPresets();
  EXPECT_EQ(m_tool->GetPresets()[0], 100);
  EXPECT_EQ(m_tool->GetPresets()[5], 30000);
  WritePrivateProfileStringA("FIXDEPOSIT", "Fix5", "abc", user);
  m_tool->LoadPresets();
  EXPECT_EQ(m_tool->GetPresets()[0], 7);
  EXPECT_EQ(m_tool->GetPresets()[5], 0);

  // The deposit history keeps distinct amounts, at most 16, oldest dropped first.
  std::string stored;
  for (int i = 1; i <= 16; ++i) stored += std::to_string(i * 10) + "|";
  WritePrivateProfileStringA("DEPOSIT", "Save", stored.c_str(), m_app.GetGameIniPath());
  CSafeSaveDlg save(&m_parent);
  save.SetGameName("麻将");
  ASSERT_TRUE(save.Create(IDD_SAFE_SAVE, &m_parent));
  save.ShowWindow(SW_SHOW);
  ASSERT_EQ(save.GetHistory().size(), 16u);
  save.GetDlgItem(IDC_SAFE_SAVE_AMOUNT)->SetWindowText("50");
  save.AddToHistory();
  EXPECT_EQ(save.GetHistory().size(), 16u);
  save.GetDlgItem(IDC_SAFE_SAVE_AMOUNT)->SetWindowText("999");
  save.AddToHistory();
  char text[1024] = {};
  GetPrivateProfileStringA("DEPOSIT", "Save", "", text, sizeof text, m_app.GetGameIniPath());
  EXPECT_EQ(std::string(text).rfind("20|", 0), 0u) << text;
  EXPECT_NE(std::string(text).find("|999|"), std::string::npos) << text;
  mfcwin::Pump();
  EXPECT_TRUE(mfcwin::SavePng(save.GetSafeHwnd(), "bank-deposit"));
  save.DestroyWindow();
}

}  // namespace

namespace {

// Each dialog of the bank drawn once, for a look at the renderings.
TEST_F(BankTest, Renderings) {
  const int presets[6] = {100, 200, 500, 1000, 10000, 30000};
  CSafeBoxDlg box(&m_parent);
  box.SetGameName("麻将");
  box.m_balance = 123456;
  CDepositPresetDlg editor(&m_parent);
  editor.SetAmounts(presets);
  CProtectPasswordDlg answer(&m_parent);
  answer.m_challenge = 1234567;
  CProtectKeypadDlg keypad(&m_parent);
  struct Item {
    CDialog* dialog;
    UINT id;
    const char* name;
  } items[] = {{&box, IDD_SAFE_BOX, "bank-box"},
               {&editor, IDD_DEPOSIT_PRESET, "bank-presets"},
               {&answer, IDD_PROTECT_ANSWER, "bank-protect-answer"},
               {&keypad, IDD_PROTECT_KEYPAD, "bank-protect-keypad"}};
  for (const Item& item : items) {
    ASSERT_TRUE(item.dialog->Create(item.id, &m_parent)) << item.name;
    item.dialog->ShowWindow(SW_SHOW);
    item.dialog->Invalidate(TRUE);
    item.dialog->UpdateWindow();
    mfcwin::Pump();
    EXPECT_TRUE(mfcwin::SavePng(item.dialog->GetSafeHwnd(), item.name));
    item.dialog->DestroyWindow();
  }
  EXPECT_TRUE(mfcwin::SavePng(m_parent.GetSafeHwnd(), "bank-bar"));
}

}  // namespace
