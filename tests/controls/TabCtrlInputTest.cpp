// The tab control under simulated mouse and keyboard input: clicks and their notifications,
// the scroll buttons with their states and auto-repeat, the close button, highlighting with
// Ctrl, and in-place renaming with its own message loop.
#include <cstring>
#include <string>

#include "platform/kernel/Time.h"
#include "tests/controls/TabCtrlTestSupport.h"

namespace tabtest {
namespace {

// The centre of a tab's text rectangle, in client coordinates of a horizontal strip.
POINT TabPoint(const CCustomTabCtrl* ctrl, int index) {
  const RECT& rc = ctrl->GetItem(index)->m_textRect;
  return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

TEST_F(TabCtrlTest, ClickSelectsAndNotifies) {
  CCustomTabCtrl* ctrl = Make(TABSTYLE_AUTOHIDE_BUTTONS, 400, 20, {"one", "two", "three"});
  ctrl->SetCurSel(0);
  POINT p = TabPoint(ctrl, 1);
  Click(ctrl->m_hWnd, p.x, p.y);
  EXPECT_EQ(1, ctrl->GetCurSel());
  ASSERT_EQ((std::vector<int>{TABN_CLICK, TABN_SELECTION_CHANGED}), Log().Codes());
  const TabNotifyRecord& click = Log().records[0];
  EXPECT_EQ(ctrl->m_hWnd, click.hdr.hwndFrom);
  EXPECT_EQ(1096u, click.hdr.idFrom);
  EXPECT_EQ(1, click.index);
  EXPECT_STREQ("two", click.label);
  EXPECT_EQ(5u, click.itemData);
  EXPECT_EQ(p.x, click.point.x);
  EXPECT_EQ(p.y, click.point.y);
  EXPECT_FALSE(click.selected);  // sent before the press logic
  const TabNotifyRecord& changed = Log().records[1];
  EXPECT_EQ(1, changed.index);
  EXPECT_TRUE(changed.selected);
  EXPECT_EQ(0, std::memcmp(&changed.textRect, &ctrl->GetItem(1)->m_textRect, sizeof(RECT)));

  // The selected tab again (away from the first click, which would make a double click): only
  // the click.
  Log().records.clear();
  Click(ctrl->m_hWnd, p.x + 8, p.y);
  EXPECT_EQ((std::vector<int>{TABN_CLICK}), Log().Codes());

  // Nowhere: the click carries the hit code and no tab fields.
  Log().records.clear();
  Click(ctrl->m_hWnd, 395, 10);
  ASSERT_EQ((std::vector<int>{TABN_CLICK}), Log().Codes());
  EXPECT_EQ(TABHIT_NOWHERE, Log().records[0].index);
  EXPECT_EQ('\0', Log().records[0].label[0]);

  // Right clicks only notify.
  Log().records.clear();
  RightClick(ctrl->m_hWnd, TabPoint(ctrl, 2).x, p.y);
  ASSERT_EQ((std::vector<int>{TABN_RIGHT_CLICK}), Log().Codes());
  EXPECT_EQ(2, Log().records[0].index);
  EXPECT_EQ(1, ctrl->GetCurSel());
}

TEST_F(TabCtrlTest, ClickSelectsTheTabUnderAVerticalStrip) {
  CCustomTabCtrl* ctrl = Make(TABSTYLE_VERTICAL | TABSTYLE_AUTOHIDE_BUTTONS, 20, 200, {"one", "two"});
  Click(ctrl->m_hWnd, 10, 195);
  EXPECT_EQ(0, ctrl->GetCurSel());
  EXPECT_EQ((std::vector<int>{TABN_CLICK, TABN_SELECTION_CHANGED}), Log().Codes());
}

TEST_F(TabCtrlTest, ScrollButtonsStepAndRepeat) {
  CCustomTabCtrl* ctrl = Make(0, 200, 20, {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta"});
  const HWND w = ctrl->m_hWnd;
  platform::SetTickCountNow(100000);
  Press(w, 25, 10);  // next
  ASSERT_EQ((std::vector<int>{TABN_CLICK}), Log().Codes());
  EXPECT_EQ(TABHIT_NEXT, Log().records[0].index);
  EXPECT_EQ(1, ctrl->GetFirstVisible());
  EXPECT_EQ(TABBTN_PRESSED, ctrl->GetButtonState(TABBTN_NEXT));
  EXPECT_EQ(TABHIT_NEXT, ctrl->GetPressedCode());

  // The timer ticks every 100 ms, but a step waits for 250 ms since the last one. The clock is
  // set just before each tick, so that only the few microseconds of the handler itself pass
  // between the clock and the step time it records.
  platform::SetTickCountNow(200000);
  ctrl->SendMessage(WM_TIMER, TAB_TIMER_REPEAT);
  EXPECT_EQ(2, ctrl->GetFirstVisible());
  platform::SetTickCountNow(200100);
  ctrl->SendMessage(WM_TIMER, TAB_TIMER_REPEAT);
  EXPECT_EQ(2, ctrl->GetFirstVisible());
  platform::SetTickCountNow(200200);
  ctrl->SendMessage(WM_TIMER, TAB_TIMER_REPEAT);
  EXPECT_EQ(2, ctrl->GetFirstVisible());
  platform::SetTickCountNow(200300);
  ctrl->SendMessage(WM_TIMER, TAB_TIMER_REPEAT);
  EXPECT_EQ(3, ctrl->GetFirstVisible());
  // Another timer's tick does not step.
  platform::SetTickCountNow(201000);
  ctrl->SendMessage(WM_TIMER, 2);
  EXPECT_EQ(3, ctrl->GetFirstVisible());

  // Leaving the window stops the repeat.
  ctrl->SendMessage(WM_MOUSELEAVE);
  EXPECT_EQ(TABBTN_NORMAL, ctrl->GetButtonState(TABBTN_NEXT));
  platform::SetTickCountNow(202000);
  ctrl->SendMessage(WM_TIMER, TAB_TIMER_REPEAT);
  EXPECT_EQ(3, ctrl->GetFirstVisible());
  Release(w, 25, 10);
  EXPECT_EQ(TABHIT_NOWHERE, ctrl->GetPressedCode());
  EXPECT_EQ(nullptr, GetCapture());

  // Previous steps back; the strip never scrolls past its last tab.
  Click(w, 5, 10);
  EXPECT_EQ(2, ctrl->GetFirstVisible());
  for (int i = 0; i < 10; ++i) Click(w, 25, 10);
  const int end = ctrl->GetFirstVisible();
  EXPECT_LE(ctrl->GetItem(6)->m_tabRect.right, 200);
  EXPECT_LT(end, 6);
}

TEST_F(TabCtrlTest, ButtonStatesFollowTheMouse) {
  CCustomTabCtrl* ctrl = Make(TABSTYLE_CLOSE_BUTTON, 200, 20, {"alpha", "beta", "gamma", "delta", "epsilon"});
  const HWND w = ctrl->m_hWnd;
  // Close [0, 18), previous [17, 35), next [35, 54).
  MoveTo(w, 45, 10);
  EXPECT_EQ(TABBTN_HOT, ctrl->GetButtonState(TABBTN_NEXT));
  EXPECT_EQ(TABBTN_NORMAL, ctrl->GetButtonState(TABBTN_PREV));
  Press(w, 45, 10);
  EXPECT_EQ(TABBTN_PRESSED, ctrl->GetButtonState(TABBTN_NEXT));
  MoveTo(w, 150, 10);  // dragged off while pressed
  EXPECT_EQ(TABBTN_NORMAL, ctrl->GetButtonState(TABBTN_NEXT));
  MoveTo(w, 45, 10);
  EXPECT_EQ(TABBTN_PRESSED, ctrl->GetButtonState(TABBTN_NEXT));
  MoveTo(w, 25, 10);  // onto another button while pressed
  EXPECT_EQ(TABBTN_NORMAL, ctrl->GetButtonState(TABBTN_PREV));
  Release(w, 25, 10);
  EXPECT_EQ(TABBTN_NORMAL, ctrl->GetButtonState(TABBTN_NEXT));
  MoveTo(w, 26, 10);
  EXPECT_EQ(TABBTN_HOT, ctrl->GetButtonState(TABBTN_PREV));

  // The close button: pressed look while held, a click notification and nothing else.
  Log().records.clear();
  const int first = ctrl->GetFirstVisible();
  Press(w, 5, 10);
  EXPECT_EQ(TABBTN_PRESSED, ctrl->GetButtonState(TABBTN_CLOSE));
  Release(w, 5, 10);
  EXPECT_EQ(TABBTN_NORMAL, ctrl->GetButtonState(TABBTN_CLOSE));
  ASSERT_EQ((std::vector<int>{TABN_CLICK}), Log().Codes());
  EXPECT_EQ(TABHIT_CLOSE, Log().records[0].index);
  EXPECT_EQ(first, ctrl->GetFirstVisible());
  EXPECT_EQ(5, ctrl->GetItemCount());
}

TEST_F(TabCtrlTest, HighlightingWithCtrl) {
  CCustomTabCtrl* ctrl = Make(TABSTYLE_MULTI_HIGHLIGHT | TABSTYLE_AUTOHIDE_BUTTONS, 480, 20, {"a0", "b1", "c2", "d3"});
  const HWND w = ctrl->m_hWnd;
  ctrl->SetCurSel(0);
  auto highlights = [&] {
    std::string s;
    for (int i = 0; i < ctrl->GetItemCount(); ++i) s += ctrl->GetItem(i)->m_highlighted ? '1' : '0';
    return s;
  };
  EXPECT_EQ("1000", highlights());

  // Ctrl+click an unselected tab toggles it, with one notification.
  Log().records.clear();
  Click(w, TabPoint(ctrl, 2).x, 10, true);
  EXPECT_EQ("1010", highlights());
  EXPECT_EQ(0, ctrl->GetCurSel());
  ASSERT_EQ((std::vector<int>{TABN_CLICK, TABN_HIGHLIGHT_CHANGED}), Log().Codes());
  EXPECT_EQ(2, Log().records[1].index);
  EXPECT_TRUE(Log().records[1].highlighted);

  // Ctrl+click the selected tab changes nothing.
  Log().records.clear();
  Click(w, TabPoint(ctrl, 0).x, 10, true);
  EXPECT_EQ("1010", highlights());
  EXPECT_EQ((std::vector<int>{TABN_CLICK}), Log().Codes());

  // A plain click on a highlighted tab selects it and leaves the highlights.
  Log().records.clear();
  Click(w, TabPoint(ctrl, 2).x, 10);
  EXPECT_EQ(2, ctrl->GetCurSel());
  EXPECT_EQ("1010", highlights());
  EXPECT_EQ((std::vector<int>{TABN_CLICK, TABN_SELECTION_CHANGED}), Log().Codes());

  // A plain click on a tab that is not highlighted: it alone stays highlighted, and every
  // changed tab is reported once.
  Log().records.clear();
  Click(w, TabPoint(ctrl, 3).x, 10);
  EXPECT_EQ(3, ctrl->GetCurSel());
  EXPECT_EQ("0001", highlights());
  ASSERT_EQ((std::vector<int>{TABN_CLICK, TABN_SELECTION_CHANGED, TABN_HIGHLIGHT_CHANGED, TABN_HIGHLIGHT_CHANGED,
                              TABN_HIGHLIGHT_CHANGED}),
            Log().Codes());
  EXPECT_EQ(0, Log().records[2].index);
  EXPECT_EQ(2, Log().records[3].index);
  EXPECT_EQ(3, Log().records[4].index);

  // The changes of a click are reported once: a later click that changes nothing reports none.
  Log().records.clear();
  Click(w, TabPoint(ctrl, 3).x + 8, 4);
  EXPECT_EQ((std::vector<int>{TABN_CLICK}), Log().Codes());
}

// ---- label editing

class TabRenameTest : public TabCtrlTest {
 protected:
  CCustomTabCtrl* MakeEditable(DWORD extra = 0) {
    CCustomTabCtrl* ctrl = Make(TABSTYLE_EDIT_LABELS | TABSTYLE_AUTOHIDE_BUTTONS | extra, 480, 20, {"one", "two", "three"});
    ctrl->SetCurSel(0);
    Log().records.clear();
    return ctrl;
  }
  // Queues a double click on tab `index`, then whatever the test queues, then pumps: the edit's
  // loop takes the queued input.
  void QueueDoubleClick(CCustomTabCtrl* ctrl, int index) {
    POINT p = TabPoint(ctrl, index);
    for (int i = 0; i < 2; ++i) {
      InjectButton(ctrl->m_hWnd, p.x, p.y, true);
      InjectButton(ctrl->m_hWnd, p.x, p.y, false);
    }
  }
};

TEST_F(TabRenameTest, EnterCommitsWhatWasTyped) {
  CCustomTabCtrl* ctrl = MakeEditable();
  QueueDoubleClick(ctrl, 0);
  InjectKeys("new");
  InjectKey(VK_RETURN);
  Pump();
  EXPECT_STREQ("new", static_cast<LPCTSTR>(ctrl->GetItem(0)->m_text));
  EXPECT_EQ(nullptr, ctrl->GetLabelEditWindow());
  EXPECT_EQ(TABHIT_NOWHERE, ctrl->GetPressedCode());
  std::vector<int> codes = Log().Codes();
  ASSERT_GE(codes.size(), 3u);
  EXPECT_EQ(TABN_LABEL_UPDATE, codes[codes.size() - 2]);
  EXPECT_EQ(TABN_DOUBLE_CLICK, codes.back());
  // The parent was asked with the typed text already in the label, and no point.
  const TabNotifyRecord& ask = Log().records[codes.size() - 2];
  EXPECT_STREQ("new", ask.label);
  EXPECT_EQ(0, ask.point.x);
  EXPECT_EQ(0, Log().records.back().index);
}

TEST_F(TabRenameTest, EscapeRestoresTheLabel) {
  CCustomTabCtrl* ctrl = MakeEditable();
  const int width = ctrl->GetItem(0)->m_tabRect.right - ctrl->GetItem(0)->m_tabRect.left;
  QueueDoubleClick(ctrl, 0);
  InjectKeys("a much longer label");
  InjectKey(VK_ESCAPE);
  Pump();
  EXPECT_STREQ("one", static_cast<LPCTSTR>(ctrl->GetItem(0)->m_text));
  EXPECT_EQ(width, ctrl->GetItem(0)->m_tabRect.right - ctrl->GetItem(0)->m_tabRect.left);
  EXPECT_EQ(nullptr, ctrl->GetLabelEditWindow());
  for (int code : Log().Codes()) EXPECT_NE(TABN_LABEL_UPDATE, code);
}

TEST_F(TabRenameTest, ARefusingParentKeepsTheEditOpen) {
  CCustomTabCtrl* ctrl = MakeEditable();
  Log().labelUpdateReply = 1;
  QueueDoubleClick(ctrl, 0);
  InjectKeys("x");
  InjectKey(VK_RETURN);  // refused
  InjectKeys("y");
  InjectKey(VK_ESCAPE);
  Pump();
  EXPECT_STREQ("one", static_cast<LPCTSTR>(ctrl->GetItem(0)->m_text));
  int asks = 0;
  for (int code : Log().Codes()) asks += code == TABN_LABEL_UPDATE;
  EXPECT_EQ(1, asks);
  // The refused commit went on editing: the text at the ask was "x", and "y" came after.
  for (const TabNotifyRecord& r : Log().records) {
    if (static_cast<int>(r.hdr.code) == TABN_LABEL_UPDATE) {
      EXPECT_STREQ("x", r.label);
    }
  }
}

TEST_F(TabRenameTest, TheLabelTakesThirtyCharactersAtMost) {
  CCustomTabCtrl* ctrl = MakeEditable();
  QueueDoubleClick(ctrl, 0);
  InjectKeys(std::string(31, 'w'));
  InjectKey(VK_RETURN);
  Pump();
  EXPECT_EQ(std::string(30, 'w'), static_cast<LPCTSTR>(ctrl->GetItem(0)->m_text));
}

TEST_F(TabRenameTest, DoubleClickOnAnUnselectedTabSelectsAndEditsIt) {
  CCustomTabCtrl* ctrl = MakeEditable();
  QueueDoubleClick(ctrl, 2);
  InjectKeys("z");
  InjectKey(VK_RETURN);
  Pump();
  EXPECT_EQ(2, ctrl->GetCurSel());
  EXPECT_STREQ("z", static_cast<LPCTSTR>(ctrl->GetItem(2)->m_text));
  EXPECT_STREQ("one", static_cast<LPCTSTR>(ctrl->GetItem(0)->m_text));
}

TEST_F(TabRenameTest, AClickElsewhereCommits) {
  CCustomTabCtrl* ctrl = MakeEditable();
  QueueDoubleClick(ctrl, 0);
  InjectKeys("k");
  // A click on another tab commits and then acts: it selects that tab.
  POINT p = TabPoint(ctrl, 1);
  InjectButton(ctrl->m_hWnd, p.x + 1, p.y, true);
  InjectButton(ctrl->m_hWnd, p.x + 1, p.y, false);
  Pump();
  EXPECT_STREQ("k", static_cast<LPCTSTR>(ctrl->GetItem(0)->m_text));
  EXPECT_EQ(nullptr, ctrl->GetLabelEditWindow());
  EXPECT_EQ(1, ctrl->GetCurSel());
}

TEST_F(TabRenameTest, RefusalsChangeNothing) {
  CCustomTabCtrl* ctrl = MakeEditable();
  EXPECT_EQ(TABERR_BAD_INDEX, ctrl->RenameTab(3, 0));
  EXPECT_EQ(TABERR_NOT_SELECTED, ctrl->RenameTab(1, 0));
  CCustomTabCtrl* plain = Make(TABSTYLE_AUTOHIDE_BUTTONS, 300, 20, {"a"});
  plain->SetCurSel(0);
  EXPECT_EQ(TABERR_NO_EDIT_STYLE, plain->RenameTab(0, 0));
  CCustomTabCtrl* vertical =
      Make(TABSTYLE_VERTICAL | TABSTYLE_EDIT_LABELS | TABSTYLE_AUTOHIDE_BUTTONS, 20, 200, {"a"});
  vertical->SetCurSel(0);
  EXPECT_EQ(TABERR_VERTICAL, vertical->RenameTab(0, 0));

  // Without the style a double click only notifies (the other controls overlap it: away with them).
  ctrl->DestroyWindow();
  vertical->DestroyWindow();
  Log().records.clear();
  POINT p = TabPoint(plain, 0);
  for (int i = 0; i < 2; ++i) {
    InjectButton(plain->m_hWnd, p.x, p.y, true);
    InjectButton(plain->m_hWnd, p.x, p.y, false);
  }
  Pump();
  EXPECT_EQ((std::vector<int>{TABN_CLICK, TABN_DOUBLE_CLICK}), Log().Codes());
  EXPECT_EQ(nullptr, plain->GetLabelEditWindow());
}

CCustomTabCtrl* g_editing = nullptr;
HWND g_seenEdit = nullptr;
int g_nestedResult = 0;

void CALLBACK QuitWhileEditing(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_seenEdit = g_editing->GetLabelEditWindow();
  g_nestedResult = g_editing->RenameTab(0, 0);
  PostQuitMessage(7);
}

TEST_F(TabRenameTest, QuitDuringTheEditLeavesTheLoopAndIsPostedAgain) {
  CCustomTabCtrl* ctrl = MakeEditable();
  g_editing = ctrl;
  g_seenEdit = nullptr;
  QueueDoubleClick(ctrl, 0);
  InjectKeys("q");
  ASSERT_NE(0u, SetTimer(nullptr, 0, 20, QuitWhileEditing));
  // Pump until the quit message shows up again, as the application's own loop would.
  MSG msg;
  bool quit = false;
  WPARAM code = 0;
  for (int n = 0; n < 100000 && !quit; ++n) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) continue;
    if (msg.message == WM_QUIT) {
      quit = true;
      code = msg.wParam;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  EXPECT_NE(nullptr, g_seenEdit);
  EXPECT_EQ(TABERR_ALREADY_EDITING, g_nestedResult);
  EXPECT_EQ(nullptr, ctrl->GetLabelEditWindow());
  EXPECT_FALSE(IsWindow(g_seenEdit));
  EXPECT_STREQ("one", static_cast<LPCTSTR>(ctrl->GetItem(0)->m_text));
  ASSERT_TRUE(quit);
  EXPECT_EQ(7u, code);
}

}  // namespace
}  // namespace tabtest
