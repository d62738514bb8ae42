// The dialog manager: dialog units, the creation sequence, DLGPROC results, modal loops, the
// keyboard interface and the helpers that address controls by id.
#include <atomic>
#include <thread>

#include "tests/platform/DialogTestSupport.h"

namespace {

using dlgtest::DialogTest;
using dlgtest::Log;
using dlgtest::Seen;
using Bytes = std::vector<BYTE>;

constexpr DWORD AUTORADIO = 9;

INT_PTR CALLBACK LoggingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETFONT || message == WM_INITDIALOG || message == WM_COMMAND) {
    Log().push_back(Seen{hwnd, message, wParam, lParam});
  }
  if (message == WM_INITDIALOG) return static_cast<INT_PTR>(lParam);  // the test says whether to focus
  return FALSE;
}

// The count-down box's template, as the framework carries it.
Bytes Box143(DWORD extraStyle = 0) {
  return DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | extraStyle, 0, 0, 179, 71, "游戏")
      .Font("宋体", 9)
      .Add("Button", "取消", IDCANCEL, WS_TABSTOP, 95, 46, 50, 18)
      .Add("Button", "确定", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 39, 46, 50, 18)
      .Add("Static", "", 1012, 3 /* SS_ICON */, 7, 8, 21, 21)
      .Add("Static", "10", 1011, 1 /* SS_CENTER */, 150, 50, 17, 8)
      .Add("Static", "", 1010, 0, 39, 11, 130, 31)
      .Bytes();
}

HWND Create(const Bytes& t, DLGPROC proc = LoggingProc, LPARAM param = TRUE, HWND parent = nullptr) {
  return CreateDialogIndirectParamA(nullptr, reinterpret_cast<LPCDLGTEMPLATEA>(t.data()), parent, proc, param);
}

TEST_F(DialogTest, DialogUnitsFollowTheTemplateFont) {
  // The Song face at 9 points is 12 pixels with 6-pixel Latin letters: 1.5 pixels per unit.
  HWND dlg = Keep(Create(Box143()));
  int bx = 0, by = 0;
  ASSERT_TRUE(platform::DialogBaseUnits(dlg, bx, by));
  EXPECT_EQ(6, bx);
  EXPECT_EQ(12, by);
  struct Case {
    RECT dlu;
    RECT px;
  } cases[] = {
      {{0, 0, 4, 8}, {0, 0, 6, 12}},
      {{1, 1, 3, 3}, {2, 2, 5, 5}},  // MulDiv rounds halves away from zero
      {{39, 46, 89, 64}, {59, 69, 134, 96}},
      {{-2, -3, 0, 0}, {-3, -5, 0, 0}},
      {{179, 71, 207, 45}, {269, 107, 311, 68}},
  };
  for (const Case& c : cases) {
    RECT rc = c.dlu;
    ASSERT_TRUE(MapDialogRect(dlg, &rc));
    EXPECT_EQ(c.px.left, rc.left);
    EXPECT_EQ(c.px.top, rc.top);
    EXPECT_EQ(c.px.right, rc.right);
    EXPECT_EQ(c.px.bottom, rc.bottom);
  }
  // The client area is the template's size, the controls where the template puts them.
  RECT client;
  GetClientRect(dlg, &client);
  EXPECT_EQ(269, client.right);
  EXPECT_EQ(107, client.bottom);
  RECT ok;
  GetWindowRect(GetDlgItem(dlg, IDOK), &ok);
  POINT origin{0, 0};
  ClientToScreen(dlg, &origin);
  EXPECT_EQ(59, ok.left - origin.x);
  EXPECT_EQ(69, ok.top - origin.y);
  EXPECT_EQ(75, ok.right - ok.left);
  EXPECT_EQ(27, ok.bottom - ok.top);

  // A bigger font gives bigger units; a dialog without DS_SETFONT uses the system font.
  Bytes big = DialogTemplate(WS_POPUP, 0, 0, 40, 16).Font("宋体", 12).Bytes();
  HWND bigDlg = Keep(Create(big));
  ASSERT_TRUE(platform::DialogBaseUnits(bigDlg, bx, by));
  EXPECT_EQ(8, bx);
  EXPECT_EQ(16, by);
  HWND sysDlg = Keep(Create(DialogTemplate(WS_POPUP, 0, 0, 40, 16).Bytes()));
  ASSERT_TRUE(platform::DialogBaseUnits(sysDlg, bx, by));
  EXPECT_EQ(LOWORD(GetDialogBaseUnits()), bx);
  EXPECT_EQ(HIWORD(GetDialogBaseUnits()), by);
  RECT notDialog{1, 1, 1, 1};
  EXPECT_FALSE(MapDialogRect(GetDlgItem(dlg, IDOK), &notDialog));
}

TEST_F(DialogTest, CreationSendsFontThenInitDialogThenFocusesTheFirstTabStop) {
  HWND dlg = Keep(Create(Box143(WS_VISIBLE)));
  HWND cancel = GetDlgItem(dlg, IDCANCEL);
  HWND ok = GetDlgItem(dlg, IDOK);
  HWND icon = GetDlgItem(dlg, 1012);
  auto seq = dlgtest::Pairs({WM_SETFONT, WM_INITDIALOG, WM_SETFOCUS});
  std::vector<std::pair<HWND, UINT>> expected = {
      {dlg, WM_SETFONT},    {cancel, WM_SETFONT}, {ok, WM_SETFONT},       {icon, WM_SETFONT},
      {GetDlgItem(dlg, 1011), WM_SETFONT},        {GetDlgItem(dlg, 1010), WM_SETFONT},
      {dlg, WM_INITDIALOG}, {cancel, WM_SETFOCUS},
  };
  EXPECT_EQ(expected, seq);
  // WM_INITDIALOG names the first tab stop and carries the creation parameter.
  for (const Seen& s : Log()) {
    if (s.message == WM_INITDIALOG) {
      EXPECT_EQ(reinterpret_cast<WPARAM>(cancel), s.wParam);
      EXPECT_EQ(TRUE, s.lParam);
    }
  }
  EXPECT_EQ(cancel, GetFocus());
  EXPECT_TRUE(IsWindowVisible(dlg));
  // Every control has the dialog's font, and the dialog answers WM_GETFONT with it.
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(dlg, WM_GETFONT, 0, 0));
  ASSERT_NE(nullptr, font);
  EXPECT_EQ(reinterpret_cast<LRESULT>(font), SendMessageA(ok, WM_GETFONT, 0, 0));
  char cls[32];
  GetClassNameA(dlg, cls, sizeof cls);
  EXPECT_STREQ("#32770", cls);
  EXPECT_EQ(static_cast<LONG>(WS_EX_DLGMODALFRAME), GetWindowLongA(dlg, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);

  // FALSE from WM_INITDIALOG leaves the focus alone; without WS_VISIBLE the dialog stays hidden.
  SetFocus(nullptr);
  HWND quiet = Keep(Create(Box143(), LoggingProc, FALSE));
  EXPECT_EQ(nullptr, GetFocus());
  EXPECT_FALSE(IsWindowVisible(quiet));
}

TEST_F(DialogTest, StylesOfTheTemplateReachTheWindow) {
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  struct Case {
    DWORD style;
    DWORD exStyle;
    DWORD wantEx;
  } cases[] = {
      {WS_POPUP | DS_SYSMODAL, 0, WS_EX_TOPMOST},
      {WS_POPUP | DS_MODALFRAME, WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME},
      {WS_POPUP, 0, 0},
  };
  for (const Case& c : cases) {
    HWND dlg = Keep(Create(DialogTemplate(c.style, 0, 0, 40, 20).ExStyle(c.exStyle).Font("宋体", 9).Bytes()));
    DWORD ex = static_cast<DWORD>(GetWindowLongA(dlg, GWL_EXSTYLE));
    EXPECT_EQ(c.wantEx, ex & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME)) << std::hex << c.style;
  }
  // DS_CENTER centres the window in the work area.
  HWND centred = Keep(Create(DialogTemplate(WS_POPUP | WS_CAPTION | DS_CENTER, 0, 0, 100, 40).Font("宋体", 9).Bytes()));
  RECT rc;
  GetWindowRect(centred, &rc);
  EXPECT_LE(std::abs((rc.left + rc.right) - (work.left + work.right)), 1);
  EXPECT_LE(std::abs((rc.top + rc.bottom) - (work.top + work.bottom)), 1);
  // A pop-up's position is relative to its owner's client area.
  HWND owner = Keep(CreateWindowExA(0, "DlgTestOwner", "", WS_POPUP, 100, 50, 300, 200, nullptr, nullptr, nullptr, nullptr));
  HWND placed = Keep(Create(DialogTemplate(WS_POPUP, 20, 16, 40, 20).Font("宋体", 9).Bytes(), LoggingProc, TRUE, owner));
  GetWindowRect(placed, &rc);
  EXPECT_EQ(130, rc.left);
  EXPECT_EQ(74, rc.top);
  EXPECT_EQ(owner, GetParent(placed));
}

TEST_F(DialogTest, CreationFailsForAMissingClassUnlessNoFailCreate) {
  Bytes bad = DialogTemplate(WS_POPUP, 0, 0, 40, 20).Add("NoSuchClass", "", 5, 0, 0, 0, 5, 5).Bytes();
  EXPECT_EQ(nullptr, Create(bad));
  Bytes tolerant = DialogTemplate(WS_POPUP | DS_NOFAILCREATE, 0, 0, 40, 20)
                       .Add("NoSuchClass", "", 5, 0, 0, 0, 5, 5)
                       .Add("Button", "b", 6, 0, 0, 0, 5, 5)
                       .Bytes();
  HWND dlg = Keep(Create(tolerant));
  EXPECT_EQ(nullptr, GetDlgItem(dlg, 5));
  EXPECT_NE(nullptr, GetDlgItem(dlg, 6));
  EXPECT_EQ(nullptr, CreateDialogParamA(nullptr, MAKEINTRESOURCEA(29999), nullptr, LoggingProc, 0));
  EXPECT_EQ(-1, DialogBoxParamA(nullptr, MAKEINTRESOURCEA(29999), nullptr, LoggingProc, 0));
}

INT_PTR CALLBACK ResultProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_APP:
      SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 1234);
      return TRUE;
    case WM_APP + 1:
      SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 1234);
      return FALSE;  // not handled: the default processing answers
    case WM_CTLCOLORDLG:
      return 77;  // the return value itself is the answer
    default:
      return FALSE;
  }
}

TEST_F(DialogTest, HandledMessagesAnswerWithTheMessageResult) {
  HWND dlg = Keep(Create(Box143(), ResultProc));
  EXPECT_EQ(1234, SendMessageA(dlg, WM_APP, 0, 0));
  EXPECT_EQ(0, SendMessageA(dlg, WM_APP + 1, 0, 0));
  EXPECT_EQ(77, SendMessageA(dlg, WM_CTLCOLORDLG, 0, 0));
  // DM_GETDEFID finds the default push button; DM_SETDEFID changes it and the button styles.
  EXPECT_EQ(MAKELRESULT(IDOK, DC_HASDEFID), SendMessageA(dlg, DM_GETDEFID, 0, 0));
  SendMessageA(dlg, DM_SETDEFID, IDCANCEL, 0);
  EXPECT_EQ(MAKELRESULT(IDCANCEL, DC_HASDEFID), SendMessageA(dlg, DM_GETDEFID, 0, 0));
  EXPECT_EQ(1, GetWindowLongA(GetDlgItem(dlg, IDCANCEL), GWL_STYLE) & 0xF);
  EXPECT_EQ(0, GetWindowLongA(GetDlgItem(dlg, IDOK), GWL_STYLE) & 0xF);
}

// ---- modal loops

struct ModalScript {
  std::function<void(HWND)> init;
  std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> other;
};

INT_PTR CALLBACK ScriptProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ModalScript* script = reinterpret_cast<ModalScript*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (message == WM_INITDIALOG) {
    script = reinterpret_cast<ModalScript*>(lParam);
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    if (script->init) script->init(hwnd);
    return TRUE;
  }
  if (script && script->other) return script->other(hwnd, message, wParam, lParam);
  return FALSE;
}

INT_PTR Modal(const Bytes& t, ModalScript& script, HWND parent = nullptr) {
  return DialogBoxIndirectParamA(nullptr, reinterpret_cast<LPCDLGTEMPLATEA>(t.data()), parent, ScriptProc,
                                 reinterpret_cast<LPARAM>(&script));
}

TEST_F(DialogTest, ModalEndsFromAButtonAndDisablesItsOwnerMeanwhile) {
  HWND owner = Keep(CreateWindowExA(0, "DlgTestOwner", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr, nullptr,
                                    nullptr));
  bool ownerEnabledInside = true;
  HWND seenDialog = nullptr;
  ModalScript script;
  script.init = [&](HWND dlg) {
    seenDialog = dlg;
    dlgtest::RunSteps({[&] {
      ownerEnabledInside = IsWindowEnabled(owner);
      dlgtest::Click(GetDlgItem(seenDialog, IDCANCEL));
    }});
  };
  script.other = [](HWND dlg, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
      EndDialog(dlg, LOWORD(wParam) == IDCANCEL ? 42 : 1);
      return TRUE;
    }
    return FALSE;
  };
  EXPECT_EQ(42, Modal(Box143(), script, owner));
  EXPECT_FALSE(ownerEnabledInside);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_FALSE(IsWindow(seenDialog));
}

TEST_F(DialogTest, ModalEndsFromItsOwnTimer) {
  ModalScript script;
  script.init = [](HWND dlg) { SetTimer(dlg, 1, 10, nullptr); };
  script.other = [](HWND dlg, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    if (message == WM_TIMER && wParam == 1) {
      KillTimer(dlg, 1);
      EndDialog(dlg, 7);
      return TRUE;
    }
    return FALSE;
  };
  EXPECT_EQ(7, Modal(Box143(), script));
  // EndDialog during WM_INITDIALOG ends the dialog before it is ever shown.
  ModalScript early;
  early.init = [](HWND dlg) { EndDialog(dlg, 9); };
  EXPECT_EQ(9, Modal(Box143(), early));
}

TEST_F(DialogTest, NestedModalDialogsDisableTheirOwnersInTurn) {
  HWND outerSeen = nullptr;
  bool outerEnabledDuringInner = true;
  ModalScript inner;
  inner.init = [&](HWND dlg) { SetTimer(dlg, 2, 10, nullptr); };
  inner.other = [&](HWND dlg, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    if (message == WM_TIMER && wParam == 2) {
      outerEnabledDuringInner = IsWindowEnabled(outerSeen);
      KillTimer(dlg, 2);
      EndDialog(dlg, 5);
    }
    return FALSE;
  };
  ModalScript outer;
  outer.init = [&](HWND dlg) {
    outerSeen = dlg;
    PostMessageA(dlg, WM_APP, 0, 0);
  };
  outer.other = [&](HWND dlg, UINT message, WPARAM, LPARAM) -> INT_PTR {
    if (message == WM_APP) {
      INT_PTR r = Modal(Box143(), inner, dlg);
      EXPECT_TRUE(IsWindowEnabled(dlg));
      EndDialog(dlg, r * 10);
      return TRUE;
    }
    return FALSE;
  };
  EXPECT_EQ(50, Modal(Box143(), outer));
  EXPECT_FALSE(outerEnabledDuringInner);
}

TEST_F(DialogTest, QuitEndsTheModalLoopAndIsPostedAgain) {
  HWND owner = Keep(CreateWindowExA(0, "DlgTestOwner", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr));
  HWND seen = nullptr;
  ModalScript script;
  script.init = [&](HWND dlg) {
    seen = dlg;
    PostQuitMessage(3);
  };
  EXPECT_EQ(0, Modal(Box143(), script, owner));
  EXPECT_FALSE(IsWindow(seen));
  EXPECT_TRUE(IsWindowEnabled(owner));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message);
  EXPECT_EQ(3u, msg.wParam);
}

TEST_F(DialogTest, ModalLoopAnswersMessagesSentFromAnotherThread) {
  std::atomic<LRESULT> answer{0};
  std::thread sender;
  ModalScript script;
  script.init = [&](HWND dlg) {
    sender = std::thread([dlg, &answer] { answer = SendMessageA(dlg, WM_APP, 0, 0); });
  };
  script.other = [](HWND dlg, UINT message, WPARAM, LPARAM) -> INT_PTR {
    if (message == WM_APP) {
      SetWindowLongPtrA(dlg, DWLP_MSGRESULT, 99);
      EndDialog(dlg, 4);
      return TRUE;
    }
    return FALSE;
  };
  EXPECT_EQ(4, Modal(Box143(), script));
  sender.join();
  EXPECT_EQ(99, answer.load());
}

// ---- the keyboard interface

// Edit 10 (group), radios 11-13 (group; 13 disabled), label "&Name" 14 and edit 15, OK (default)
// and Cancel (group), a multi-line edit 16 that wants Enter.
Bytes KeyboardTemplate() {
  return DialogTemplate(WS_POPUP | WS_VISIBLE | WS_CAPTION, 10, 10, 200, 120, "keys")
      .Font("宋体", 9)
      .Add("Edit", "abc", 10, WS_TABSTOP | WS_GROUP, 5, 5, 60, 12)
      .Add("Button", "r1", 11, AUTORADIO | WS_TABSTOP | WS_GROUP, 5, 20, 40, 10)
      .Add("Button", "r2", 12, AUTORADIO, 5, 32, 40, 10)
      .Add("Button", "r3", 13, AUTORADIO | WS_DISABLED, 5, 44, 40, 10)
      .Add("Static", "&Name", 14, WS_GROUP, 70, 5, 30, 10)
      .Add("Edit", "", 15, WS_TABSTOP, 100, 5, 60, 12)
      .Add("Button", "OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 40, 90, 50, 14)
      .Add("Button", "&Cancel", IDCANCEL, WS_TABSTOP, 100, 90, 50, 14)
      .Add("Edit", "", 16, WS_TABSTOP | 0x4 | 0x1000 /* ES_MULTILINE | ES_WANTRETURN */, 5, 60, 60, 24)
      .Bytes();
}

TEST_F(DialogTest, KeyboardMovesFocusAndPressesButtons) {
  HWND dlg = Keep(Create(KeyboardTemplate()));
  SetForegroundWindow(dlg);
  auto id = [&](HWND h) { return h ? GetDlgCtrlID(h) : 0; };
  struct Case {
    int from;
    UINT vk;
    bool shift;
    int focus;    // where the focus is afterwards
    int command;  // the WM_COMMAND id the dialog got, 0 for none
  } cases[] = {
      {10, VK_TAB, false, 11, 0},          // next tab stop
      {11, VK_TAB, false, 15, 0},          // a group's other radios are not tab stops
      {15, VK_TAB, false, IDOK, 0},
      {IDCANCEL, VK_TAB, false, 16, 0},
      {10, VK_TAB, true, 16, 0},           // Shift+Tab goes back and wraps
      {IDOK, VK_TAB, true, 15, 0},
      {11, VK_DOWN, false, 12, 12},        // arrows move in the group and click radios
      {12, VK_DOWN, false, 11, 11},        // skipping the disabled one and wrapping
      {11, VK_UP, false, 12, 12},
      {IDOK, VK_RIGHT, false, IDCANCEL, 0},
      {10, VK_RETURN, false, 10, IDOK},    // Enter presses the default button
      {IDCANCEL, VK_RETURN, false, IDCANCEL, IDCANCEL},  // or the focused push button
      {16, VK_RETURN, false, 16, 0},       // a control that wants Enter keeps it
      {15, VK_ESCAPE, false, 15, IDCANCEL},
  };
  for (const Case& c : cases) {
    SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, c.from)), TRUE);
    ASSERT_EQ(c.from, id(GetFocus()));
    Log().clear();
    dlgtest::Press(dlg, c.vk, c.shift);
    EXPECT_EQ(c.focus, id(GetFocus())) << "from " << c.from << " key " << c.vk;
    int command = 0;
    for (const Seen& s : Log()) {
      if (s.message == WM_COMMAND && HIWORD(s.wParam) == BN_CLICKED) command = LOWORD(s.wParam);
    }
    EXPECT_EQ(c.command, command) << "from " << c.from << " key " << c.vk;
  }
  // The radio clicked by the arrows is checked, and only it.
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dlg, 12));
  EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dlg, 11));
}

TEST_F(DialogTest, FocusRulesForEditsDefaultButtonAndMnemonics) {
  HWND dlg = Keep(Create(KeyboardTemplate()));
  SetForegroundWindow(dlg);
  HWND ok = GetDlgItem(dlg, IDOK), cancel = GetDlgItem(dlg, IDCANCEL);
  // Tabbing to an edit selects its text.
  SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, IDCANCEL)), TRUE);
  Log().clear();
  dlgtest::Press(dlg, VK_TAB);
  auto setsel = dlgtest::Pairs({EM_SETSEL});
  ASSERT_EQ(1u, setsel.size());
  EXPECT_EQ(GetDlgItem(dlg, 16), setsel[0].first);
  // A focused push button becomes the default one; leaving it gives the default back.
  SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(cancel), TRUE);
  EXPECT_EQ(1, GetWindowLongA(cancel, GWL_STYLE) & 0xF);
  EXPECT_EQ(0, GetWindowLongA(ok, GWL_STYLE) & 0xF);
  SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, 10)), TRUE);
  EXPECT_EQ(0, GetWindowLongA(cancel, GWL_STYLE) & 0xF);
  EXPECT_EQ(1, GetWindowLongA(ok, GWL_STYLE) & 0xF);
  // Alt+C presses "&Cancel"; Alt+N goes from the label "&Name" to the edit after it.
  Log().clear();
  dlgtest::PressAlt(dlg, 'C');
  std::vector<std::pair<HWND, UINT>> clicks;
  for (const Seen& s : Log()) {
    if (s.message == BM_CLICK || (s.message == WM_COMMAND && HIWORD(s.wParam) == BN_CLICKED)) {
      clicks.emplace_back(s.hwnd, s.message);
    }
  }
  EXPECT_EQ((std::vector<std::pair<HWND, UINT>>{{cancel, BM_CLICK}, {dlg, WM_COMMAND}}), clicks);
  dlgtest::PressAlt(dlg, 'N');
  EXPECT_EQ(GetDlgItem(dlg, 15), GetFocus());
  // WM_NEXTDLGCTL with wParam 0/1 moves forward and back.
  SendMessageA(dlg, WM_NEXTDLGCTL, 0, 0);
  EXPECT_EQ(ok, GetFocus());
  SendMessageA(dlg, WM_NEXTDLGCTL, 1, 0);
  EXPECT_EQ(GetDlgItem(dlg, 15), GetFocus());
  // A message for another window is not the dialog's.
  HWND other = Keep(CreateWindowExA(0, "DlgTestOwner", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
  MSG msg{other, WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_FALSE(IsDialogMessageA(dlg, &msg));
}

TEST_F(DialogTest, GroupAndTabItemQueries) {
  HWND dlg = Keep(Create(KeyboardTemplate()));
  auto item = [&](int id) { return GetDlgItem(dlg, id); };
  EXPECT_EQ(item(10), GetNextDlgTabItem(dlg, nullptr, FALSE));
  EXPECT_EQ(item(16), GetNextDlgTabItem(dlg, nullptr, TRUE));
  EXPECT_EQ(item(10), GetNextDlgTabItem(dlg, item(16), FALSE));  // wraps around
  EXPECT_EQ(item(12), GetNextDlgGroupItem(dlg, item(11), FALSE));
  EXPECT_EQ(item(11), GetNextDlgGroupItem(dlg, item(12), FALSE));  // 13 is disabled
  EXPECT_EQ(item(12), GetNextDlgGroupItem(dlg, item(11), TRUE));
  EXPECT_EQ(item(10), GetNextDlgGroupItem(dlg, item(10), FALSE));  // a group of one
  // A control that is hidden is no tab stop.
  ShowWindow(item(15), SW_HIDE);
  EXPECT_EQ(item(IDOK), GetNextDlgTabItem(dlg, item(11), FALSE));
}

TEST_F(DialogTest, ControlsById) {
  HWND dlg = Keep(Create(KeyboardTemplate()));
  char buf[64];
  EXPECT_EQ(3u, GetDlgItemTextA(dlg, 10, buf, sizeof buf));
  EXPECT_STREQ("abc", buf);
  EXPECT_EQ(1u, GetDlgItemTextA(dlg, 10, buf, 2));
  EXPECT_STREQ("a", buf);
  EXPECT_EQ(0u, GetDlgItemTextA(dlg, 999, buf, sizeof buf));
  EXPECT_STREQ("", buf);
  EXPECT_TRUE(SetDlgItemTextA(dlg, 15, "中文"));
  EXPECT_EQ(4u, GetDlgItemTextA(dlg, 15, buf, sizeof buf));
  EXPECT_FALSE(SetDlgItemTextA(dlg, 999, "x"));

  struct IntCase {
    const char* text;
    BOOL isSigned;
    BOOL ok;
    UINT value;
  } ints[] = {
      {"42", FALSE, TRUE, 42},
      {"  42  ", FALSE, TRUE, 42},
      {"-42", TRUE, TRUE, static_cast<UINT>(-42)},
      {"-42", FALSE, FALSE, 0},
      {"4294967295", FALSE, TRUE, 4294967295u},
      {"4294967296", FALSE, FALSE, 0},
      {"2147483647", TRUE, TRUE, 2147483647u},
      {"2147483648", TRUE, FALSE, 0},
      {"-2147483648", TRUE, TRUE, 0x80000000u},
      {"12ab", FALSE, FALSE, 0},
      {"", FALSE, FALSE, 0},
      {"-", TRUE, FALSE, 0},
      {"99999999999999999999", FALSE, FALSE, 0},
  };
  for (const IntCase& c : ints) {
    SetDlgItemTextA(dlg, 15, c.text);
    BOOL ok = 2;
    EXPECT_EQ(c.value, GetDlgItemInt(dlg, 15, &ok, c.isSigned)) << c.text;
    EXPECT_EQ(c.ok, ok) << c.text;
  }
  SetDlgItemInt(dlg, 15, static_cast<UINT>(-7), TRUE);
  EXPECT_EQ(2u, GetDlgItemTextA(dlg, 15, buf, sizeof buf));
  EXPECT_STREQ("-7", buf);
  SetDlgItemInt(dlg, 15, static_cast<UINT>(-7), FALSE);
  GetDlgItemTextA(dlg, 15, buf, sizeof buf);
  EXPECT_STREQ("4294967289", buf);

  CheckDlgButton(dlg, 11, BST_CHECKED);
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dlg, 11));
  CheckRadioButton(dlg, 11, 13, 13);
  EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dlg, 11));
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dlg, 13));
  EXPECT_EQ(0u, IsDlgButtonChecked(dlg, 999));
  EXPECT_EQ(BST_CHECKED, static_cast<UINT>(SendDlgItemMessageA(dlg, 13, BM_GETCHECK, 0, 0)));
  EXPECT_EQ(0, SendDlgItemMessageA(dlg, 999, BM_GETCHECK, 0, 0));
}

TEST_F(DialogTest, CloseIsCancelUnlessCancelIsDisabled) {
  HWND dlg = Keep(Create(Box143()));
  SendMessageA(dlg, WM_CLOSE, 0, 0);
  dlgtest::Pump();
  auto commands = dlgtest::Pairs({WM_COMMAND});
  ASSERT_EQ(1u, commands.size());
  Log().clear();
  EnableWindow(GetDlgItem(dlg, IDCANCEL), FALSE);
  SendMessageA(dlg, WM_CLOSE, 0, 0);
  dlgtest::Pump();
  EXPECT_TRUE(dlgtest::Pairs({WM_COMMAND}).empty());
  EXPECT_TRUE(IsWindow(dlg));
}

}  // namespace
