// Control objects: a table of wrapper calls and the messages they send, Create of each control
// class, the list view, header, tooltip and image list objects over the real controls, and
// owner-drawn menu items reaching the CMenu that holds them.
#include <functional>

#include "platform/mfc/CommonControls.h"
#include "platform/mfc/Controls.h"
#include "platform/mfc/Menu.h"
#include "platform/mfc/RichEditCtrl.h"
#include "tests/platform/MfcWindowTestSupport.h"

namespace {

using namespace mfcwin;

struct Sent {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

std::vector<Sent>& SentLog() {
  static std::vector<Sent> log;
  return log;
}

// The control messages (EM_, SBM_, BM_, CB_, STM_, LB_ lie between 0x00B0 and 0x01FF), the
// common controls' (from WM_USER) and WM_CLEAR.
bool IsControlMessage(UINT message) {
  return (message >= 0x00B0 && message <= 0x01FF) || message >= WM_USER || message == WM_CLEAR;
}

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsControlMessage(message)) {
    SentLog().push_back(Sent{message, wParam, lParam});
    if (message != WM_CLEAR) return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND MakeRecorder() {
  static bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "MfcMessageRecorder";
    return RegisterClassA(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  return CreateWindowExA(0, "MfcMessageRecorder", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

// Runs fn on a wrapper of type T attached to the recorder and returns what it sent.
template <typename T>
std::function<std::vector<Sent>(HWND)> On(std::function<void(T&)> fn) {
  return [fn](HWND h) {
    SentLog().clear();
    T wrapper;
    wrapper.Attach(h);
    fn(wrapper);
    wrapper.Detach();
    return SentLog();
  };
}

class MfcControls : public WindowTest {};

TEST_F(MfcControls, WrapperCallsSendTheirMessages) {
  HWND h = MakeRecorder();
  ASSERT_NE(nullptr, h);
  static const char text[] = "abc";
  RECT rc{1, 2, 3, 4};
  struct Case {
    const char* name;
    std::function<std::vector<Sent>(HWND)> run;
    std::vector<Sent> expected;
  } cases[] = {
      {"CButton::SetCheck", On<CButton>([](CButton& b) { b.SetCheck(BST_CHECKED); }), {{BM_SETCHECK, 1, 0}}},
      {"CButton::GetCheck", On<CButton>([](CButton& b) { b.GetCheck(); }), {{BM_GETCHECK, 0, 0}}},
      {"CButton::SetButtonStyle", On<CButton>([](CButton& b) { b.SetButtonStyle(BS_OWNERDRAW, FALSE); }),
       {{BM_SETSTYLE, BS_OWNERDRAW, 0}}},
      {"CButton::SetState", On<CButton>([](CButton& b) { b.SetState(TRUE); }), {{BM_SETSTATE, 1, 0}}},
      {"CStatic::SetIcon", On<CStatic>([](CStatic& s) { s.SetIcon(reinterpret_cast<HICON>(0x55)); }), {{STM_SETICON, 0x55, 0}}},
      {"CStatic::SetBitmap", On<CStatic>([](CStatic& s) { s.SetBitmap(reinterpret_cast<HBITMAP>(0x66)); }),
       {{STM_SETIMAGE, IMAGE_BITMAP, 0x66}}},
      {"CEdit::LimitText", On<CEdit>([](CEdit& e) { e.LimitText(30); }), {{EM_LIMITTEXT, 30, 0}}},
      {"CEdit::SetSel", On<CEdit>([](CEdit& e) { e.SetSel(0, -1); }), {{EM_SETSEL, 0, -1}, {EM_SCROLLCARET, 0, 0}}},
      {"CEdit::SetSel no scroll", On<CEdit>([](CEdit& e) { e.SetSel(2, 5, TRUE); }), {{EM_SETSEL, 2, 5}}},
      {"CEdit::ReplaceSel", On<CEdit>([](CEdit& e) { e.ReplaceSel(text); }), {{EM_REPLACESEL, 0, (LPARAM)text}}},
      {"CEdit::SetRect", On<CEdit>([&rc](CEdit& e) { e.SetRect(&rc); }), {{EM_SETRECT, 0, (LPARAM)&rc}}},
      {"CEdit::SetReadOnly", On<CEdit>([](CEdit& e) { e.SetReadOnly(); }), {{EM_SETREADONLY, 1, 0}}},
      {"CEdit::Clear", On<CEdit>([](CEdit& e) { e.Clear(); }), {{WM_CLEAR, 0, 0}}},
      {"CComboBox::AddString", On<CComboBox>([](CComboBox& c) { c.AddString(text); }), {{CB_ADDSTRING, 0, (LPARAM)text}}},
      {"CComboBox::SetItemData", On<CComboBox>([](CComboBox& c) { c.SetItemData(3, 77); }), {{CB_SETITEMDATA, 3, 77}}},
      {"CComboBox::SetItemHeight", On<CComboBox>([](CComboBox& c) { c.SetItemHeight(-1, 16); }), {{CB_SETITEMHEIGHT, (WPARAM)-1, 16}}},
      {"CComboBox::SetCurSel", On<CComboBox>([](CComboBox& c) { c.SetCurSel(2); }), {{CB_SETCURSEL, 2, 0}}},
      {"CComboBox::LimitText", On<CComboBox>([](CComboBox& c) { c.LimitText(62); }), {{CB_LIMITTEXT, 62, 0}}},
      {"CComboBox::SetEditSel", On<CComboBox>([](CComboBox& c) { c.SetEditSel(1, 4); }), {{CB_SETEDITSEL, 0, MAKELONG(1, 4)}}},
      {"CListBox::InsertString", On<CListBox>([](CListBox& l) { l.InsertString(1, text); }), {{LB_INSERTSTRING, 1, (LPARAM)text}}},
      {"CListBox::ResetContent", On<CListBox>([](CListBox& l) { l.ResetContent(); }), {{LB_RESETCONTENT, 0, 0}}},
      {"CScrollBar::SetScrollRange", On<CScrollBar>([](CScrollBar& s) { s.SetScrollRange(0, 50); }), {{SBM_SETRANGEREDRAW, 0, 50}}},
      {"CScrollBar::SetScrollPos", On<CScrollBar>([](CScrollBar& s) { s.SetScrollPos(7, FALSE); }), {{SBM_SETPOS, 7, 0}}},
      {"CToolTipCtrl::Activate", On<CToolTipCtrl>([](CToolTipCtrl& t) { t.Activate(FALSE); }), {{TTM_ACTIVATE, 0, 0}}},
      {"CToolTipCtrl::SetMaxTipWidth", On<CToolTipCtrl>([](CToolTipCtrl& t) { t.SetMaxTipWidth(400); }),
       {{TTM_SETMAXTIPWIDTH, 0, 400}}},
      {"CListCtrl::SetExtendedStyle", On<CListCtrl>([](CListCtrl& l) { l.SetExtendedStyle(LVS_EX_FULLROWSELECT); }),
       {{LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT}}},
      {"CListCtrl::GetNextItem", On<CListCtrl>([](CListCtrl& l) { l.GetNextItem(-1, LVNI_SELECTED); }),
       {{LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED}}},
      {"CListCtrl::DeleteColumn", On<CListCtrl>([](CListCtrl& l) { l.DeleteColumn(0); }), {{LVM_DELETECOLUMN, 0, 0}}},
      {"CListCtrl::GetItemState", On<CListCtrl>([](CListCtrl& l) { l.GetItemState(4, 0xFFFF); }), {{LVM_GETITEMSTATE, 4, 0xFFFF}}},
  };
  for (const Case& c : cases) {
    std::vector<Sent> got = c.run(h);
    ASSERT_EQ(c.expected.size(), got.size()) << c.name;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(c.expected[i].message, got[i].message) << c.name;
      EXPECT_EQ(c.expected[i].wParam, got[i].wParam) << c.name;
      EXPECT_EQ(c.expected[i].lParam, got[i].lParam) << c.name;
    }
  }
  DestroyWindow(h);
}

TEST_F(MfcControls, CreateMakesChildrenOfTheControlClasses) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), "parent", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
  CButton button;
  CStatic label;
  CEdit edit;
  CComboBox combo;
  CListBox list;
  CScrollBar bar;
  CListCtrl report;
  struct Case {
    CWnd* wnd;
    BOOL created;
    const char* className;
  } cases[] = {
      {&button, button.Create("OK", WS_VISIBLE | BS_PUSHBUTTON, CRect(0, 0, 60, 20), &parent, 11), "Button"},
      {&label, label.Create("text", WS_VISIBLE | SS_LEFT, CRect(0, 20, 60, 40), &parent, 12), "Static"},
      {&edit, edit.Create(WS_VISIBLE | ES_AUTOHSCROLL, CRect(0, 40, 60, 60), &parent, 13), "Edit"},
      {&combo, combo.Create(WS_VISIBLE | CBS_DROPDOWN, CRect(0, 60, 60, 200), &parent, 14), "ComboBox"},
      {&list, list.Create(WS_VISIBLE | LBS_NOTIFY, CRect(60, 0, 120, 60), &parent, 15), "ListBox"},
      {&bar, bar.Create(WS_VISIBLE | SBS_VERT, CRect(120, 0, 136, 60), &parent, 16), "ScrollBar"},
      {&report, report.Create(WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, CRect(140, 0, 300, 100), &parent, 17), "SysListView32"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(c.created) << c.className;
    char name[64] = {};
    GetClassNameA(c.wnd->m_hWnd, name, sizeof(name));
    EXPECT_STRCASEEQ(c.className, name);
    EXPECT_TRUE(c.wnd->GetStyle() & WS_CHILD) << c.className;
    EXPECT_EQ(c.wnd, CWnd::FromHandlePermanent(c.wnd->m_hWnd)) << c.className;
    EXPECT_EQ(&parent, c.wnd->GetParent()) << c.className;
  }
  edit.SetWindowText("一二三");
  EXPECT_EQ(6, edit.GetWindowTextLength());
  combo.AddString("甲");
  combo.AddString("乙");
  CString item;
  combo.GetLBText(1, item);
  EXPECT_STREQ("乙", item);
  list.AddString("x");
  list.GetText(0, item);
  EXPECT_STREQ("x", item);
  button.SetCheck(BST_CHECKED);  // a push button has no check state
  EXPECT_EQ(BST_UNCHECKED, button.GetCheck());
  parent.DestroyWindow();
}

TEST_F(MfcControls, ReportListHeaderTooltipAndImageList) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), "parent", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
  CListCtrl list;
  ASSERT_TRUE(list.Create(WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, CRect(0, 0, 300, 200), &parent, 1));
  list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
  EXPECT_TRUE(list.GetExtendedStyle() & LVS_EX_FULLROWSELECT);
  EXPECT_EQ(0, list.InsertColumn(0, "名字", LVCFMT_LEFT, 80));
  EXPECT_EQ(1, list.InsertColumn(1, "分数", LVCFMT_RIGHT, 60, 1));
  CHeaderCtrl* pHeader = list.GetHeaderCtrl();
  ASSERT_NE(nullptr, pHeader);
  EXPECT_EQ(2, pHeader->GetItemCount());
  EXPECT_EQ(pHeader, list.GetHeaderCtrl());
  EXPECT_EQ(0, list.InsertItem(0, "甲"));
  EXPECT_EQ(1, list.InsertItem(1, "乙"));
  EXPECT_TRUE(list.SetItemText(1, 1, "120"));
  EXPECT_STREQ("120", list.GetItemText(1, 1));
  EXPECT_STREQ("乙", list.GetItemText(1, 0));
  EXPECT_TRUE(list.SetItemData(1, 0xBEEF));
  EXPECT_EQ(0xBEEFu, list.GetItemData(1));
  EXPECT_TRUE(list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED));
  EXPECT_EQ(1, list.GetNextItem(-1, LVNI_SELECTED));
  EXPECT_EQ(static_cast<UINT>(LVIS_SELECTED), list.GetItemState(1, 0xFFFF) & LVIS_SELECTED);
  CRect rcItem;
  ASSERT_TRUE(list.GetItemRect(1, &rcItem, LVIR_BOUNDS));
  EXPECT_EQ(1, list.HitTest(CPoint(rcItem.left + 5, (rcItem.top + rcItem.bottom) / 2)));
  EXPECT_TRUE(list.DeleteColumn(0));
  EXPECT_EQ(1, pHeader->GetItemCount());
  EXPECT_TRUE(list.DeleteAllItems());
  EXPECT_EQ(0, list.GetItemCount());

  // A header subclassed by its own object is the one GetHeaderCtrl gives.
  CHeaderCtrl own;
  ASSERT_TRUE(own.SubclassWindow(pHeader->m_hWnd));
  EXPECT_EQ(&own, list.GetHeaderCtrl());
  own.UnsubclassWindow();

  CToolTipCtrl tip;
  ASSERT_TRUE(tip.Create(&parent));
  EXPECT_TRUE(tip.AddTool(&list, "提示", nullptr, 1));
  EXPECT_EQ(1, tip.GetToolCount());
  tip.UpdateTipText("新提示", &list, 1);
  tip.DelTool(&list, 1);
  EXPECT_EQ(0, tip.GetToolCount());

  CImageList images;
  ASSERT_TRUE(images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 1));
  CBitmap strip;
  {
    CClientDC dc(&parent);
    ASSERT_TRUE(strip.CreateCompatibleBitmap(&dc, 32, 16));  // two images in one strip
  }
  EXPECT_EQ(0, images.Add(&strip, RGB(0, 128, 128)));
  EXPECT_EQ(2, images.GetImageCount());
  EXPECT_EQ(nullptr, list.SetImageList(&images, LVSIL_SMALL));
  EXPECT_EQ(&images, list.GetImageList(LVSIL_SMALL));
  list.SetImageList(nullptr, LVSIL_SMALL);
  tip.DestroyWindow();
  parent.DestroyWindow();
}

// ---- owner-drawn menus

class COwnerMenu : public CMenu {
 public:
  std::vector<std::string> m_calls;
  void MeasureItem(LPMEASUREITEMSTRUCT lpMIS) override {
    m_calls.push_back("measure:" + std::to_string(lpMIS->itemID) + ":" + std::to_string(lpMIS->itemData));
    lpMIS->itemWidth = 90;
    lpMIS->itemHeight = 20;
  }
  void DrawItem(LPDRAWITEMSTRUCT lpDIS) override {
    m_calls.push_back("draw:" + std::to_string(lpDIS->itemID) + ":" + std::to_string(lpDIS->itemData));
    m_itemHeight = lpDIS->rcItem.bottom - lpDIS->rcItem.top;
  }
  int m_itemHeight = 0;
};

class COwnerWnd : public CWnd {
 public:
  int m_idle = 0;

 protected:
  afx_msg LRESULT OnEnterIdle(WPARAM, LPARAM) {
    // The menu is up and drawn: dismiss it.
    if (m_idle++ == 0) Key(VK_ESCAPE);
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(COwnerWnd, CWnd)
  ON_MESSAGE(WM_ENTERIDLE, OnEnterIdle)
END_MESSAGE_MAP()

TEST_F(MfcControls, OwnerDrawnMenuItemsReachTheirMenuObject) {
  COwnerWnd owner;
  ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), "owner", WS_POPUP | WS_VISIBLE, 50, 50, 200, 150, nullptr, nullptr));
  owner.SetFocus();
  COwnerMenu menu;
  ASSERT_TRUE(menu.CreatePopupMenu());
  ASSERT_TRUE(menu.AppendMenu(MF_OWNERDRAW, 101, reinterpret_cast<LPCTSTR>(0x1111)));
  ASSERT_TRUE(menu.AppendMenu(MF_OWNERDRAW, 102, reinterpret_cast<LPCTSTR>(0x2222)));
  EXPECT_EQ(2u, menu.GetMenuItemCount());
  EXPECT_EQ(102u, menu.GetMenuItemID(1));
  EXPECT_EQ(&menu, CMenu::FromHandlePermanent(menu.m_hMenu));
  EXPECT_EQ(0, menu.TrackPopupMenu(TPM_RETURNCMD | TPM_LEFTALIGN, 60, 60, &owner));
  std::vector<std::string> expected = {"measure:101:4369", "measure:102:8738", "draw:101:4369", "draw:102:8738"};
  EXPECT_EQ(expected, menu.m_calls);
  EXPECT_EQ(20, menu.m_itemHeight);
  EXPECT_EQ(nullptr, CMenu::GetTrackingMenu());

  // From the menu bar: the item is found in the pop-up that holds it, at any depth.
  CMenu bar;
  ASSERT_TRUE(bar.CreateMenu());
  COwnerMenu* pSub = new COwnerMenu;
  ASSERT_TRUE(pSub->CreatePopupMenu());
  pSub->AppendMenu(MF_STRING, 201, "普通");
  pSub->AppendMenu(MF_OWNERDRAW, 202, reinterpret_cast<LPCTSTR>(7));
  ASSERT_TRUE(bar.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(pSub->m_hMenu), "游戏"));
  ASSERT_TRUE(::SetMenu(owner.m_hWnd, bar.m_hMenu));
  MEASUREITEMSTRUCT mis{ODT_MENU, 0, 202, 0, 0, 7};
  owner.SendMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
  EXPECT_EQ(20u, mis.itemHeight);
  ASSERT_FALSE(pSub->m_calls.empty());
  EXPECT_EQ("measure:202:7", pSub->m_calls.back());
  // An id that no permanent menu holds is left to the default processing.
  MEASUREITEMSTRUCT unknown{ODT_MENU, 0, 999, 0, 0, 0};
  owner.SendMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&unknown));
  EXPECT_EQ(1u, static_cast<size_t>(std::count(pSub->m_calls.begin(), pSub->m_calls.end(), "measure:202:7")));
  ::SetMenu(owner.m_hWnd, nullptr);
  // The bar destroys its pop-up with it; the pop-up's object lets go of the handle first.
  pSub->Detach();
  delete pSub;
  owner.DestroyWindow();
}

TEST_F(MfcControls, MenuObjectsOwnTheirMenus) {
  HMENU h = nullptr;
  {
    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    h = menu;
    menu.AppendMenu(MF_STRING, 1, "一");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING | MF_GRAYED, 2, "二");
    CString text;
    EXPECT_EQ(2, menu.GetMenuString(0, text, MF_BYPOSITION));
    EXPECT_STREQ("一", text);
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), menu.EnableMenuItem(2, MF_ENABLED));
    EXPECT_EQ(static_cast<UINT>(MF_UNCHECKED), menu.CheckMenuItem(1, MF_CHECKED));
    EXPECT_TRUE(menu.GetMenuState(1, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(menu.DeleteMenu(1, MF_BYPOSITION));
    EXPECT_EQ(2u, menu.GetMenuItemCount());
    CMenu* pTemp = CMenu::FromHandle(h);
    EXPECT_EQ(&menu, pTemp);
  }
  EXPECT_FALSE(::IsMenu(h));
}

}  // namespace

namespace {

using namespace mfcwin;

class MfcRichEdit : public WindowTest {};

TEST_F(MfcRichEdit, AppendsFormatsAndReadsBackThroughTheObject) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), "parent", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
  CRichEditCtrl edit;
  ASSERT_TRUE(edit.Create(WS_VISIBLE | WS_VSCROLL | ES_MULTILINE, CRect(0, 0, 300, 200), &parent, 1005));
  char name[32] = {};
  GetClassNameA(edit.m_hWnd, name, sizeof(name));
  EXPECT_STREQ("RichEdit20A", name);
  edit.SetReadOnly();

  // Appending at the end through the selection, as the chat display does.
  for (const char* piece : {"我说：", "你好", "\r\n"}) {
    edit.SetSel(-1, -1);
    long start = 0, end = 0;
    edit.GetSel(start, end);
    edit.ReplaceSel(piece);
    long after = 0;
    edit.SetSel(-1, -1);
    edit.GetSel(after, after);
    if (std::string(piece) == "你好") {
      edit.SetSel(start, after);
      CHARFORMAT cf{};
      edit.GetDefaultCharFormat(cf);
      cf.dwMask = CFM_BOLD | CFM_COLOR;
      cf.dwEffects = CFE_BOLD;
      cf.crTextColor = RGB(255, 0, 0);
      EXPECT_TRUE(edit.SetSelectionCharFormat(cf));
      EXPECT_STREQ("你好", edit.GetSelText());
      CHARFORMAT got{};
      edit.GetSelectionCharFormat(got);
      EXPECT_TRUE(got.dwEffects & CFE_BOLD);
      EXPECT_EQ(RGB(255, 0, 0), got.crTextColor);
      edit.HideSelection(TRUE, FALSE);
    }
  }
  CString range;
  EXPECT_EQ(6, edit.GetTextRange(0, 3, range));  // three characters, six GBK bytes
  EXPECT_STREQ("我说：", range);
  EXPECT_EQ(0, edit.GetTextRange(3, 3, range));
  EXPECT_EQ(2, edit.GetLineCount());
  edit.SetEventMask(edit.GetEventMask() | ENM_LINK);
  EXPECT_TRUE(edit.GetEventMask() & ENM_LINK);
  IRichEditOle* pOle = edit.GetIRichEditOle();
  ASSERT_NE(nullptr, pOle);
  pOle->Release();
  parent.DestroyWindow();
}

}  // namespace
