// CSplitterWnd: a static splitter, a grid of panes (views or further splitters) separated by
// bars, laid out on every size change.
//
// Metrics (protected, so that derived splitters set their own in the constructor): the bar
// thickness m_cxSplitter/m_cySplitter, the gap between panes m_cxSplitterGap/m_cySplitterGap,
// the border share m_cxBorderShare/m_cyBorderShare and the client border m_cxBorder/m_cyBorder.
//
// Layout (RecalcLayout): the client rectangle inset by the border is shared between the columns
// and the rows by LayoutRowCol, each entry starting from its ideal size (0 when below its
// minimum), the last taking what remains; all panes move in one deferred batch, a pane with a
// client edge (or a splitter) enlarged by the border so that its edge covers the splitter's.
//
// Drawing: OnPaint calls OnDrawSplitter for every bar (splitBar), every crossing of bars
// (splitIntersection) and the outer border (splitBorder); with a null DC OnDrawSplitter only
// invalidates the part (RecalcLayout does that for every bar). Split boxes (splitBox) belong to
// splitters with scroll bars, which this layer does not make. The bars of a static splitter stay
// where the layout puts them: there is no dragging.
#pragma once

#include "platform/mfc/DC.h"
#include "platform/mfc/FrameWnd.h"
#include "platform/mfc/Wnd.h"

class CSplitterWnd : public CWnd {
  DECLARE_DYNAMIC(CSplitterWnd)

 public:
  CSplitterWnd();
  ~CSplitterWnd() override;

  // A grid of nRows x nCols (each 1 to 16) panes to be made with CreateView; FALSE for a bad
  // grid or a missing parent.
  BOOL CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle = WS_CHILD | WS_VISIBLE,
                    UINT nID = AFX_IDW_PANE_FIRST);
  // Makes the pane (row, col) from its run-time class with the initial (ideal) size sizeInit.
  virtual BOOL CreateView(int row, int col, CRuntimeClass* pViewClass, SIZE sizeInit, CCreateContext* pContext);
  virtual void RecalcLayout();

  enum ESplitType { splitBox = 0, splitBar = 1, splitIntersection = 2, splitBorder = 3 };
  virtual void OnDrawSplitter(CDC* pDC, ESplitType nType, const CRect& rect);

  int GetRowCount() const { return m_nRows; }
  int GetColumnCount() const { return m_nCols; }
  // The pane of (row, col), or null when the grid has no such pane.
  CWnd* GetPane(int row, int col) const;
  int IdFromRowCol(int row, int col) const { return AFX_IDW_PANE_FIRST + row * 16 + col; }
  BOOL IsChildPane(CWnd* pWnd, int* pRow, int* pCol);
  void SetRowInfo(int row, int cyIdeal, int cyMin);
  void SetColumnInfo(int col, int cxIdeal, int cxMin);
  void GetRowInfo(int row, int& cyCur, int& cyMin) const;
  void GetColumnInfo(int col, int& cxCur, int& cxMin) const;
  // The client rectangle inside the border (and the scroll bars, which static splitters lack).
  void GetInsideRect(CRect& rect) const;

  struct CRowColInfo {
    int nMinSize;    // below this the row or column is not shown
    int nIdealSize;  // the size asked for
    int nCurSize;    // the size of the last layout
  };

 protected:
  // Shares nSize between nMax entries with splitters of nSizeSplitter between them (see above).
  static void PASCAL LayoutRowCol(CRowColInfo* pInfoArray, int nMax, int nSize, int nSizeSplitter);
  // Calls OnDrawSplitter for every bar with pDC (null: invalidate them).
  void DrawAllSplitBars(CDC* pDC, int cxInside, int cyInside);
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

  afx_msg void OnPaint();
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  DECLARE_MESSAGE_MAP()

  int m_nMaxRows = 0;
  int m_nMaxCols = 0;
  int m_nRows = 0;
  int m_nCols = 0;
  BOOL m_bHasHScroll = FALSE;
  BOOL m_bHasVScroll = FALSE;
  CRowColInfo* m_pColInfo = nullptr;
  CRowColInfo* m_pRowInfo = nullptr;
  CRuntimeClass* m_pDynamicViewClass = nullptr;

  int m_cxSplitter = 7;
  int m_cySplitter = 7;
  int m_cxBorderShare = 0;
  int m_cyBorderShare = 0;
  int m_cxSplitterGap = 7;
  int m_cySplitterGap = 7;
  int m_cxBorder = 2;
  int m_cyBorder = 2;
};
