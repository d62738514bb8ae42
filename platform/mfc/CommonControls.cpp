#include "platform/mfc/CommonControls.h"
#include "platform/mfc/WndHandle.h"

#include <memory>
#include <unordered_map>

IMPLEMENT_DYNCREATE(CImageList, CObject)
IMPLEMENT_DYNAMIC(CHeaderCtrl, CWnd)
IMPLEMENT_DYNAMIC(CListCtrl, CWnd)
IMPLEMENT_DYNAMIC(CToolTipCtrl, CWnd)

namespace {

struct ImageListMaps {
  std::unordered_map<HIMAGELIST, CImageList*> permanent;
  std::unordered_map<HIMAGELIST, std::unique_ptr<CImageList>> temporary;
  ~ImageListMaps() {
    for (auto& entry : temporary) entry.second->m_hImageList = nullptr;
  }
};

ImageListMaps& Maps() {
  thread_local ImageListMaps maps;
  return maps;
}

}  // namespace

// ---- CImageList

CImageList::~CImageList() { DeleteImageList(); }

CImageList* PASCAL CImageList::FromHandle(HIMAGELIST hImageList) {
  if (!hImageList) return nullptr;
  ImageListMaps& maps = Maps();
  auto perm = maps.permanent.find(hImageList);
  if (perm != maps.permanent.end()) return perm->second;
  auto& temp = maps.temporary[hImageList];
  if (!temp) {
    temp = std::make_unique<CImageList>();
    temp->m_hImageList = hImageList;
  }
  return temp.get();
}

void PASCAL CImageList::DeleteTempMap() {
  std::unordered_map<HIMAGELIST, std::unique_ptr<CImageList>> temps;
  temps.swap(Maps().temporary);
  for (auto& entry : temps) entry.second->m_hImageList = nullptr;
}

BOOL CImageList::Attach(HIMAGELIST hImageList) {
  if (!hImageList || m_hImageList) return FALSE;
  m_hImageList = hImageList;
  Maps().permanent[hImageList] = this;
  return TRUE;
}

HIMAGELIST CImageList::Detach() {
  HIMAGELIST h = m_hImageList;
  if (h) {
    ImageListMaps& maps = Maps();
    auto it = maps.permanent.find(h);
    if (it != maps.permanent.end() && it->second == this) maps.permanent.erase(it);
  }
  m_hImageList = nullptr;
  return h;
}

BOOL CImageList::DeleteImageList() {
  if (!m_hImageList) return FALSE;
  return ImageList_Destroy(Detach());
}

// ---- CHeaderCtrl

BOOL CHeaderCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  InitCommonControls();
  return CWnd::Create(WC_HEADER, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

void CHeaderCtrl::DrawItem(LPDRAWITEMSTRUCT) {}

BOOL CHeaderCtrl::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message == WM_DRAWITEM) {
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    if (pResult) *pResult = TRUE;
    return TRUE;
  }
  return CWnd::OnChildNotify(message, wParam, lParam, pResult);
}

// ---- CListCtrl

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  InitCommonControls();
  return CWnd::Create(WC_LISTVIEW, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

CHeaderCtrl* CListCtrl::GetHeaderCtrl() const {
  HWND hWnd = (HWND)::SendMessage(m_hWnd, LVM_GETHEADER, 0, 0);
  if (!hWnd) return nullptr;
  // The header's own object when a caller subclassed it with one.
  CWnd* pPermanent = CWnd::FromHandlePermanent(hWnd);
  if (pPermanent && pPermanent->IsKindOf(RUNTIME_CLASS(CHeaderCtrl))) return static_cast<CHeaderCtrl*>(pPermanent);
  if (!m_pHeaderWrapper) m_pHeaderWrapper = new CHeaderCtrl;
  m_pHeaderWrapper->m_hWnd = hWnd;
  return m_pHeaderWrapper;
}

CListCtrl::~CListCtrl() {
  if (m_pHeaderWrapper) {
    m_pHeaderWrapper->m_hWnd = nullptr;
    delete m_pHeaderWrapper;
  }
}

int CListCtrl::InsertColumn(int nCol, LPCTSTR lpszColumnHeading, int nFormat, int nWidth, int nSubItem) {
  LVCOLUMN column{};
  column.mask = LVCF_TEXT | LVCF_FMT;
  column.pszText = const_cast<LPSTR>(lpszColumnHeading);
  column.fmt = nFormat;
  if (nWidth != -1) {
    column.mask |= LVCF_WIDTH;
    column.cx = nWidth;
  }
  if (nSubItem != -1) {
    column.mask |= LVCF_SUBITEM;
    column.iSubItem = nSubItem;
  }
  return InsertColumn(nCol, &column);
}

int CListCtrl::InsertItem(UINT nMask, int nItem, LPCTSTR lpszItem, UINT nState, UINT nStateMask, int nImage, LPARAM lParam) {
  LVITEM item{};
  item.mask = nMask;
  item.iItem = nItem;
  item.pszText = const_cast<LPSTR>(lpszItem);
  item.state = nState;
  item.stateMask = nStateMask;
  item.iImage = nImage;
  item.lParam = lParam;
  return InsertItem(&item);
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCTSTR lpszText) {
  LVITEM item{};
  item.iSubItem = nSubItem;
  item.pszText = const_cast<LPSTR>(lpszText);
  return (BOOL)::SendMessage(m_hWnd, LVM_SETITEMTEXT, nItem, (LPARAM)&item);
}

int CListCtrl::GetItemText(int nItem, int nSubItem, LPTSTR lpszText, int nLen) const {
  LVITEM item{};
  item.iSubItem = nSubItem;
  item.pszText = lpszText;
  item.cchTextMax = nLen;
  return (int)::SendMessage(m_hWnd, LVM_GETITEMTEXT, nItem, (LPARAM)&item);
}

CString CListCtrl::GetItemText(int nItem, int nSubItem) const {
  // Grows the buffer until the text fits, as the control gives no length query.
  CString text;
  for (int size = 256; size <= (1 << 20); size *= 4) {
    LPTSTR buffer = text.GetBuffer(size);
    int n = GetItemText(nItem, nSubItem, buffer, size);
    text.ReleaseBuffer(n > 0 ? n : 0);
    if (n < size - 1) break;
  }
  return text;
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const {
  LVITEM item{};
  item.mask = LVIF_PARAM;
  item.iItem = nItem;
  return GetItem(&item) ? (DWORD_PTR)item.lParam : 0;
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData) {
  LVITEM item{};
  item.mask = LVIF_PARAM;
  item.iItem = nItem;
  item.lParam = (LPARAM)dwData;
  return SetItem(&item);
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
  LVITEM item{};
  item.state = nState;
  item.stateMask = nMask;
  return (BOOL)::SendMessage(m_hWnd, LVM_SETITEMSTATE, nItem, (LPARAM)&item);
}

BOOL CListCtrl::GetItemRect(int nItem, LPRECT lpRect, UINT nCode) const {
  if (!lpRect) return FALSE;
  lpRect->left = (LONG)nCode;
  return (BOOL)::SendMessage(m_hWnd, LVM_GETITEMRECT, nItem, (LPARAM)lpRect);
}

BOOL CListCtrl::GetSubItemRect(int iItem, int iSubItem, int nArea, CRect& ref) const {
  ref.top = iSubItem;
  ref.left = nArea;
  return (BOOL)::SendMessage(m_hWnd, LVM_GETSUBITEMRECT, iItem, (LPARAM)&ref);
}

int CListCtrl::HitTest(CPoint pt, UINT* pFlags) const {
  LVHITTESTINFO info{};
  info.pt = pt;
  int index = (int)::SendMessage(m_hWnd, LVM_HITTEST, 0, (LPARAM)&info);
  if (pFlags) *pFlags = info.flags;
  return index;
}

// ---- CToolTipCtrl

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle) {
  InitCommonControls();
  return CWnd::CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASS, nullptr, WS_POPUP | dwStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, AfxHwndOf(pParentWnd), nullptr);
}

static void FillToolInfo(TOOLINFO& ti, CWnd* pWnd, UINT_PTR nIDTool) {
  ti = TOOLINFO{};
  ti.cbSize = sizeof(TOOLINFO);
  ti.hwnd = AfxHwndOf(pWnd);
  ti.uId = nIDTool;
  ti.hinst = AfxGetResourceHandle();
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, LPCTSTR lpszText, LPCRECT lpRectTool, UINT_PTR nIDTool) {
  TOOLINFO ti;
  FillToolInfo(ti, pWnd, nIDTool);
  if (lpRectTool) ti.rect = *lpRectTool;
  else if (pWnd) pWnd->GetClientRect(&ti.rect);
  ti.lpszText = const_cast<LPSTR>(lpszText);
  return (BOOL)::SendMessage(m_hWnd, TTM_ADDTOOL, 0, (LPARAM)&ti);
}

void CToolTipCtrl::DelTool(CWnd* pWnd, UINT_PTR nIDTool) {
  TOOLINFO ti;
  FillToolInfo(ti, pWnd, nIDTool);
  ::SendMessage(m_hWnd, TTM_DELTOOL, 0, (LPARAM)&ti);
}

void CToolTipCtrl::UpdateTipText(LPCTSTR lpszText, CWnd* pWnd, UINT_PTR nIDTool) {
  TOOLINFO ti;
  FillToolInfo(ti, pWnd, nIDTool);
  ti.lpszText = const_cast<LPSTR>(lpszText);
  ::SendMessage(m_hWnd, TTM_UPDATETIPTEXT, 0, (LPARAM)&ti);
}

void CToolTipCtrl::SetToolRect(CWnd* pWnd, UINT_PTR nIDTool, LPCRECT lpRect) {
  TOOLINFO ti;
  FillToolInfo(ti, pWnd, nIDTool);
  if (lpRect) ti.rect = *lpRect;
  ::SendMessage(m_hWnd, TTM_NEWTOOLRECT, 0, (LPARAM)&ti);
}
