#include "controls/ReportListCtrl.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "net/SystemHelpers.h"

BEGIN_MESSAGE_MAP(CReportListCtrl, CListCtrl)
  ON_WM_CREATE()
END_MESSAGE_MAP()

CReportListCtrl::CReportListCtrl() { std::memset(m_columnLocks, 0, sizeof(m_columnLocks)); }

namespace {

// The column spec split at '|' by the shared splitter, over a copy that the fields point into.
// Specs end in '|', which the splitter reports as one more, empty field; it is not part of any
// column, so a spec whose last triple lacks its format does not gain a column from it.
struct SpecFields {
  explicit SpecFields(const std::string& spec) : copy(spec.begin(), spec.end()), fields(REPORT_MAX_COLUMNS) {
    copy.push_back('\0');
    count = SplitString(copy.data(), fields.data(), REPORT_MAX_COLUMNS, nullptr);
    if (count > 0 && fields[count - 1][0] == '\0') --count;
  }
  std::vector<char> copy;
  std::vector<LPSTR> fields;
  int count = 0;
};

}  // namespace

void CReportListCtrl::SetColumnSpec(LPCTSTR columns) { m_columnSpec = columns != nullptr ? columns : ""; }

int CReportListCtrl::BuildColumns() {
  DeleteAllColumns();
  SpecFields spec(m_columnSpec);
  return InsertColumnsFromStrings(spec.count / 3, const_cast<LPCTSTR*>(spec.fields.data()));
}

int CReportListCtrl::InsertColumnsFromStrings(int count, LPCTSTR* fields) {
  int inserted = 0;
  for (int i = 0; i < count; ++i) {
    LVCOLUMN column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.pszText = const_cast<LPSTR>(fields[3 * i]);
    column.cx = std::atoi(fields[3 * i + 1]);
    column.fmt = std::atoi(fields[3 * i + 2]);
    column.iSubItem = i;
    if (InsertColumn(i, &column) >= 0) ++inserted;
  }
  return inserted;
}

int CReportListCtrl::InsertColumns(int count, const ReportColumnPair* pairs) {
  int inserted = 0;
  for (int i = 0; i < count; ++i) {
    LVCOLUMN column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.pszText = const_cast<LPSTR>(pairs[i].title);
    column.cx = std::atoi(pairs[i].width);
    column.fmt = LVCFMT_LEFT;
    column.iSubItem = i;
    if (InsertColumn(i, &column) >= 0) ++inserted;
  }
  return inserted;
}

void CReportListCtrl::DeleteAllColumns() {
  CHeaderCtrl* header = GetHeaderCtrl();
  int n = header != nullptr ? header->GetItemCount() : 0;
  for (int i = 0; i < n; ++i) DeleteColumn(0);
}

int CReportListCtrl::FindColumn(LPCTSTR name) const {
  if (name == nullptr) return -1;
  SpecFields spec(m_columnSpec);
  for (int i = 0; i + 2 < spec.count; i += 3) {
    if (strcasecmp(spec.fields[i], name) == 0) return i / 3;
  }
  return -1;
}

int CReportListCtrl::FindItemByData(DWORD value) const {
  int count = GetItemCount();
  for (int i = 0; i < count; ++i) {
    if (static_cast<DWORD>(GetItemData(i)) == value) return i;
  }
  return -1;
}

int CReportListCtrl::ClearSelection() {
  int count = GetItemCount();
  for (int i = 0; i < count; ++i) {
    UINT state = GetItemState(i, 0xFFFF);
    SetItemState(i, state & ~static_cast<UINT>(LVIS_SELECTED), 0xFFFF);
  }
  return count;
}

void CReportListCtrl::AddExtendedStyle(DWORD style) { SetExtendedStyle(GetExtendedStyle() | style); }

BOOL CReportListCtrl::IsColumnLocked(int column) const {
  if (column < 0 || column >= REPORT_MAX_COLUMNS) return FALSE;
  return m_columnLocks[column] == 1;
}

void CReportListCtrl::AttachHeader() {
  if (m_header.GetSafeHwnd() != nullptr) return;
  HWND header = ::GetDlgItem(m_hWnd, 0);
  if (header != nullptr) m_header.SubclassWindow(header);
}

void CReportListCtrl::PreSubclassWindow() {
  AttachHeader();
  CListCtrl::PreSubclassWindow();
}

int CReportListCtrl::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  (void)lpCreateStruct;
  if (Default() == -1) return -1;
  // A list made with Create has its header only after its own creation.
  AttachHeader();
  return 0;
}

BOOL CReportListCtrl::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
  if (hdr != nullptr && (hdr->code == static_cast<UINT>(HDN_BEGINTRACKA) || hdr->code == static_cast<UINT>(HDN_BEGINTRACKW))) {
    const NMHEADER* header = reinterpret_cast<const NMHEADER*>(lParam);
    if (IsColumnLocked(header->iItem)) {
      *pResult = 1;
      return TRUE;
    }
  }
  return CListCtrl::OnNotify(wParam, lParam, pResult);
}
