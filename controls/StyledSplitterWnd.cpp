#include "controls/StyledSplitterWnd.h"

#include "platform/mfc/DC.h"
#include "platform/user/User.h"

CStyledSplitterWnd::CStyledSplitterWnd()
    : m_barStyle(0), m_color(GetSysColor(COLOR_BTNSHADOW)), m_verticalBar(nullptr), m_horizontalBar(nullptr),
      m_gripper(nullptr) {
  m_cxSplitter = m_cySplitter = 5;
  m_cxSplitterGap = m_cySplitterGap = 5;
  m_cxBorderShare = m_cyBorderShare = 0;
  m_cxBorder = m_cyBorder = 1;
}

CStyledSplitterWnd::~CStyledSplitterWnd() = default;

void CStyledSplitterWnd::OnDrawSplitter(CDC* pDC, ESplitType nType, const CRect& rect) {
  SplitterBaseDraw plan = SplitterBarStyle::PlanPart(m_barStyle, static_cast<int>(nType), pDC != nullptr);
  if (plan == SPLIT_DRAW_NOTHING) return;
  if (plan == SPLIT_DRAW_BASE_ONLY || plan == SPLIT_DRAW_BASE_THEN_OWN) CSplitterWnd::OnDrawSplitter(pDC, nType, rect);
  if (plan == SPLIT_DRAW_BASE_ONLY || !pDC) return;
  SplitterBarLook look;
  look.style = m_barStyle;
  look.color = m_color;
  look.verticalBar = m_verticalBar;
  look.horizontalBar = m_horizontalBar;
  look.gripper = m_gripper;
  SplitterBarStyle::PaintPart(pDC->GetSafeHdc(), look, static_cast<int>(nType), rect);
}

void CStyledSplitterWnd::RecalcLayout() {
  CRect client;
  GetClientRect(&client);
  client.InflateRect(-m_cxBorder, -m_cyBorder);
  CRect inside;
  GetInsideRect(inside);

  SplitterBarStyle::LayoutRowCol(m_pColInfo, m_nCols, inside.Width(), m_cxSplitterGap);
  SplitterBarStyle::LayoutRowCol(m_pRowInfo, m_nRows, inside.Height(), m_cySplitterGap);

  HDWP batch = BeginDeferWindowPos(m_nCols * m_nRows);
  int x = client.left;
  for (int col = 0; col < m_nCols; ++col) {
    int cx = m_pColInfo[col].nCurSize;
    int y = client.top;
    for (int row = 0; row < m_nRows; ++row) {
      int cy = m_pRowInfo[row].nCurSize;
      CWnd* pane = GetPane(row, col);
      if (pane && pane->GetSafeHwnd()) {
        CRect wanted(x, y, x + cx, y + cy);
        // Panes with a sunken edge, and nested splitters, reach one pixel under the bars so
        // that their own edges line up with the bars.
        if ((pane->GetExStyle() & WS_EX_CLIENTEDGE) || pane->IsKindOf(RUNTIME_CLASS(CSplitterWnd))) {
          wanted.InflateRect(1, 1);
        }
        CRect now;
        pane->GetWindowRect(&now);
        ScreenToClient(&now);
        if (now != wanted && batch) {
          batch = DeferWindowPos(batch, pane->GetSafeHwnd(), nullptr, wanted.left, wanted.top, wanted.Width(),
                                 wanted.Height(), SWP_NOACTIVATE | SWP_NOZORDER);
        }
      }
      y += cy + m_cySplitterGap;
    }
    x += cx + m_cxSplitterGap;
  }
  if (batch) EndDeferWindowPos(batch);

  DrawAllSplitBars(nullptr, client.right, client.bottom);
}
