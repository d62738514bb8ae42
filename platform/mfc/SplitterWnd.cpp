#include "platform/mfc/SplitterWnd.h"
#include "platform/mfc/WndHandle.h"

#include <climits>

IMPLEMENT_DYNAMIC(CSplitterWnd, CWnd)

BEGIN_MESSAGE_MAP(CSplitterWnd, CWnd)
  ON_WM_PAINT()
  ON_WM_SIZE()
  ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

namespace {
// How far a pane with a client edge reaches over the splitter's border, and what a row or
// column squeezed below its minimum leaves to the one before it.
const int BORDER2 = 2;
}  // namespace

CSplitterWnd::CSplitterWnd() = default;

CSplitterWnd::~CSplitterWnd() {
  delete[] m_pRowInfo;
  delete[] m_pColInfo;
}

BOOL CSplitterWnd::CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle, UINT nID) {
  if (!pParentWnd || !AfxHwndOf(pParentWnd) || nRows < 1 || nRows > 16 || nCols < 1 || nCols > 16 || m_hWnd) {
    return FALSE;
  }
  m_nRows = m_nMaxRows = nRows;
  m_nCols = m_nMaxCols = nCols;
  delete[] m_pRowInfo;
  delete[] m_pColInfo;
  m_pRowInfo = new CRowColInfo[nRows];
  m_pColInfo = new CRowColInfo[nCols];
  for (int i = 0; i < nRows; ++i) m_pRowInfo[i] = CRowColInfo{0, 0, -1};
  for (int i = 0; i < nCols; ++i) m_pColInfo[i] = CRowColInfo{0, 0, -1};
  LPCTSTR lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW), nullptr);
  // The panes are drawn by themselves; the splitter paints only its bars and border.
  return CreateEx(0, lpszClass, nullptr, (dwStyle | WS_CHILD | WS_CLIPCHILDREN) & ~(WS_HSCROLL | WS_VSCROLL), 0, 0, 0, 0,
                  AfxHwndOf(pParentWnd), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), nullptr);
}

BOOL CSplitterWnd::CreateView(int row, int col, CRuntimeClass* pViewClass, SIZE sizeInit, CCreateContext* pContext) {
  if (!m_hWnd || row < 0 || row >= m_nRows || col < 0 || col >= m_nCols || !pViewClass) return FALSE;
  if (GetDlgItem(IdFromRowCol(row, col))) return FALSE;  // the pane exists already

  m_pColInfo[col].nIdealSize = sizeInit.cx;
  m_pRowInfo[row].nIdealSize = sizeInit.cy;

  CObject* pObject = pViewClass->CreateObject();
  CWnd* pWnd = pObject && pObject->IsKindOf(RUNTIME_CLASS(CWnd)) ? static_cast<CWnd*>(pObject) : nullptr;
  if (!pWnd) {
    delete pObject;
    return FALSE;
  }
  // Panes of a splitter have no border of their own: the splitter draws one around them all.
  DWORD dwStyle = AFX_WS_DEFAULT_VIEW & ~WS_BORDER;
  CRect rect(CPoint(0, 0), sizeInit);
  AfxForgetSelfDeleted();
  if (!pWnd->Create(nullptr, nullptr, dwStyle, rect, this, IdFromRowCol(row, col), pContext)) {
    if (!AfxWasSelfDeleted(pWnd)) delete pWnd;
    return FALSE;
  }
  return TRUE;
}

CWnd* CSplitterWnd::GetPane(int row, int col) const {
  if (row < 0 || row >= m_nRows || col < 0 || col >= m_nCols) return nullptr;
  return GetDlgItem(IdFromRowCol(row, col));
}

BOOL CSplitterWnd::IsChildPane(CWnd* pWnd, int* pRow, int* pCol) {
  if (!pWnd || !AfxHwndOf(pWnd) || ::GetParent(AfxHwndOf(pWnd)) != m_hWnd) return FALSE;
  int nID = pWnd->GetDlgCtrlID() - AFX_IDW_PANE_FIRST;
  if (nID < 0 || nID >= 16 * 16 || nID / 16 >= m_nRows || nID % 16 >= m_nCols) return FALSE;
  if (pRow) *pRow = nID / 16;
  if (pCol) *pCol = nID % 16;
  return TRUE;
}

void CSplitterWnd::SetRowInfo(int row, int cyIdeal, int cyMin) {
  if (row < 0 || row >= m_nRows || cyIdeal < 0 || cyMin < 0) return;
  m_pRowInfo[row].nIdealSize = cyIdeal;
  m_pRowInfo[row].nMinSize = cyMin;
}

void CSplitterWnd::SetColumnInfo(int col, int cxIdeal, int cxMin) {
  if (col < 0 || col >= m_nCols || cxIdeal < 0 || cxMin < 0) return;
  m_pColInfo[col].nIdealSize = cxIdeal;
  m_pColInfo[col].nMinSize = cxMin;
}

void CSplitterWnd::GetRowInfo(int row, int& cyCur, int& cyMin) const {
  if (row < 0 || row >= m_nRows) {
    cyCur = cyMin = 0;
    return;
  }
  cyCur = m_pRowInfo[row].nCurSize;
  cyMin = m_pRowInfo[row].nMinSize;
}

void CSplitterWnd::GetColumnInfo(int col, int& cxCur, int& cxMin) const {
  if (col < 0 || col >= m_nCols) {
    cxCur = cxMin = 0;
    return;
  }
  cxCur = m_pColInfo[col].nCurSize;
  cxMin = m_pColInfo[col].nMinSize;
}

void CSplitterWnd::GetInsideRect(CRect& rect) const {
  GetClientRect(&rect);
  rect.left += m_cxBorder;
  rect.top += m_cyBorder;
  rect.right -= m_cxBorder;
  rect.bottom -= m_cyBorder;
  if (rect.right < rect.left) rect.right = rect.left;
  if (rect.bottom < rect.top) rect.bottom = rect.top;
}

void PASCAL CSplitterWnd::LayoutRowCol(CRowColInfo* pInfoArray, int nMax, int nSize, int nSizeSplitter) {
  if (!pInfoArray || nMax <= 0) return;
  if (nSize < 0) nSize = 0;
  // Every entry but the last starts at its ideal size (nothing when that is below its minimum).
  for (int i = 0; i < nMax - 1; ++i) {
    if (pInfoArray[i].nIdealSize < pInfoArray[i].nMinSize) pInfoArray[i].nIdealSize = 0;
    pInfoArray[i].nCurSize = pInfoArray[i].nIdealSize;
  }
  pInfoArray[nMax - 1].nCurSize = INT_MAX;

  for (int i = 0; i < nMax; ++i) {
    CRowColInfo& info = pInfoArray[i];
    if (nSize == 0) {
      info.nCurSize = 0;  // no room left
      continue;
    }
    if (nSize < info.nMinSize && i != 0) {
      // Too small to show: the space goes to the entry before, with the splitter's room.
      info.nCurSize = 0;
      pInfoArray[i - 1].nCurSize += nSize + BORDER2;
      nSize = 0;
    } else if (info.nCurSize == 0) {
      // An entry asked to be empty stays empty.
    } else if (nSize < info.nCurSize) {
      info.nCurSize = nSize;
      nSize = 0;
    } else {
      nSize -= info.nCurSize;
    }
    if (i != nMax - 1) {
      if (nSize > nSizeSplitter) {
        nSize -= nSizeSplitter;
      } else {
        // No room for the next entry: this one takes the rest, less what a bar needs.
        info.nCurSize += nSize;
        if (info.nCurSize > nSizeSplitter - BORDER2) info.nCurSize -= nSizeSplitter - BORDER2;
        nSize = 0;
      }
    }
  }
}

void CSplitterWnd::RecalcLayout() {
  if (!m_hWnd || !m_pRowInfo || !m_pColInfo) return;
  CRect rectClient;
  GetClientRect(&rectClient);
  rectClient.left += m_cxBorder;
  rectClient.top += m_cyBorder;
  rectClient.right -= m_cxBorder;
  rectClient.bottom -= m_cyBorder;
  CRect rectInside;
  GetInsideRect(rectInside);

  LayoutRowCol(m_pColInfo, m_nCols, rectInside.Width(), m_cxSplitterGap);
  LayoutRowCol(m_pRowInfo, m_nRows, rectInside.Height(), m_cySplitterGap);

  AFX_SIZEPARENTPARAMS layout{};
  layout.hDWP = ::BeginDeferWindowPos((m_nCols + 1) * (m_nRows + 1) + 1);
  int x = rectClient.left;
  for (int col = 0; col < m_nCols; ++col) {
    int cx = m_pColInfo[col].nCurSize;
    int y = rectClient.top;
    for (int row = 0; row < m_nRows; ++row) {
      int cy = m_pRowInfo[row].nCurSize;
      CWnd* pWnd = GetPane(row, col);
      if (pWnd) {
        CRect rect(x, y, x + cx, y + cy);
        if ((pWnd->GetExStyle() & WS_EX_CLIENTEDGE) || pWnd->IsKindOf(RUNTIME_CLASS(CSplitterWnd))) {
          rect.left -= BORDER2;
          rect.top -= BORDER2;
          rect.right += BORDER2;
          rect.bottom += BORDER2;
        }
        AfxRepositionWindow(&layout, AfxHwndOf(pWnd), &rect);
      }
      y += cy + m_cySplitterGap;
    }
    x += cx + m_cxSplitterGap;
  }
  if (layout.hDWP) ::EndDeferWindowPos(layout.hDWP);
  // The bars are drawn again for the new layout.
  DrawAllSplitBars(nullptr, rectInside.right, rectInside.bottom);
}

void CSplitterWnd::DrawAllSplitBars(CDC* pDC, int cxInside, int cyInside) {
  CRect rect;
  GetClientRect(&rect);
  // Column bars run the whole height, row bars the whole width.
  rect.left = m_cxBorder;
  for (int col = 0; col < m_nCols - 1; ++col) {
    rect.left += m_pColInfo[col].nCurSize + m_cxBorderShare;
    if (rect.left > cxInside) break;
    rect.right = rect.left + m_cxSplitter;
    OnDrawSplitter(pDC, splitBar, rect);
    rect.left = rect.right + m_cxBorderShare;
  }
  GetClientRect(&rect);
  rect.top = m_cyBorder;
  for (int row = 0; row < m_nRows - 1; ++row) {
    rect.top += m_pRowInfo[row].nCurSize + m_cyBorderShare;
    if (rect.top > cyInside) break;
    rect.bottom = rect.top + m_cySplitter;
    OnDrawSplitter(pDC, splitBar, rect);
    rect.top = rect.bottom + m_cyBorderShare;
  }
}

void CSplitterWnd::OnDrawSplitter(CDC* pDC, ESplitType nType, const CRect& rectArg) {
  if (!pDC) {
    ::RedrawWindow(m_hWnd, &rectArg, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN);
    return;
  }
  CRect rect = rectArg;
  switch (nType) {
    case splitBorder:
      // A sunken edge of two lines.
      pDC->Draw3dRect(&rect, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
      rect.left += 1;
      rect.top += 1;
      rect.right -= 1;
      rect.bottom -= 1;
      pDC->Draw3dRect(&rect, ::GetSysColor(COLOR_WINDOWFRAME), ::GetSysColor(COLOR_BTNFACE));
      return;
    case splitBox:
      pDC->Draw3dRect(&rect, ::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_WINDOWFRAME));
      rect.left += 1;
      rect.top += 1;
      rect.right -= 1;
      rect.bottom -= 1;
      pDC->Draw3dRect(&rect, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNSHADOW));
      rect.left += 1;
      rect.top += 1;
      rect.right -= 1;
      rect.bottom -= 1;
      break;
    case splitBar:
    case splitIntersection:
      break;
  }
  pDC->FillSolidRect(&rect, ::GetSysColor(COLOR_BTNFACE));
}

void CSplitterWnd::OnPaint() {
  CPaintDC dc(this);
  CRect rectClient;
  GetClientRect(&rectClient);
  CRect rectInside;
  GetInsideRect(rectInside);
  DrawAllSplitBars(&dc, rectInside.right, rectInside.bottom);
  // Where a column bar crosses a row bar.
  int x = m_cxBorder;
  for (int col = 0; col < m_nCols - 1; ++col) {
    x += m_pColInfo[col].nCurSize + m_cxBorderShare;
    if (x > rectInside.right) break;
    int y = m_cyBorder;
    for (int row = 0; row < m_nRows - 1; ++row) {
      y += m_pRowInfo[row].nCurSize + m_cyBorderShare;
      if (y > rectInside.bottom) break;
      OnDrawSplitter(&dc, splitIntersection, CRect(x, y, x + m_cxSplitter, y + m_cySplitter));
      y += m_cySplitter + m_cyBorderShare;
    }
    x += m_cxSplitter + m_cxBorderShare;
  }
  OnDrawSplitter(&dc, splitBorder, rectClient);
}

void CSplitterWnd::OnSize(UINT nType, int cx, int cy) {
  if (nType != SIZE_MINIMIZED && cx > 0 && cy > 0) RecalcLayout();
  CWnd::OnSize(nType, cx, cy);
}

BOOL CSplitterWnd::OnEraseBkgnd(CDC*) {
  // OnPaint covers everything the panes leave.
  return TRUE;
}

BOOL CSplitterWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (CWnd::OnCommand(wParam, lParam)) return TRUE;
  // Commands of the panes' controls that reach the splitter go on to the frame.
  CFrameWnd* pFrame = AfxGetParentFrame(this);
  return pFrame ? static_cast<BOOL>(pFrame->SendMessage(WM_COMMAND, wParam, lParam)) : FALSE;
}

BOOL CSplitterWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (CWnd::OnNotify(wParam, lParam, pResult)) return TRUE;
  CFrameWnd* pFrame = AfxGetParentFrame(this);
  if (!pFrame) return FALSE;
  *pResult = pFrame->SendMessage(WM_NOTIFY, wParam, lParam);
  return TRUE;
}
