// Menus: building and editing, templates, and TrackPopupMenu driven by injected keys and clicks.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/platform/ComctlTestSupport.h"

namespace {

using namespace comctltest;

// Appends a template item: flags, id (not for pop-ups), UTF-16 text.
void Put(std::vector<BYTE>& out, WORD flags, WORD id, const std::u16string& text) {
  auto word = [&](WORD w) {
    out.push_back(static_cast<BYTE>(w & 0xFF));
    out.push_back(static_cast<BYTE>(w >> 8));
  };
  word(flags);
  if (!(flags & MF_POPUP)) word(id);
  for (char16_t c : text) word(static_cast<WORD>(c));
  word(0);
}

std::vector<BYTE> PlayerMenuTemplate() {
  std::vector<BYTE> t = {0, 0, 0, 0};
  Put(t, MF_POPUP | MF_END, 0, u"playerlist");
  Put(t, 0, 1900, u"hello");
  Put(t, 0, 0, u"");
  Put(t, MF_POPUP, 0, u"信息");
  Put(t, 0, 1902, u"级别\tCtrl+L");
  Put(t, MF_GRAYED | MF_END, 1903, u"积分");
  Put(t, MF_END, 1905, u"呼叫玩家");
  return t;
}

std::string Text(HMENU m, UINT item, UINT flags) {
  char buf[64] = {};
  GetMenuStringA(m, item, buf, sizeof buf, flags);
  return buf;
}

TEST(Menu, TemplateParsesIntoNestedItems) {
  std::vector<BYTE> t = PlayerMenuTemplate();
  HMENU bar = platform::LoadMenuTemplate(t.data(), t.size());
  ASSERT_TRUE(bar);
  EXPECT_EQ(GetMenuItemCount(bar), 1);
  HMENU popup = GetSubMenu(bar, 0);
  ASSERT_TRUE(popup);
  EXPECT_EQ(GetMenuItemCount(popup), 4);
  EXPECT_EQ(GetMenuItemID(popup, 0), 1900u);
  EXPECT_EQ(GetMenuState(popup, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
  EXPECT_EQ(GetMenuItemID(popup, 2), static_cast<UINT>(-1));
  HMENU nested = GetSubMenu(popup, 2);
  EXPECT_EQ(GetMenuState(popup, 2, MF_BYPOSITION) >> 8, 2u);  // a pop-up's item count
  EXPECT_EQ(Text(nested, 0, MF_BYPOSITION), "级别\tCtrl+L");
  EXPECT_EQ(GetMenuState(bar, 1903, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
  EXPECT_EQ(Text(bar, 1905, MF_BYCOMMAND), "呼叫玩家");
  EXPECT_TRUE(DestroyMenu(bar));
  EXPECT_FALSE(IsMenu(popup));  // destroyed with its parent
  EXPECT_FALSE(IsMenu(nested));

  // Cut templates, missing ends and other versions are refused.
  for (size_t cut : {size_t(3), size_t(10), t.size() - 2}) EXPECT_EQ(platform::LoadMenuTemplate(t.data(), cut), nullptr) << cut;
  std::vector<BYTE> v1 = t;
  v1[0] = 1;
  EXPECT_EQ(platform::LoadMenuTemplate(v1.data(), v1.size()), nullptr);
  std::vector<BYTE> offset = {0, 0, 200, 0};
  EXPECT_EQ(platform::LoadMenuTemplate(offset.data(), offset.size()), nullptr);
}

TEST(Menu, EditingByPositionAndCommand) {
  HMENU m = CreatePopupMenu();
  HMENU sub = CreatePopupMenu();
  ASSERT_TRUE(AppendMenuA(m, MF_STRING, 10, "a"));
  ASSERT_TRUE(AppendMenuA(m, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "sub"));
  ASSERT_TRUE(AppendMenuA(sub, MF_STRING, 20, "b"));
  // By command, the insertion goes into the nested menu before the command.
  ASSERT_TRUE(InsertMenuA(m, 20, MF_BYCOMMAND | MF_STRING, 21, "before b"));
  EXPECT_EQ(GetMenuItemID(sub, 0), 21u);
  EXPECT_FALSE(InsertMenuA(m, 77, MF_BYCOMMAND | MF_STRING, 22, "nowhere"));
  // A position past the end appends.
  ASSERT_TRUE(InsertMenuA(sub, 40, MF_BYPOSITION | MF_STRING, 23, "last"));
  EXPECT_EQ(GetMenuItemID(sub, 2), 23u);
  ASSERT_TRUE(DeleteMenu(sub, 23, MF_BYCOMMAND));
  ASSERT_TRUE(InsertMenuA(m, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr));
  EXPECT_EQ(GetMenuItemCount(m), 3);
  EXPECT_EQ(CheckMenuItem(m, 20, MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
  EXPECT_EQ(CheckMenuItem(m, 20, MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
  EXPECT_EQ(CheckMenuItem(m, 99, MF_CHECKED), static_cast<DWORD>(-1));
  EXPECT_EQ(EnableMenuItem(m, 10, MF_DISABLED | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(GetMenuState(m, 10, MF_BYCOMMAND), static_cast<UINT>(MF_DISABLED | MF_GRAYED));
  EXPECT_TRUE(ModifyMenuA(m, 10, MF_BYCOMMAND | MF_STRING, 11, "changed"));
  EXPECT_EQ(Text(m, 11, MF_BYCOMMAND), "changed");
  char cut[5];
  EXPECT_EQ(GetMenuStringA(sub, 0, cut, sizeof cut, MF_BYPOSITION), 4);
  // Owner-drawn items keep their data; MIIM_CHECKMARKS reports no bitmaps.
  int record = 7;
  ASSERT_TRUE(AppendMenuA(m, MF_OWNERDRAW, 30, reinterpret_cast<LPCSTR>(&record)));
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_DATA | MIIM_FTYPE | MIIM_CHECKMARKS | MIIM_ID;
  ASSERT_TRUE(GetMenuItemInfoA(m, 30, FALSE, &info));
  EXPECT_EQ(info.dwItemData, reinterpret_cast<ULONG_PTR>(&record));
  EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
  EXPECT_EQ(info.hbmpChecked, nullptr);
  // RemoveMenu keeps a sub-menu alive; DeleteMenu destroys it.
  EXPECT_TRUE(RemoveMenu(m, reinterpret_cast<UINT_PTR>(sub), MF_BYCOMMAND));
  EXPECT_TRUE(IsMenu(sub));
  ASSERT_TRUE(AppendMenuA(m, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "sub"));
  EXPECT_TRUE(DeleteMenu(m, static_cast<UINT>(GetMenuItemCount(m) - 1), MF_BYPOSITION));
  EXPECT_FALSE(IsMenu(sub));
  EXPECT_FALSE(RemoveMenu(m, 999, MF_BYCOMMAND));
  EXPECT_TRUE(DestroyMenu(m));
  EXPECT_FALSE(DestroyMenu(m));
}

TEST(Menu, ItemInfoRadioItemsAndCheckMarkSize) {
  HMENU m = CreatePopupMenu();
  for (UINT id = 50; id < 54; ++id) AppendMenuA(m, MF_STRING, id, "x");
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_DATA;
  info.wID = 60;
  info.dwTypeData = const_cast<LPSTR>("插入的项");
  info.fState = MFS_DEFAULT | MFS_GRAYED;
  info.dwItemData = 99;
  ASSERT_TRUE(InsertMenuItemA(m, 52, FALSE, &info));  // before command 52
  EXPECT_EQ(GetMenuItemID(m, 2), 60u);
  MENUITEMINFOA out{};
  out.cbSize = sizeof out;
  char buf[5];
  out.fMask = MIIM_STRING | MIIM_STATE | MIIM_DATA;
  out.dwTypeData = buf;
  out.cch = sizeof buf;
  ASSERT_TRUE(GetMenuItemInfoA(m, 2, TRUE, &out));
  EXPECT_STREQ(buf, "插入");  // cut on a character boundary
  EXPECT_EQ(out.cch, 4u);
  EXPECT_EQ(out.fState, static_cast<UINT>(MFS_DEFAULT | MFS_GRAYED));
  EXPECT_EQ(out.dwItemData, 99u);
  info.fMask = MIIM_STRING;
  info.dwTypeData = const_cast<LPSTR>("改");
  ASSERT_TRUE(SetMenuItemInfoA(m, 60, FALSE, &info));
  EXPECT_EQ(Text(m, 60, MF_BYCOMMAND), "改");
  EXPECT_FALSE(SetMenuItemInfoA(m, 61, FALSE, &info));

  ASSERT_TRUE(CheckMenuRadioItem(m, 50, 53, 51, MF_BYCOMMAND));
  EXPECT_TRUE(GetMenuState(m, 51, MF_BYCOMMAND) & MF_CHECKED);
  ASSERT_TRUE(CheckMenuRadioItem(m, 0, 4, 4, MF_BYPOSITION));
  EXPECT_FALSE(GetMenuState(m, 51, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_TRUE(GetMenuState(m, 53, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_FALSE(CheckMenuRadioItem(m, 3, 1, 2, MF_BYPOSITION));

  LONG dims = GetMenuCheckMarkDimensions();
  EXPECT_EQ(LOWORD(dims), GetSystemMetrics(SM_CXMENUCHECK));
  EXPECT_GT(LOWORD(dims), 0);
  DestroyMenu(m);
}

TEST_F(ControlTest, MenuBarIsRememberedAndRemoved) {
  HWND frame = Parent();
  HMENU bar = CreateMenu();
  EXPECT_TRUE(SetMenu(frame, bar));
  EXPECT_EQ(GetMenu(frame), bar);
  EXPECT_TRUE(SetMenu(frame, nullptr));
  EXPECT_EQ(GetMenu(frame), nullptr);
  HWND child = CreateWindowExA(0, "ComctlParent", "", WS_CHILD, 0, 0, 10, 10, frame, nullptr, nullptr, nullptr);
  EXPECT_FALSE(SetMenu(child, bar));
  EXPECT_TRUE(SetMenu(frame, bar));
  DestroyMenu(bar);
  EXPECT_EQ(GetMenu(frame), nullptr);
}

class TrackTest : public ControlTest {
 protected:
  HMENU Build() {
    HMENU m = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenuA(sub, MF_STRING, 301, "子项一");
    AppendMenuA(sub, MF_STRING | MF_CHECKED, 302, "子项二");
    AppendMenuA(m, MF_STRING | MF_CHECKED, 101, "&Hello\tCtrl+H");
    AppendMenuA(m, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(m, MF_STRING | MF_GRAYED, 102, "禁用的项");
    AppendMenuA(m, MF_STRING, 103, "详细信息");
    AppendMenuA(m, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "更多");
    return m;
  }
  // Runs `steps` one per WM_ENTERIDLE of the menu loop.
  void OnIdle(std::vector<std::function<void(HWND)>> steps) {
    auto shared = std::make_shared<std::vector<std::function<void(HWND)>>>(std::move(steps));
    auto next = std::make_shared<size_t>(0);
    Rec().hook = [shared, next](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT*) {
      if (message == WM_ENTERIDLE && wParam == MSGF_MENU) {
        if (*next < shared->size()) {
          (*shared)[(*next)++](reinterpret_cast<HWND>(lParam));
        } else {
          Key(VK_ESCAPE);  // never hang on a failing test
          Key(VK_ESCAPE);
        }
      }
      return false;
    };
  }
  static POINT RowPoint(HWND menuWindow, int row) {
    // Rows: 3-pixel border, then rows of the menu's height; separators are 9 pixels.
    RECT wr;
    GetWindowRect(menuWindow, &wr);
    int rowH = std::max(GetSystemMetrics(SM_CYMENU), 18);
    int y = 3;
    static const int kinds[] = {0, 1, 0, 0, 0};
    for (int i = 0; i < row; ++i) y += kinds[i] ? 9 : rowH;
    return POINT{wr.left + 30, wr.top + y + rowH / 2};
  }
};

TEST_F(TrackTest, KeysChooseSkipSeparatorsAndEscapeDismisses) {
  HWND owner = Parent();
  HMENU m = Build();
  struct Case {
    std::vector<UINT> keys;
    UINT expected;
  } cases[] = {
      {{VK_DOWN, VK_RETURN}, 101},
      {{VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, 103},                 // over the separator
      {{VK_DOWN, VK_DOWN, VK_RETURN, VK_ESCAPE}, 0},                 // the grey item cannot be chosen
      {{VK_UP, VK_RIGHT, VK_DOWN, VK_RETURN}, 302},                  // into the sub-menu
      {{VK_UP, VK_RIGHT, VK_LEFT, VK_UP, VK_RETURN}, 103},           // back out of it
      {{VK_DOWN, VK_ESCAPE}, 0},
      {{'H'}, 101},                                                  // the '&' letter
  };
  for (const Case& c : cases) {
    OnIdle({[&](HWND) {
      for (UINT k : c.keys) Key(k);
    }});
    Rec().events.clear();
    EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD | TPM_RIGHTALIGN, 300, 200, 0, owner, nullptr), static_cast<BOOL>(c.expected));
    EXPECT_EQ(platform::TrackedMenuWindow(0), nullptr);
    EXPECT_FALSE(std::any_of(Rec().events.begin(), Rec().events.end(), [](const Event& e) { return e.message == WM_COMMAND; }));
  }
  // The notifications of one showing.
  OnIdle({[](HWND) { Key(VK_ESCAPE); }});
  Rec().events.clear();
  TrackPopupMenu(m, 0, 10, 10, 0, owner, nullptr);
  std::vector<UINT> seen;
  for (const Event& e : Rec().events) seen.push_back(e.message);
  std::vector<UINT> expected = {WM_ENTERMENULOOP, WM_INITMENUPOPUP, WM_MENUSELECT, WM_EXITMENULOOP};
  EXPECT_EQ(seen, expected);
  Rec().events.clear();
  OnIdle({[](HWND) { Key(VK_ESCAPE); }});
  TrackPopupMenu(m, TPM_NONOTIFY, 10, 10, 0, owner, nullptr);
  EXPECT_TRUE(Rec().events.empty());
  DestroyMenu(m);
}

TEST_F(TrackTest, AlignmentFlagsPlaceTheMenuAroundThePoint) {
  HWND owner = Parent();
  HMENU m = Build();
  struct Case {
    UINT flags;
    int (*x)(const RECT&);
    int (*y)(const RECT&);
  } cases[] = {
      {TPM_LEFTALIGN | TPM_TOPALIGN, [](const RECT& r) { return int(r.left); }, [](const RECT& r) { return int(r.top); }},
      {TPM_RIGHTALIGN, [](const RECT& r) { return int(r.right); }, [](const RECT& r) { return int(r.top); }},
      {TPM_CENTERALIGN | TPM_BOTTOMALIGN, [](const RECT& r) { return int(r.left + r.right) / 2; },
       [](const RECT& r) { return int(r.bottom); }},
      {TPM_VCENTERALIGN, [](const RECT& r) { return int(r.left); }, [](const RECT& r) { return int(r.top + r.bottom) / 2; }},
  };
  for (const Case& c : cases) {
    RECT rc{};
    OnIdle({[&](HWND w) {
      GetWindowRect(w, &rc);
      Key(VK_ESCAPE);
    }});
    TrackPopupMenu(m, c.flags, 400, 300, 0, owner, nullptr);
    EXPECT_NEAR(c.x(rc), 400, 1) << c.flags;
    EXPECT_NEAR(c.y(rc), 300, 1) << c.flags;
  }
  // Near the screen's corner the menu stays on the screen.
  RECT rc{};
  OnIdle({[&](HWND w) {
    GetWindowRect(w, &rc);
    Key(VK_ESCAPE);
  }});
  TrackPopupMenu(m, 0, GetSystemMetrics(SM_CXSCREEN) - 5, GetSystemMetrics(SM_CYSCREEN) - 5, 0, owner, nullptr);
  EXPECT_LE(rc.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_LE(rc.bottom, GetSystemMetrics(SM_CYSCREEN));
  DestroyMenu(m);
}

TEST_F(TrackTest, ClicksChooseAndAClickOutsideDismisses) {
  HWND owner = Parent();
  HMENU m = Build();
  OnIdle({[](HWND w) { Click(RowPoint(w, 3)); }});
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 300, 200, 0, owner, nullptr), 103);
  OnIdle({[](HWND w) { Click(RowPoint(w, 2)); }, [](HWND) { Click(POINT{5, 5}); }});
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 300, 200, 0, owner, nullptr), 0);
  // Hovering the sub-menu item opens it; a right-button release chooses with TPM_RIGHTBUTTON,
  // and without TPM_RETURNCMD the choice arrives as WM_COMMAND.
  OnIdle({[](HWND w) { platform::InjectMouseMove(RowPoint(w, 4)); },
          [](HWND) {
            HWND sub = platform::TrackedMenuWindow(1);
            ASSERT_TRUE(sub);
            Click(RowPoint(sub, 0), 1);
          }});
  Rec().events.clear();
  EXPECT_TRUE(TrackPopupMenu(m, TPM_RIGHTBUTTON, 300, 200, 0, owner, nullptr));
  Pump();
  EXPECT_TRUE(std::any_of(Rec().events.begin(), Rec().events.end(), [](const Event& e) { return e.message == WM_COMMAND && e.code == 301; }));
  DestroyMenu(m);
}

TEST_F(TrackTest, OwnerDrawnItemsAreMeasuredAndDrawnByTheOwner) {
  HWND owner = Parent();
  HMENU m = Build();
  static int records[2] = {1, 2};
  AppendMenuA(m, MF_OWNERDRAW, 401, reinterpret_cast<LPCSTR>(&records[0]));
  AppendMenuA(m, MF_OWNERDRAW | MF_GRAYED | MF_CHECKED, 402, reinterpret_cast<LPCSTR>(&records[1]));
  std::vector<MEASUREITEMSTRUCT> measures;
  std::vector<DRAWITEMSTRUCT> draws;
  auto idle = std::make_shared<int>(0);
  Rec().hook = [&, idle](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_MEASUREITEM) {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      mis->itemWidth = 120;
      mis->itemHeight = 24;
      measures.push_back(*mis);
      *result = TRUE;
      return true;
    }
    if (message == WM_DRAWITEM) {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      draws.push_back(*dis);
      FillSolidRect(dis->hDC, &dis->rcItem, (dis->itemState & ODS_SELECTED) ? RGB(250, 200, 0) : RGB(180, 220, 250));
      SetBkMode(dis->hDC, TRANSPARENT);
      RECT rc = dis->rcItem;
      rc.left += 24;
      DrawTextA(dis->hDC, dis->itemID == 401 ? "自绘项" : "自绘禁用项", -1, &rc, DT_SINGLELINE | DT_VCENTER);
      *result = TRUE;
      return true;
    }
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU) {
      ++*idle;
      if (*idle == 1) {
        Key(VK_UP);
        Key(VK_UP);
      } else if (*idle == 2) {
        Key(VK_UP);
        Key(VK_RIGHT);
      } else if (*idle == 3) {
        HWND top = platform::TrackedMenuWindow(0);
        EXPECT_TRUE(SavePng(top, "popup-menu"));
        HWND sub = platform::TrackedMenuWindow(1);
        EXPECT_TRUE(sub);
        if (sub) {
          EXPECT_TRUE(SavePng(sub, "popup-submenu"));
        }
        Key(VK_ESCAPE);
        Key(VK_ESCAPE);
      } else {
        Key(VK_ESCAPE);
      }
    }
    return false;
  };
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 300, 200, 0, owner, nullptr), 0);
  ASSERT_EQ(measures.size(), 2u);
  EXPECT_EQ(measures[0].CtlType, static_cast<UINT>(ODT_MENU));
  EXPECT_EQ(measures[0].itemID, 401u);
  EXPECT_EQ(measures[1].itemData, reinterpret_cast<ULONG_PTR>(&records[1]));
  bool sawSelected = false, sawGreyChecked = false;
  for (const DRAWITEMSTRUCT& d : draws) {
    EXPECT_EQ(d.CtlType, static_cast<UINT>(ODT_MENU));
    EXPECT_EQ(d.hwndItem, reinterpret_cast<HWND>(m));
    EXPECT_EQ(d.rcItem.bottom - d.rcItem.top, 24);
    if (d.itemID == 401 && (d.itemState & ODS_SELECTED)) sawSelected = true;
    if (d.itemID == 402 && (d.itemState & (ODS_GRAYED | ODS_CHECKED)) == (ODS_GRAYED | ODS_CHECKED)) sawGreyChecked = true;
  }
  EXPECT_TRUE(sawSelected);
  EXPECT_TRUE(sawGreyChecked);
  DestroyMenu(m);
}

}  // namespace
