// The report list: column specs, lookups, selection clearing, column locks against divider drags,
// the sort header's owner-drawn cells with their triangle, and the memory DC.
#include <string>
#include <vector>

#include "controls/MemoryDC.h"
#include "controls/ReportListCtrl.h"
#include "platform/comctl/CommCtrl.h"
#include "platform/display/Display.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "tests/controls/WidgetTestSupport.h"
#include "tests/platform/GdiTestCanvas.h"

namespace {

using widgettest::WidgetTest;

class ReportListTest : public WidgetTest {
 public:
  void SetUp() override {
    WidgetTest::SetUp();
    InitCommonControls();
    ASSERT_TRUE(m_list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, CRect(10, 10, 410, 210), &m_parent, 1001));
    Pump();
  }
  void TearDown() override {
    if (m_list.GetSafeHwnd() != nullptr) m_list.DestroyWindow();
    WidgetTest::TearDown();
  }
  std::string ColumnTitle(int i) {
    char text[64] = {0};
    LVCOLUMN column{};
    column.mask = LVCF_TEXT;
    column.pszText = text;
    column.cchTextMax = sizeof(text);
    m_list.GetColumn(i, &column);
    return text;
  }
  int ColumnFormat(int i) {
    LVCOLUMN column{};
    column.mask = LVCF_FMT;
    m_list.GetColumn(i, &column);
    return column.fmt & LVCFMT_JUSTIFYMASK;
  }
  CReportListCtrl m_list;
};

TEST_F(ReportListTest, HeaderIsTheSortHeader) {
  ASSERT_NE(nullptr, m_list.m_header.GetSafeHwnd());
  EXPECT_EQ(m_list.m_header.GetSafeHwnd(), reinterpret_cast<HWND>(m_list.SendMessage(LVM_GETHEADER)));
  EXPECT_EQ(-1, m_list.m_header.m_sortColumn);
}

TEST_F(ReportListTest, BuildColumnsFromSpecs) {
  struct Case {
    const char* columns;
    std::vector<std::string> titles;
  } cases[] = {
      {"用户名|140|0|级别|60|0|积分|80|0|银子|60|0|旁观对象|100|0|", {"用户名", "级别", "积分", "银子", "旁观对象"}},
      {"用户名|100|0|总成绩|75|2|", {"用户名", "总成绩"}},
      {"用户名|100|0|总成绩|75|", {"用户名"}},  // the last triple lacks its format
      {"a|10|1", {"a"}},
      {"", {}},
  };
  for (const Case& c : cases) {
    m_list.SetColumnSpec(c.columns);
    EXPECT_EQ(static_cast<int>(c.titles.size()), m_list.BuildColumns()) << c.columns;
    ASSERT_EQ(static_cast<int>(c.titles.size()), m_list.m_header.GetItemCount()) << c.columns;
    for (size_t i = 0; i < c.titles.size(); ++i) EXPECT_EQ(c.titles[i], ColumnTitle(static_cast<int>(i)));
  }
  m_list.SetColumnSpec("用户名|100|0|总成绩|75|2|右|33|1|");
  m_list.BuildColumns();
  EXPECT_EQ(100, m_list.GetColumnWidth(0));
  EXPECT_EQ(75, m_list.GetColumnWidth(1));
  EXPECT_EQ(LVCFMT_LEFT, ColumnFormat(0));
  EXPECT_EQ(LVCFMT_CENTER, ColumnFormat(1));
  EXPECT_EQ(LVCFMT_RIGHT, ColumnFormat(2));
}

TEST_F(ReportListTest, FindColumnSearchesTheSpecOnly) {
  m_list.SetColumnSpec("Name|100|0|Score|75|2|");
  m_list.BuildColumns();
  EXPECT_EQ(0, m_list.FindColumn("name"));
  EXPECT_EQ(1, m_list.FindColumn("SCORE"));
  EXPECT_EQ(-1, m_list.FindColumn("Silver"));
  ReportColumnPair extra[] = {{"Silver", "40"}};
  m_list.DeleteAllColumns();
  EXPECT_EQ(0, m_list.m_header.GetItemCount());
  EXPECT_EQ(1, m_list.InsertColumns(1, extra));
  EXPECT_EQ("Silver", ColumnTitle(0));
  EXPECT_EQ(-1, m_list.FindColumn("Silver"));
}

TEST_F(ReportListTest, FindItemByDataAndClearSelection) {
  m_list.SetColumnSpec("Name|100|0|");
  m_list.BuildColumns();
  DWORD data[] = {7, 9, 9, 4};
  for (int i = 0; i < 4; ++i) {
    m_list.InsertItem(LVIF_TEXT | LVIF_PARAM, i, "row", 0, 0, 0, static_cast<LPARAM>(data[i]));
  }
  EXPECT_EQ(1, m_list.FindItemByData(9));
  EXPECT_EQ(3, m_list.FindItemByData(4));
  EXPECT_EQ(-1, m_list.FindItemByData(5));
  m_list.SetItemState(2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_EQ(2, m_list.GetNextItem(-1, LVNI_SELECTED));
  EXPECT_EQ(4, m_list.ClearSelection());
  EXPECT_EQ(-1, m_list.GetNextItem(-1, LVNI_SELECTED));
  // Only the selected bit goes.
  EXPECT_EQ(static_cast<UINT>(LVIS_FOCUSED), m_list.GetItemState(2, LVIS_FOCUSED));
  m_list.AddExtendedStyle(LVS_EX_FULLROWSELECT);
  m_list.AddExtendedStyle(LVS_EX_GRIDLINES);
  EXPECT_EQ(static_cast<DWORD>(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES),
            m_list.GetExtendedStyle() & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES));
}

TEST_F(ReportListTest, LockedColumnsRefuseDividerDrags) {
  m_list.SetColumnSpec("A|140|0|B|90|0|C|60|0|");
  m_list.BuildColumns();
  m_list.m_columnLocks[0] = 1;
  m_list.m_columnLocks[2] = 2;  // only the value 1 locks
  EXPECT_TRUE(m_list.IsColumnLocked(0));
  EXPECT_FALSE(m_list.IsColumnLocked(1));
  EXPECT_FALSE(m_list.IsColumnLocked(2));
  EXPECT_FALSE(m_list.IsColumnLocked(1024));
  EXPECT_FALSE(m_list.IsColumnLocked(-1));
  HWND header = m_list.m_header.GetSafeHwnd();
  auto drag = [&](int fromX, int toX) {
    Press(header, fromX, 5);
    MoveTo(header, toX, 5);
    Release(header, toX, 5);
  };
  drag(140, 180);
  EXPECT_EQ(140, m_list.GetColumnWidth(0));
  drag(230, 260);
  EXPECT_EQ(120, m_list.GetColumnWidth(1));
  // The refusal answers the notification itself; a far index is never refused.
  for (int item : {0, 1, 5000}) {
    NMHEADERA nm{};
    nm.hdr.hwndFrom = header;
    nm.hdr.code = static_cast<UINT>(item == 1 ? HDN_BEGINTRACKW : HDN_BEGINTRACKA);
    nm.iItem = item;
    LRESULT result = ::SendMessageA(m_list.GetSafeHwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ(item == 0 ? 1 : 0, result) << item;
  }
}

// Draws header item `index` of the list's header into a canvas through DrawItem.
void DrawHeaderCell(CSortHeaderCtrl& header, gditest::Canvas& canvas, int index, UINT state, RECT rect) {
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_HEADER;
  dis.itemID = static_cast<UINT>(index);
  dis.itemState = state;
  dis.hwndItem = header.GetSafeHwnd();
  dis.hDC = canvas.Dc();
  dis.rcItem = rect;
  header.DrawItem(&dis);
}

TEST_F(ReportListTest, SortTriangleExactPixels) {
  m_list.SetColumnSpec("Name|100|0|Score|80|2|");
  m_list.BuildColumns();
  gditest::Canvas canvas(120, 40, RGB(1, 2, 3));
  HGDIOBJ oldFont = SelectObject(canvas.Dc(), GetStockObject(DEFAULT_GUI_FONT));
  SIZE space{};
  GetTextExtentPoint32A(canvas.Dc(), " ", 1, &space);
  const int s = space.cx;
  ASSERT_GT(s, 0);
  const COLORREF hi = GetSysColor(COLOR_BTNHIGHLIGHT), sh = GetSysColor(COLOR_BTNSHADOW), face = GetSysColor(COLOR_BTNFACE);
  const int R = 120, B = 40;
  m_list.m_header.m_sortColumn = 1;
  for (BOOL up : {TRUE, FALSE}) {
    m_list.m_header.m_sortAscending = up;
    canvas.Fill(RGB(1, 2, 3));
    DrawHeaderCell(m_list.m_header, canvas, 1, 0, RECT{0, 0, R, B});
    DumpCanvas(up ? "sort-header-up" : "sort-header-down", canvas);
    if (up) {
      EXPECT_EQ(hi, canvas.At(R - 3 * s, B - 2 * s));  // the right corner
      EXPECT_EQ(hi, canvas.At(R - 5 * s - 1, B - 2 * s));  // the base line, its end excluded
      EXPECT_EQ(face, canvas.At(R - 5 * s - 2, B - 2 * s));
      EXPECT_EQ(sh, canvas.At(R - 5 * s - 1, B - 2 * s - 1));
      EXPECT_EQ(face, canvas.At(R - 4 * s, 2 * s - 2));  // the shadow's end point is not drawn
    } else {
      EXPECT_EQ(hi, canvas.At(R - 3 * s, 2 * s - 1));  // the shadow's end point is not drawn
      EXPECT_EQ(sh, canvas.At(R - 4 * s - 1, B - 2 * s));
      EXPECT_EQ(sh, canvas.At(R - 5 * s - 1, 2 * s - 1));
      EXPECT_EQ(sh, canvas.At(R - 3 * s - 1, 2 * s - 1));
    }
    // The whole cell is filled: no pixel of the canvas colour is left.
    EXPECT_EQ("", canvas.PixelsOf(RGB(1, 2, 3)));
  }
  // A cell narrower than 4s (10s on the sort column) shows no text but is filled.
  gditest::Canvas narrow(4 * s, 20, RGB(1, 2, 3));
  SelectObject(narrow.Dc(), GetStockObject(DEFAULT_GUI_FONT));
  DrawHeaderCell(m_list.m_header, narrow, 0, 0, RECT{0, 0, 4 * s, 20});
  EXPECT_EQ("", narrow.PixelsOf(RGB(1, 2, 3)));
  EXPECT_EQ("", narrow.PixelsOf(GetSysColor(COLOR_BTNTEXT)));
  SelectObject(canvas.Dc(), oldFont);
}

TEST_F(ReportListTest, OwnerDrawnHeaderRendering) {
  m_list.SetColumnSpec("用户名|140|0|级别|60|2|积分|80|1|");
  m_list.BuildColumns();
  for (int i = 0; i < 3; ++i) {
    HDITEM item{};
    item.mask = HDI_FORMAT;
    m_list.m_header.GetItem(i, &item);
    item.fmt |= HDF_OWNERDRAW;
    m_list.m_header.SetItem(i, &item);
  }
  m_list.m_header.m_sortColumn = 2;
  m_list.m_header.m_sortAscending = TRUE;
  m_list.InsertItem(0, "甲");
  m_list.SetItemText(0, 1, "5");
  std::vector<uint32_t> pixels;
  int w = 0, h = 0;
  ASSERT_TRUE(Capture(m_list.GetSafeHwnd(), pixels, w, h));
  Dump("report-list", pixels, w, h);
  std::vector<uint32_t> header;
  ASSERT_TRUE(Capture(m_list.m_header.GetSafeHwnd(), header, w, h));
  // The header cells are face-coloured and carry text.
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), PixelAt(header, w, 2, 2));
  int text = 0;
  for (int x = 0; x < 140; ++x) {
    for (int y = 0; y < h; ++y) text += PixelAt(header, w, x, y) == GetSysColor(COLOR_BTNTEXT) ? 1 : 0;
  }
  EXPECT_GT(text, 10);
}

TEST(MemoryDCTest, DrawsInTargetCoordinatesAndCopiesBack) {
  gditest::Canvas canvas(40, 30, RGB(255, 255, 255));
  CDC target;
  target.Attach(canvas.Dc());
  {
    CMemoryDC memory(&target, RECT{10, 5, 30, 25});
    EXPECT_TRUE(memory.IsOffScreen());
    RECT inside{12, 7, 20, 15};
    memory.FillSolidRect(&inside, RGB(200, 0, 0));
    // Nothing reaches the target before the object goes.
    EXPECT_EQ(RGB(255, 255, 255), canvas.At(12, 7));
  }
  target.Detach();
  EXPECT_EQ(RGB(200, 0, 0), canvas.At(12, 7));
  EXPECT_EQ(RGB(200, 0, 0), canvas.At(19, 14));
  EXPECT_NE(RGB(200, 0, 0), canvas.At(20, 15));
  // Outside the rectangle the target is untouched.
  EXPECT_EQ(RGB(255, 255, 255), canvas.At(9, 4));
  EXPECT_EQ(RGB(255, 255, 255), canvas.At(30, 25));
}

}  // namespace
