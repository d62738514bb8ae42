// List view, header, tooltip and image list behaviour, driven through messages and through
// injected input on the headless display.
#include <algorithm>
#include <string>

#include "tests/platform/ComctlTestSupport.h"
#include "tests/support/StoppedClock.h"

namespace {

using namespace comctltest;

HBITMAP SolidStrip(int w, int h, const std::vector<COLORREF>& colours, COLORREF key, int keyInset) {
  // Each image is filled with its colour; a frame `keyInset` wide of `key` surrounds it.
  HDC screen = GetDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w * static_cast<int>(colours.size()), h);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, bmp);
  for (size_t i = 0; i < colours.size(); ++i) {
    RECT all{static_cast<LONG>(i) * w, 0, static_cast<LONG>(i + 1) * w, h};
    FillSolidRect(dc, &all, key);
    RECT inner{all.left + keyInset, keyInset, all.right - keyInset, h - keyInset};
    FillSolidRect(dc, &inner, colours[i]);
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return bmp;
}

class ListViewTest : public ControlTest {
 protected:
  HWND MakeList(HWND parent, DWORD style = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS) {
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 400, 240, parent,
                                reinterpret_cast<HMENU>(1), nullptr, nullptr);
    const char* titles[] = {"用户名", "级别", "积分"};
    int widths[] = {140, 60, 80};
    int fmts[] = {LVCFMT_LEFT, LVCFMT_CENTER, LVCFMT_RIGHT};
    for (int i = 0; i < 3; ++i) {
      LVCOLUMNA c{};
      c.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
      c.fmt = fmts[i];
      c.cx = widths[i];
      c.pszText = const_cast<LPSTR>(titles[i]);
      c.iSubItem = i;
      EXPECT_EQ(SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&c)), i);
    }
    const char* names[] = {"张三", "李四", "王五", "赵六"};
    for (int i = 0; i < 4; ++i) {
      LVITEMA it{};
      it.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
      it.iItem = i;
      it.pszText = const_cast<LPSTR>(names[i]);
      it.lParam = 1000 + i;
      it.iImage = i % 2;
      EXPECT_EQ(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)), i);
      std::string level = "L" + std::to_string(i), score = std::to_string(i * 100);
      it.iSubItem = 1;
      it.pszText = level.data();
      SendMessageA(list, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&it));
      it.iSubItem = 2;
      it.pszText = score.data();
      SendMessageA(list, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&it));
    }
    return list;
  }
  std::vector<UINT> Codes(std::vector<UINT> keep) {
    std::vector<UINT> out;
    for (const Event& e : Rec().events) {
      if (e.message == WM_NOTIFY && std::find(keep.begin(), keep.end(), e.code) != keep.end()) out.push_back(e.code);
    }
    return out;
  }
};

std::string ItemText(HWND list, int item, int sub) {
  char buf[64] = {};
  LVITEMA it{};
  it.iSubItem = sub;
  it.pszText = buf;
  it.cchTextMax = sizeof buf;
  SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&it));
  return buf;
}

TEST_F(ListViewTest, ItemsColumnsAndSelection) {
  HWND parent = Parent();
  HWND list = MakeList(parent);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 4);
  EXPECT_EQ(ItemText(list, 2, 0), "王五");
  EXPECT_EQ(ItemText(list, 2, 2), "200");
  EXPECT_EQ(ItemText(list, 9, 0), "");
  // A text cut to the buffer never splits a double-byte character.
  char small[4] = {};
  LVITEMA it{};
  it.pszText = small;
  it.cchTextMax = 4;
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&it)), 2);
  it = LVITEMA{};
  it.mask = LVIF_PARAM | LVIF_IMAGE;
  it.iItem = 3;
  ASSERT_TRUE(SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it)));
  EXPECT_EQ(it.lParam, 1003);
  EXPECT_EQ(it.iImage, 1);

  // Single selection: selecting row 2 after row 1 leaves only row 2 selected.
  LVITEMA st{};
  st.stateMask = LVIS_SELECTED;
  st.state = LVIS_SELECTED;
  SendMessageA(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&st));
  SendMessageA(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&st));
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 2);
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, 2, LVNI_SELECTED), -1);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMSTATE, 1, 0xFFFF), 0);
  EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
  // Clearing every row's selected bit with the full mask, as the list's owner does.
  for (int i = 0; i < 4; ++i) {
    LVITEMA cur{};
    cur.stateMask = 0xFFFF;
    cur.state = static_cast<UINT>(SendMessageA(list, LVM_GETITEMSTATE, i, 0xFFFF)) & ~LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&cur));
  }
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), -1);
  std::vector<UINT> changed = Codes({LVN_ITEMCHANGED});
  EXPECT_EQ(changed.size(), 4u);  // 1 on, 1 off, 2 on, 2 off

  LVFINDINFOA fi{};
  fi.flags = LVFI_PARAM;
  fi.lParam = 1002;
  EXPECT_EQ(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&fi)), 2);

  // Columns: deleting column 0 repeatedly empties the header.
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  ASSERT_TRUE(IsWindow(header));
  EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 60);
  char title[256] = {};
  HDITEMA hdi{};
  hdi.mask = HDI_TEXT | HDI_FORMAT;
  hdi.pszText = title;
  hdi.cchTextMax = 255;
  ASSERT_TRUE(SendMessageA(header, HDM_GETITEMA, 2, reinterpret_cast<LPARAM>(&hdi)));
  EXPECT_STREQ(title, "积分");
  EXPECT_EQ(hdi.fmt & HDF_JUSTIFYMASK, HDF_RIGHT);

  EXPECT_TRUE(SendMessageA(list, LVM_DELETEITEM, 0, 0));
  EXPECT_EQ(ItemText(list, 0, 0), "李四");
  EXPECT_FALSE(SendMessageA(list, LVM_DELETEITEM, 7, 0));
  for (int n = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)); n > 0; --n) SendMessageA(list, LVM_DELETECOLUMN, 0, 0);
  EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 0);
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(ListViewTest, HitTestsAndRectangles) {
  HWND parent = Parent();
  HWND list = MakeList(parent);
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 1);
  HBITMAP strip = SolidStrip(16, 16, {RGB(200, 0, 0), RGB(0, 0, 200)}, RGB(0, 128, 128), 2);
  ImageList_AddMasked(images, strip, RGB(0, 128, 128));
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
  RECT row{};
  row.left = LVIR_BOUNDS;
  ASSERT_TRUE(SendMessageA(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row)));
  int h = row.bottom - row.top;
  ASSERT_GT(h, 15);
  RECT icon{};
  icon.left = LVIR_ICON;
  SendMessageA(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&icon));
  EXPECT_EQ(icon.right - icon.left, 16);
  RECT sub{};
  sub.top = 2;
  sub.left = LVIR_BOUNDS;
  ASSERT_TRUE(SendMessageA(list, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&sub)));
  EXPECT_EQ(sub.left, 200);
  EXPECT_EQ(sub.right, 280);

  struct Case {
    int x, yRow;  // yRow: row index, -1 for the header
    bool full;
    int item, subItem;
    UINT flags;
  } cases[] = {
      {5, 0, false, 0, 0, LVHT_ONITEMICON},    {50, 1, false, 1, 0, LVHT_ONITEMLABEL},
      {170, 2, false, -1, 0, LVHT_NOWHERE},    {170, 2, true, 2, 0, LVHT_ONITEMLABEL},
      {300, 1, true, -1, 0, LVHT_NOWHERE},     {50, 7, false, -1, 0, LVHT_NOWHERE},
      {50, -1, false, -1, 0, LVHT_ABOVE},
  };
  for (const Case& c : cases) {
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, c.full ? LVS_EX_FULLROWSELECT : 0);
    LVHITTESTINFO info{};
    info.pt = POINT{c.x, c.yRow < 0 ? 3 : row.top + (c.yRow - 1) * h + h / 2};
    EXPECT_EQ(SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), c.item) << c.x << "," << c.yRow;
    EXPECT_EQ(info.flags, c.flags) << c.x << "," << c.yRow;
  }
  LVHITTESTINFO info{};
  info.pt = POINT{210, row.top + h / 2};
  EXPECT_EQ(SendMessageA(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&info)), 1);
  EXPECT_EQ(info.iSubItem, 2);

  // A one-pixel-wide image list sets a taller row height.
  HIMAGELIST rows = ImageList_Create(1, 30, ILC_COLOR32, 1, 1);
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rows));
  RECT tall{};
  tall.left = LVIR_BOUNDS;
  SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tall));
  EXPECT_EQ(tall.bottom - tall.top, 30);
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
  ImageList_Destroy(rows);

  // Scrolling by whole rows.
  for (int i = 0; i < 40; ++i) {
    LVITEMA it{};
    it.mask = LVIF_TEXT;
    it.iItem = 100;
    it.pszText = const_cast<LPSTR>("x");
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it));
  }
  int per = static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
  EXPECT_GT(per, 5);
  SendMessageA(list, LVM_ENSUREVISIBLE, 30, FALSE);
  EXPECT_EQ(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 30 - per + 1);
  SendMessageA(list, LVM_SCROLL, 0, -1);
  EXPECT_EQ(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 30 - per);
  SendMessageA(list, LVM_SCROLL, 0, 100000);
  EXPECT_EQ(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 44 - per);
  // The wheel goes to the focus and scrolls three rows a notch.
  SetFocus(list);
  platform::InjectMouseWheel(WHEEL_DELTA, ToScreen(list, 50, 50));
  Pump();
  EXPECT_EQ(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 44 - per - 3);
  DestroyWindow(list);
  ImageList_Destroy(images);
  DeleteObject(strip);
}

TEST_F(ListViewTest, ClicksSendNotificationsInOrder) {
  HWND parent = Parent();
  HWND list = MakeList(parent);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
  Pump();
  RECT row{};
  row.left = LVIR_BOUNDS;
  SendMessageA(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
  POINT p = ToScreen(list, 220, (row.top + row.bottom) / 2);
  Rec().events.clear();
  Click(p);
  Pump();
  Click(p);  // within the double-click time: a double click
  Pump();
  std::vector<UINT> codes = Codes({NM_CLICK, NM_DBLCLK, LVN_ITEMCHANGED, NM_RCLICK});
  std::vector<UINT> expected = {LVN_ITEMCHANGED, NM_CLICK, NM_DBLCLK};
  EXPECT_EQ(codes, expected);
  for (const Event& e : Rec().events) {
    if (e.code == NM_CLICK || e.code == NM_DBLCLK) {
      EXPECT_EQ(e.item, 2);
    }
  }
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 2);
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 2);

  // A right click on another row selects it, then NM_RCLICK and the context menu request.
  Rec().events.clear();
  RECT other{};
  other.left = LVIR_BOUNDS;
  SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&other));
  Click(ToScreen(list, 30, (other.top + other.bottom) / 2), 1);
  Pump();
  EXPECT_EQ(Codes({NM_RCLICK}).size(), 1u);
  EXPECT_TRUE(std::any_of(Rec().events.begin(), Rec().events.end(), [](const Event& e) { return e.message == WM_CONTEXTMENU; }));
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 0);

  // Keys move the focused row and its selection.
  Rec().events.clear();
  Key(VK_DOWN);
  Key(VK_DOWN);
  Pump();
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 2);
  Key(VK_END);
  Key(VK_DOWN);
  Pump();
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED | LVNI_FOCUSED), 3);
  EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);

  // A click below the rows clears the selection and reports item -1.
  Rec().events.clear();
  Click(ToScreen(list, 30, 230));
  Pump();
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), -1);
  auto click = std::find_if(Rec().events.rbegin(), Rec().events.rend(), [](const Event& e) { return e.code == NM_CLICK; });
  ASSERT_NE(click, Rec().events.rend());
  EXPECT_EQ(click->item, -1);
}

TEST_F(ListViewTest, CustomDrawStagesAndColours) {
  HWND parent = Parent();
  HWND list = MakeList(parent);
  const COLORREF friendColour = RGB(255, 220, 120);
  Rec().hook = [&](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
    if (message != WM_NOTIFY || reinterpret_cast<NMHDR*>(lParam)->code != NM_CUSTOMDRAW) return false;
    auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
    switch (cd->nmcd.dwDrawStage) {
      case CDDS_PREPAINT:
        *result = CDRF_NOTIFYITEMDRAW;
        return true;
      case CDDS_ITEMPREPAINT:
        *result = cd->nmcd.dwItemSpec == 1 ? CDRF_NOTIFYSUBITEMDRAW : CDRF_DODEFAULT;
        return true;
      case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        cd->clrTextBk = friendColour;
        *result = CDRF_NEWFONT;
        return true;
      default:
        return false;
    }
  };
  InvalidateRect(list, nullptr, TRUE);
  Rec().events.clear();
  Pump();
  std::vector<std::pair<DWORD, int>> stages;
  for (const Event& e : Rec().events) {
    if (e.code == NM_CUSTOMDRAW) stages.emplace_back(e.stage, e.stage == CDDS_PREPAINT ? -1 : e.item);
  }
  std::vector<std::pair<DWORD, int>> expected = {
      {CDDS_PREPAINT, -1},
      {CDDS_ITEMPREPAINT, 0},
      {CDDS_ITEMPREPAINT, 1},
      {CDDS_ITEMPREPAINT | CDDS_SUBITEM, 1},
      {CDDS_ITEMPREPAINT | CDDS_SUBITEM, 1},
      {CDDS_ITEMPREPAINT | CDDS_SUBITEM, 1},
      {CDDS_ITEMPREPAINT, 2},
      {CDDS_ITEMPREPAINT, 3},
  };
  EXPECT_EQ(stages, expected);
  RECT row{};
  row.left = LVIR_BOUNDS;
  SendMessageA(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
  POINT inList{150, row.top + 1};
  EXPECT_EQ(Pixel(list, inList.x, inList.y), friendColour);
  SendMessageA(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
  EXPECT_EQ(Pixel(list, 150, row.top + 1), GetSysColor(COLOR_WINDOW));
}

TEST_F(ListViewTest, LockedColumnRefusesDividerDrag) {
  HWND parent = Parent();
  HWND list = MakeList(parent);
  Pump();
  // The owner refuses the drag of column 0's divider only.
  Rec().hook = [](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
    if (message != WM_NOTIFY) return false;
    auto* nm = reinterpret_cast<NMHEADERA*>(lParam);
    if ((nm->hdr.code == HDN_BEGINTRACKA || nm->hdr.code == HDN_BEGINTRACKW) && nm->iItem == 0) {
      *result = 1;
      return true;
    }
    return false;
  };
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  auto drag = [&](int fromX, int toX) {
    POINT a = ToScreen(header, fromX, 5), b = ToScreen(header, toX, 5);
    platform::InjectMouseMove(a);
    platform::InjectMouseButton(0, true, a);
    platform::InjectMouseMove(b);
    platform::InjectMouseButton(0, false, b);
    Pump();
  };
  Rec().events.clear();
  drag(140, 180);
  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), 140);
  std::vector<UINT> codes = Codes({HDN_BEGINTRACKA, HDN_TRACKA, HDN_ENDTRACKA, HDN_ITEMCHANGEDA});
  EXPECT_EQ(codes, std::vector<UINT>{HDN_BEGINTRACKA});
  Rec().events.clear();
  drag(200, 230);
  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 90);
  codes = Codes({HDN_BEGINTRACKA, HDN_TRACKA, HDN_ENDTRACKA, HDN_ITEMCHANGEDA});
  std::vector<UINT> expected = {HDN_BEGINTRACKA, HDN_TRACKA, HDN_ITEMCHANGEDA, HDN_ENDTRACKA};
  EXPECT_EQ(codes, expected);
  RECT rc{};
  SendMessageA(header, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&rc));
  EXPECT_EQ(rc.left, 230);
  // Over a divider the cursor is the sizing arrow; a double click there is reported.
  platform::InjectMouseMove(ToScreen(header, 230, 5));
  Pump();
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_SIZEWE));
  platform::InjectMouseMove(ToScreen(header, 100, 5));
  Pump();
  EXPECT_NE(GetCursor(), LoadCursorA(nullptr, IDC_SIZEWE));
  Rec().events.clear();
  Click(ToScreen(header, 229, 5));
  Click(ToScreen(header, 229, 5));
  Pump();
  std::vector<UINT> dbl = Codes({HDN_DIVIDERDBLCLICKA});
  ASSERT_EQ(dbl.size(), 1u);
  for (const Event& e : Rec().events) {
    if (e.code == HDN_DIVIDERDBLCLICKA) {
      EXPECT_EQ(e.item, 1);
    }
  }
  // A click inside an item is a column click.
  Rec().events.clear();
  Click(ToScreen(header, 60, 5));
  Pump();
  EXPECT_EQ(Codes({HDN_ITEMCLICKA, LVN_COLUMNCLICK}), (std::vector<UINT>{LVN_COLUMNCLICK, HDN_ITEMCLICKA}));
}

TEST_F(ListViewTest, OwnerDrawnHeaderItemsGoToTheOwner) {
  HWND parent = Parent();
  HWND list = MakeList(parent);
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  HDITEMA hdi{};
  hdi.mask = HDI_FORMAT;
  hdi.fmt = HDF_OWNERDRAW | HDF_CENTER;
  SendMessageA(header, HDM_SETITEMA, 1, reinterpret_cast<LPARAM>(&hdi));
  std::vector<DRAWITEMSTRUCT> draws;
  Rec().hook = [&](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
    if (message != WM_DRAWITEM) return false;
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    draws.push_back(*dis);
    FillSolidRect(dis->hDC, &dis->rcItem, RGB(0, 200, 0));
    *result = TRUE;
    return true;
  };
  InvalidateRect(header, nullptr, TRUE);
  Pump();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].CtlType, static_cast<UINT>(ODT_HEADER));
  EXPECT_EQ(draws[0].itemID, 1u);
  EXPECT_EQ(draws[0].hwndItem, header);
  EXPECT_EQ(draws[0].rcItem.left, 140);
  EXPECT_EQ(Pixel(header, 170, 10), RGB(0, 200, 0));
  // Item 2 (x 200 to 280) held down draws pressed until the button is released.
  COLORREF raisedEdge = Pixel(header, 200, 0);
  POINT held = ToScreen(header, 250, 8);
  platform::InjectMouseMove(held);
  platform::InjectMouseButton(0, true, held);
  Pump();
  EXPECT_TRUE(SavePng(header, "header-ownerdrawn-pressed"));
  EXPECT_NE(Pixel(header, 200, 0), raisedEdge);
  platform::InjectMouseButton(0, false, held);
  Pump();
  EXPECT_EQ(Pixel(header, 200, 0), raisedEdge);
}

TEST_F(ListViewTest, RenderingWithSelectionImagesAndGridlines) {
  HWND parent = Parent();
  HWND list = MakeList(parent);
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 1);
  HBITMAP strip = SolidStrip(16, 16, {RGB(200, 0, 0), RGB(0, 0, 200)}, RGB(0, 128, 128), 3);
  ImageList_AddMasked(images, strip, RGB(0, 128, 128));
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, RGB(0xF0, 0xFF, 0xFF));
  SendMessageA(list, LVM_SETBKCOLOR, 0, RGB(0xF0, 0xFF, 0xFF));
  LVITEMA st{};
  st.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  st.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&st));
  SetFocus(list);
  Pump();
  RECT row{};
  row.left = LVIR_BOUNDS;
  SendMessageA(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
  EXPECT_EQ(Pixel(list, 250, row.top + 2), GetSysColor(COLOR_HIGHLIGHT));
  // The image's transparent frame shows the row behind it; its inside shows the image.
  SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
  EXPECT_EQ(Pixel(list, 8, row.top + 8), RGB(200, 0, 0));
  EXPECT_EQ(Pixel(list, 1, row.top + 8), RGB(0xF0, 0xFF, 0xFF));
  EXPECT_TRUE(SavePng(list, "listview-report"));
  DestroyWindow(list);
  ImageList_Destroy(images);
  DeleteObject(strip);
}

TEST_F(ControlTest, TooltipShowsAfterDelayAndHidesOnClick) {
  testsupport::StoppedClock clock;
  HWND parent = Parent();
  // Created with style 0, as the hyperlink and the buttons create theirs.
  HWND tip = CreateWindowExA(0, TOOLTIPS_CLASSA, "", 0, 0, 0, 0, 0, parent, nullptr, nullptr, nullptr);
  ASSERT_TRUE(tip);
  m_windows.push_back(tip);
  TOOLINFOA ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_SUBCLASS;
  ti.hwnd = parent;
  ti.uId = 1;
  ti.rect = RECT{0, 0, 200, 100};
  ti.lpszText = const_cast<LPSTR>("这是提示");
  ASSERT_TRUE(SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)));
  SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, 400);
  SendMessageA(tip, TTM_SETDELAYTIME, TTDT_INITIAL, 80);
  EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  platform::InjectMouseMove(ToScreen(parent, 50, 50));
  Pump();
  clock.Advance(79);
  Pump();
  EXPECT_FALSE(IsWindowVisible(tip));  // not before the delay
  clock.Advance(1);
  Pump();
  ASSERT_TRUE(IsWindowVisible(tip));
  EXPECT_TRUE(GetWindowLongA(tip, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLongA(tip, GWL_STYLE) & WS_POPUP);
  RECT client, window;
  GetClientRect(tip, &client);
  GetWindowRect(tip, &window);
  EXPECT_EQ(client.right, window.right - window.left);  // no frame
  RECT wr;
  GetWindowRect(tip, &wr);
  EXPECT_EQ(Pixel(tip, 2, 2), GetSysColor(COLOR_INFOBK));
  EXPECT_TRUE(SavePng(tip, "tooltip"));
  // The text changes while shown; a click hides it.
  ti.lpszText = const_cast<LPSTR>("另一个提示，比原来的长一些");
  SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
  RECT wider;
  GetWindowRect(tip, &wider);
  EXPECT_GT(wider.right - wider.left, wr.right - wr.left);
  Click(ToScreen(parent, 50, 50));
  Pump();
  EXPECT_FALSE(IsWindowVisible(tip));
  // Shown again after leaving and re-entering the tool; leaving hides it, and so does the
  // auto-pop delay.
  platform::InjectMouseMove(ToScreen(parent, 300, 150));
  platform::InjectMouseMove(ToScreen(parent, 40, 40));
  Pump();
  EXPECT_FALSE(IsWindowVisible(tip));
  clock.Advance(80);
  Pump();
  ASSERT_TRUE(IsWindowVisible(tip));
  platform::InjectMouseMove(ToScreen(parent, 300, 150));
  Pump();
  EXPECT_FALSE(IsWindowVisible(tip));
  SendMessageA(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 40);
  platform::InjectMouseMove(ToScreen(parent, 45, 45));
  Pump();
  clock.Advance(80);
  Pump();
  ASSERT_TRUE(IsWindowVisible(tip));
  clock.Advance(39);
  Pump();
  EXPECT_TRUE(IsWindowVisible(tip));
  clock.Advance(1);
  Pump();
  EXPECT_FALSE(IsWindowVisible(tip));
  // Leaving the tool's rectangle and coming back starts the delay again; a deactivated tip
  // never shows.
  SendMessageA(tip, TTM_ACTIVATE, FALSE, 0);
  platform::InjectMouseMove(ToScreen(parent, 300, 150));
  platform::InjectMouseMove(ToScreen(parent, 60, 60));
  Pump();
  clock.Advance(1000);
  Pump();
  EXPECT_FALSE(IsWindowVisible(tip));
}

TEST_F(ControlTest, ImageListAddDrawIconsAndRemove) {
  HIMAGELIST list = ImageList_Create(20, 20, ILC_COLOR24 | ILC_MASK, 50, 1);
  ASSERT_TRUE(list);
  // A bitmap three images wide adds three images; a narrower remainder adds none.
  HBITMAP strip = SolidStrip(20, 20, {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)}, RGB(255, 255, 255), 4);
  EXPECT_EQ(ImageList_AddMasked(list, strip, RGB(255, 255, 255)), 0);
  EXPECT_EQ(ImageList_GetImageCount(list), 3);
  int cx = 0, cy = 0;
  EXPECT_TRUE(ImageList_GetIconSize(list, &cx, &cy));
  EXPECT_EQ(cx, 20);

  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, 60, 20);
  HGDIOBJ old = SelectObject(dc, canvas);
  RECT all{0, 0, 60, 20};
  FillSolidRect(dc, &all, RGB(10, 20, 30));
  EXPECT_TRUE(ImageList_Draw(list, 1, dc, 0, 0, ILD_TRANSPARENT));
  EXPECT_EQ(GetPixel(dc, 10, 10), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(10, 20, 30));  // transparent frame
  ImageList_SetBkColor(list, RGB(1, 2, 3));
  EXPECT_TRUE(ImageList_Draw(list, 2, dc, 20, 0, ILD_NORMAL));
  EXPECT_EQ(GetPixel(dc, 21, 1), RGB(1, 2, 3));  // the background colour fills the mask
  EXPECT_TRUE(ImageList_Draw(list, 0, dc, 40, 0, ILD_TRANSPARENT | ILD_BLEND50));
  COLORREF blended = GetPixel(dc, 50, 10);
  EXPECT_NE(blended, RGB(255, 0, 0));
  EXPECT_FALSE(ImageList_Draw(list, 3, dc, 0, 0, ILD_NORMAL));

  // An icon taken out and added back keeps its pixels and its transparency.
  HICON icon = ImageList_GetIcon(list, 2, ILD_NORMAL);
  ASSERT_TRUE(icon);
  HIMAGELIST copy = ImageList_Create(20, 20, ILC_COLORDDB | ILC_MASK, 1, 1);
  EXPECT_EQ(ImageList_AddIcon(copy, icon), 0);
  FillSolidRect(dc, &all, RGB(10, 20, 30));
  ImageList_Draw(copy, 0, dc, 0, 0, ILD_TRANSPARENT);
  EXPECT_EQ(GetPixel(dc, 10, 10), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(10, 20, 30));
  DestroyIcon(icon);

  // A larger icon is scaled to the list's size (the 16 x 16 portraits come from the 32 x 32 ones).
  HIMAGELIST big = ImageList_Create(40, 40, ILC_COLOR24 | ILC_MASK, 1, 1);
  HBITMAP bigStrip = SolidStrip(40, 40, {RGB(9, 99, 199)}, RGB(255, 255, 255), 8);
  ImageList_AddMasked(big, bigStrip, RGB(255, 255, 255));
  HICON bigIcon = ImageList_GetIcon(big, 0, 0);
  EXPECT_EQ(ImageList_AddIcon(list, bigIcon), 3);
  FillSolidRect(dc, &all, RGB(10, 20, 30));
  ImageList_Draw(list, 3, dc, 0, 0, ILD_TRANSPARENT);
  EXPECT_EQ(GetPixel(dc, 10, 10), RGB(9, 99, 199));
  EXPECT_EQ(GetPixel(dc, 2, 2), RGB(10, 20, 30));  // the frame, 8 of 40 pixels, becomes 4 of 20
  EXPECT_EQ(GetPixel(dc, 4, 4), RGB(9, 99, 199));
  DestroyIcon(bigIcon);
  ImageList_Destroy(big);
  DeleteObject(bigStrip);
  EXPECT_TRUE(ImageList_Remove(list, 3));

  EXPECT_TRUE(ImageList_Remove(list, 0));
  EXPECT_EQ(ImageList_GetImageCount(list), 2);
  FillSolidRect(dc, &all, RGB(10, 20, 30));
  ImageList_Draw(list, 0, dc, 0, 0, ILD_TRANSPARENT);
  EXPECT_EQ(GetPixel(dc, 10, 10), RGB(0, 255, 0));  // indexes moved down
  EXPECT_FALSE(ImageList_Remove(list, 5));
  EXPECT_TRUE(ImageList_Remove(list, -1));
  EXPECT_EQ(ImageList_GetImageCount(list), 0);
  EXPECT_EQ(ImageList_GetIcon(list, 0, 0), nullptr);
  SelectObject(dc, old);
  DeleteObject(canvas);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  EXPECT_TRUE(ImageList_Destroy(list));
  EXPECT_FALSE(ImageList_Destroy(list));  // a stale handle is refused
  EXPECT_EQ(ImageList_GetImageCount(list), 0);
  ImageList_Destroy(copy);
  DeleteObject(strip);
}

}  // namespace
