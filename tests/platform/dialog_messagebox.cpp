// Message boxes answered by simulated clicks and keys through the input layer, their modality,
// their layout, and a rendering of each kind for a person to look at.
#include "tests/platform/DialogTestSupport.h"

namespace {

using dlgtest::DialogTest;

HWND TheBox(const char* caption) { return FindWindowA("#32770", caption); }

enum class Act { CLICK, KEY, CHAR, ALT, CLOSE };
struct Action {
  Act act;
  UINT value;  // button id, virtual key or letter
};

void Perform(const char* caption, const Action& a) {
  HWND box = TheBox(caption);
  ASSERT_NE(nullptr, box);
  switch (a.act) {
    case Act::CLICK:
      dlgtest::Click(GetDlgItem(box, static_cast<int>(a.value)));
      break;
    case Act::KEY:
    case Act::CHAR:
      platform::InjectKey(a.value, true, 0);
      platform::InjectKey(a.value, false, 0);
      break;
    case Act::ALT:
      platform::InjectKey(VK_MENU, true, 0x38);
      platform::InjectKey(a.value, true, 0);
      platform::InjectKey(a.value, false, 0);
      platform::InjectKey(VK_MENU, false, 0x38);
      break;
    case Act::CLOSE:
      PostMessageA(box, WM_CLOSE, 0, 0);
      break;
  }
}

int RunBox(UINT type, std::vector<Action> actions, HWND owner = nullptr, const char* text = "文本") {
  static const char* const CAPTION = "测试";
  std::vector<std::function<void()>> steps;
  for (const Action& a : actions) steps.push_back([a] { Perform(CAPTION, a); });
  UINT_PTR timer = dlgtest::RunSteps(std::move(steps), 15);
  int result = MessageBoxA(owner, text, CAPTION, type);
  KillTimer(nullptr, timer);
  return result;
}

TEST_F(DialogTest, MessageBoxAnswersClicksAndKeys) {
  struct Case {
    UINT type;
    std::vector<Action> actions;
    int result;
  } cases[] = {
      {MB_OK, {{Act::KEY, VK_RETURN}}, IDOK},
      {MB_OK, {{Act::KEY, VK_ESCAPE}}, IDOK},
      {MB_OK | MB_ICONERROR, {{Act::CLOSE, 0}}, IDOK},
      {MB_OKCANCEL, {{Act::KEY, VK_ESCAPE}}, IDCANCEL},
      {MB_OKCANCEL | MB_DEFBUTTON2, {{Act::KEY, VK_RETURN}}, IDCANCEL},
      {MB_OKCANCEL, {{Act::CLICK, IDOK}}, IDOK},
      {MB_YESNO | MB_ICONQUESTION, {{Act::CLICK, IDNO}}, IDNO},
      {MB_YESNO, {{Act::CHAR, 'Y'}}, IDYES},
      // Neither Escape nor closing answers a box without Cancel.
      {MB_YESNO, {{Act::KEY, VK_ESCAPE}, {Act::CLOSE, 0}, {Act::ALT, 'N'}}, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, {{Act::KEY, VK_RETURN}}, IDCANCEL},
      {MB_YESNOCANCEL, {{Act::CLOSE, 0}}, IDCANCEL},
      {MB_RETRYCANCEL | MB_ICONWARNING, {{Act::ALT, 'R'}}, IDRETRY},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, {{Act::KEY, VK_RETURN}}, IDRETRY},
      {MB_ABORTRETRYIGNORE, {{Act::CLICK, IDIGNORE}}, IDIGNORE},
      {MB_ABORTRETRYIGNORE, {{Act::KEY, VK_TAB}, {Act::KEY, VK_RETURN}}, IDRETRY},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.result, RunBox(c.type, c.actions)) << std::hex << c.type;
    EXPECT_EQ(nullptr, TheBox("测试"));
  }
}

TEST_F(DialogTest, MessageBoxDisablesItsOwnerOrTheThreadsWindows) {
  HWND owner = Keep(CreateWindowExA(0, "DlgTestOwner", "o", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr, nullptr,
                                    nullptr));
  HWND other = Keep(CreateWindowExA(0, "DlgTestOwner", "p", WS_POPUP | WS_VISIBLE, 300, 0, 200, 100, nullptr, nullptr,
                                    nullptr, nullptr));
  bool ownerEnabled = true, otherEnabled = false;
  LONG exStyle = 0;
  HWND iconSeen = nullptr;
  char text[64] = "";
  std::vector<std::function<void()>> steps = {[&] {
    HWND box = TheBox("测试");
    ownerEnabled = IsWindowEnabled(owner);
    otherEnabled = IsWindowEnabled(other);
    exStyle = GetWindowLongA(box, GWL_EXSTYLE);
    iconSeen = reinterpret_cast<HWND>(SendDlgItemMessageA(box, 20, 0x0171 /* STM_GETICON */, 0, 0));
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    PostMessageA(box, WM_CLOSE, 0, 0);
  }};
  UINT_PTR timer = dlgtest::RunSteps(steps, 15);
  EXPECT_EQ(IDOK, MessageBoxA(owner, "文本", "测试", MB_OK | MB_ICONINFORMATION | MB_TOPMOST));
  KillTimer(nullptr, timer);
  EXPECT_FALSE(ownerEnabled);
  EXPECT_TRUE(otherEnabled);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(WS_EX_TOPMOST, exStyle & WS_EX_TOPMOST);
  EXPECT_EQ(reinterpret_cast<HWND>(LoadIconA(nullptr, IDI_INFORMATION)), iconSeen);
  EXPECT_STREQ("文本", text);

  // Task-modal without an owner: every window of the thread is disabled meanwhile.
  timer = dlgtest::RunSteps({[&] {
                               ownerEnabled = IsWindowEnabled(owner);
                               otherEnabled = IsWindowEnabled(other);
                               PostMessageA(TheBox("测试"), WM_CLOSE, 0, 0);
                             }},
                            15);
  EXPECT_EQ(IDCANCEL, MessageBoxA(nullptr, "文本", "测试", MB_OKCANCEL | MB_TASKMODAL));
  KillTimer(nullptr, timer);
  EXPECT_FALSE(ownerEnabled);
  EXPECT_FALSE(otherEnabled);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_TRUE(IsWindowEnabled(other));

  // A system-modal box stays on top of every other window.
  std::vector<BYTE> t = platform::MessageBoxTemplate("x", "c", MB_OK | MB_SYSTEMMODAL, nullptr);
  platform::ParsedDialog p;
  ASSERT_TRUE(platform::ParseDialogTemplate(t.data(), t.size(), p));
  EXPECT_EQ(static_cast<DWORD>(DS_SYSMODAL), p.style & DS_SYSMODAL);
}

TEST_F(DialogTest, MessageBoxQuitsWithTheLoopOutside) {
  UINT_PTR timer = dlgtest::RunSteps({[] { PostQuitMessage(8); }}, 15);
  EXPECT_EQ(0, MessageBoxA(nullptr, "文本", "测试", MB_OK));
  KillTimer(nullptr, timer);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(8u, msg.wParam);
}

TEST_F(DialogTest, MessageBoxSizeFollowsTheText) {
  auto size = [](const char* text, UINT type) {
    std::vector<BYTE> t = platform::MessageBoxTemplate(text, "c", type, nullptr);
    platform::ParsedDialog p;
    EXPECT_TRUE(platform::ParseDialogTemplate(t.data(), t.size(), p));
    return std::make_pair(static_cast<int>(p.cx), static_cast<int>(p.cy));
  };
  auto small = size("短", MB_OK);
  auto wide = size("这是一条很长的消息，用来检查消息框会随着文本变宽，直到屏幕宽度的八分之五为止，然后换行。"
                   "这是一条很长的消息，用来检查消息框会随着文本变宽。",
                   MB_OK);
  auto tall = size("一\n二\n三\n四\n五\n六", MB_OK);
  auto threeButtons = size("短", MB_YESNOCANCEL);
  EXPECT_GT(wide.first, small.first);
  EXPECT_GT(tall.second, small.second);
  EXPECT_GT(threeButtons.first, small.first);
  // Lines are wrapped at five eighths of the screen: 640 pixels of a 1024-pixel screen.
  EXPECT_LE(wide.first * 6 / 4, 640 + 40);
  EXPECT_GT(size("这是一条很长的消息，用来检查消息框会随着文本变宽，直到屏幕宽度的八分之五为止，然后换行。"
                 "这是一条很长的消息，用来检查消息框会随着文本变宽。",
                 MB_OK)
                .second,
            small.second);
  // A long caption widens the box; a text taller than the screen is cut to the work area.
  auto captioned = [](const char* caption) {
    std::vector<BYTE> t = platform::MessageBoxTemplate("短", caption, MB_OK, nullptr);
    platform::ParsedDialog p;
    EXPECT_TRUE(platform::ParseDialogTemplate(t.data(), t.size(), p));
    return static_cast<int>(p.cx);
  };
  EXPECT_GT(captioned("一个很长很长很长很长很长很长很长的标题"), captioned("c"));
  std::string many;
  for (int i = 0; i < 500; ++i) many += "行\n";
  auto huge = size(many.c_str(), MB_OK);
  EXPECT_LE(huge.second * 12 / 8, 768);
  int def = 0;
  platform::MessageBoxTemplate("x", nullptr, MB_YESNOCANCEL | MB_DEFBUTTON2, &def);
  EXPECT_EQ(IDNO, def);
  platform::MessageBoxTemplate("x", nullptr, MB_OK | MB_DEFBUTTON3, &def);
  EXPECT_EQ(IDOK, def);
}

TEST_F(DialogTest, RendersEachKindOfMessageBox) {
  // Each kind with a pixel of its icon as the screen shows it (none for a box without icon).
  struct Kind {
    const char* name;
    UINT type;
    const char* text;
    POINT probe;
    COLORREF colour;
  } kinds[] = {
      {"messagebox_information_ok", MB_OK | MB_ICONINFORMATION, "客官您的银子不够啦，取点银子再来吧！", {16, 16},
       RGB(0, 0, 255)},
      {"messagebox_error_okcancel", MB_OKCANCEL | MB_ICONERROR, "通讯线程创建失败。", {16, 8}, RGB(255, 0, 0)},
      {"messagebox_warning_yesno", MB_YESNO | MB_ICONWARNING, "游戏还没结束，强退操作将扣除大量积分。\n确定要退出吗？",
       {10, 26}, RGB(255, 255, 0)},
      {"messagebox_question_yesnocancel", MB_YESNOCANCEL | MB_ICONQUESTION, "是否保存设置？", {16, 24},
       RGB(0, 0, 255)},
      {"messagebox_plain_retrycancel", MB_RETRYCANCEL, "与服务器连接断开。", {0, 0}, CLR_INVALID},
      {"messagebox_abortretryignore", MB_ABORTRETRYIGNORE | MB_ICONERROR | MB_DEFBUTTON2, "读取文件失败。", {16, 8},
       RGB(255, 0, 0)},
  };
  for (const Kind& k : kinds) {
    bool saved = false;
    COLORREF seen = CLR_INVALID;
    UINT_PTR timer = dlgtest::RunSteps({[&] {
                                          HWND box = TheBox("测试");
                                          saved = dlgtest::SaveWindowPng(box, k.name);
                                          std::vector<uint32_t> px;
                                          int w = 0, h = 0;
                                          if (platform::CaptureWindow(GetDlgItem(box, 20), px, w, h) &&
                                              k.probe.x < w && k.probe.y < h) {
                                            uint32_t p = px[static_cast<size_t>(k.probe.y * w + k.probe.x)];
                                            seen = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
                                          }
                                          PostMessageA(box, WM_CLOSE, 0, 0);
                                          PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                                          PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
                                          PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDRETRY, BN_CLICKED), 0);
                                        }},
                                       30);
    MessageBoxA(nullptr, k.text, "测试", k.type);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(saved) << k.name;
    EXPECT_EQ(k.colour, seen) << k.name;
  }
}

}  // namespace
