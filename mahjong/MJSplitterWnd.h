// The splitter of the pane column beside the table. With the bank bar shown (five rows), the bar
// between the bank bar and the chat pane answers no hit test, so that it cannot be taken for a
// handle; every other point gets the styled splitter's behaviour.
#pragma once

#include "controls/StyledSplitterWnd.h"

class CMJSplitterWnd : public CStyledSplitterWnd {
  DECLARE_DYNAMIC(CMJSplitterWnd)

 public:
  CMJSplitterWnd() = default;
  // The hit test of a point in screen coordinates.
  LRESULT HitTestPoint(CPoint screenPoint);

 protected:
  afx_msg UINT OnNcHitTest(CPoint point);
  DECLARE_MESSAGE_MAP()
};
