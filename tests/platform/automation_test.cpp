// The commands a test sends to a running program's automation socket, run in this process on
// windows of the headless display: what the windows show, and clicks that reach them.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/display/Automation.h"
#include "tests/platform/ComctlTestSupport.h"

namespace {

using namespace comctltest;

std::string Hex(const std::string& bytes) {
  std::string out;
  char pair[3];
  for (unsigned char c : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", c);
    out += pair;
  }
  return out;
}

std::string HandleText(HWND hwnd) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(hwnd)));
  return text;
}

class AutomationTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    m_parent = Parent(100, 100, 420, 260);
    m_button = CreateWindowExA(0, "Button", "确定", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 80, 24, m_parent,
                               reinterpret_cast<HMENU>(7), nullptr, nullptr);
    m_list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 10, 50, 300, 150, m_parent,
                             reinterpret_cast<HMENU>(8), nullptr, nullptr);
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 100;
    column.pszText = const_cast<char*>("用户名");
    SendMessageA(m_list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    SendMessageA(m_list, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
    const char* rows[][2] = {{"张三", "10"}, {"李四", "20"}};
    for (int i = 0; i < 2; ++i) {
      LVITEMA item{};
      item.mask = LVIF_TEXT;
      item.iItem = i;
      item.pszText = const_cast<char*>(rows[i][0]);
      SendMessageA(m_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
      item.iSubItem = 1;
      item.pszText = const_cast<char*>(rows[i][1]);
      SendMessageA(m_list, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
    }
    Pump();
  }
  HWND m_parent = nullptr;
  HWND m_button = nullptr;
  HWND m_list = nullptr;
};

TEST_F(AutomationTest, ListsWindowsWithTheirPlacesAndTexts) {
  RECT rc{};
  GetWindowRect(m_button, &rc);
  const std::string expected = HandleText(m_button) + " " + HandleText(m_parent) + " 7 1 " + std::to_string(rc.left) +
                               " " + std::to_string(rc.top) + " " + std::to_string(rc.right) + " " +
                               std::to_string(rc.bottom) + " " + Hex("Button") + " " + Hex("确定");
  bool found = false;
  for (const std::string& line : platform::RunAutomationCommand("windows")) found = found || line == expected;
  EXPECT_TRUE(found) << expected;
  EXPECT_EQ(std::vector<std::string>{Hex("确定")}, platform::RunAutomationCommand("text " + HandleText(m_button)));
  EXPECT_EQ((std::vector<std::string>{Hex("张三"), Hex("李四")}),
            platform::RunAutomationCommand("rows " + HandleText(m_list) + " 0"));
  EXPECT_EQ((std::vector<std::string>{Hex("10"), Hex("20")}),
            platform::RunAutomationCommand("rows " + HandleText(m_list) + " 1"));
}

TEST_F(AutomationTest, AClickAtAPointReachesTheWindowThere) {
  RECT rc{};
  GetWindowRect(m_button, &rc);
  const std::string point = std::to_string((rc.left + rc.right) / 2) + " " + std::to_string((rc.top + rc.bottom) / 2);
  EXPECT_EQ(std::vector<std::string>{HandleText(m_button)}, platform::RunAutomationCommand("at " + point));
  EXPECT_EQ(std::vector<std::string>{"ok"}, platform::RunAutomationCommand("click " + point));
  ASSERT_TRUE(PumpUntil([] {
    for (const Event& e : Rec().events) {
      if (e.message == WM_COMMAND && e.code == MAKEWPARAM(7, BN_CLICKED)) return true;
    }
    return false;
  }));
}

TEST_F(AutomationTest, MalformedCommandsAnswerError) {
  const std::vector<std::string> bad = {
      "",         "bogus",        "text",          "text zz",        "text 0",    "rows",
      "rows 0 0", "click 1",      "at",            "type abc",       "type zz",   "key",
      "post",     "post 0 1 2 3", "post zz 1 2 3", "rows " + HandleText(m_list) + " -1",
  };
  for (const std::string& command : bad) {
    EXPECT_EQ(std::vector<std::string>{"error"}, platform::RunAutomationCommand(command)) << "'" << command << "'";
  }
}

}  // namespace
