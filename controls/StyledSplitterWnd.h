// The splitter of the game's main frame: a static splitter (no scroll bars, no split boxes)
// with thin bars drawn in one of five styles, among them bars tiled with skin pictures. The
// size rule and the drawing of the styles are in SplitterBarStyle.
#pragma once

#include "controls/SplitterBarStyle.h"
#include "platform/mfc/SplitterWnd.h"

class CStyledSplitterWnd : public CSplitterWnd {
 public:
  CStyledSplitterWnd();
  ~CStyledSplitterWnd() override;

  void SetBarStyle(int style) { m_barStyle = style; }
  // The pictures stay the skin library's: the splitter does not delete them.
  void SetBarBitmaps(HBITMAP verticalBar, HBITMAP horizontalBar) {
    m_verticalBar = verticalBar;
    m_horizontalBar = horizontalBar;
  }

  void RecalcLayout() override;
  void OnDrawSplitter(CDC* pDC, ESplitType nType, const CRect& rect) override;

  int m_barStyle;
  COLORREF m_color;
  HBITMAP m_verticalBar;
  HBITMAP m_horizontalBar;
  HBITMAP m_gripper;
};
