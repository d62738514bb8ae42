// A modeless pop-up that rises out of the bottom of the desktop work area, stays for a while
// and sinks back, destroying and deleting itself at the end. A base class: derived pop-ups bring
// their own dialog template and controls and end the showing early with StartHide. The
// background is a vertical gradient.
#pragma once

#include "controls/Gradient.h"
#include "platform/mfc/Dialog.h"

class CSlideNotifier : public CDialog {
 public:
  enum { TIMER_SLIDE = 10, TIMER_HOLD = 100 };
  static constexpr UINT SLIDE_PERIOD = 20;  // ms per 5-pixel step
  static constexpr int SLIDE_STEP = 5;

  // Always made on the heap: once shown, the notifier owns itself.
  CSlideNotifier();
  ~CSlideNotifier() override;

  void SetSize(int width, int height) { m_width = width; m_height = height; }
  void SetLeft(int x) { m_leftEdge = x; }
  // Moves the bottom line the window rises from up by n pixels.
  void OffsetBottom(int n) { m_workArea.bottom -= n; }
  void SetHoldSeconds(int seconds) { m_holdTime = seconds * 1000; }
  void SetGradientColor(COLORREF color) { m_gradientColor = color; }
  void SetEndColor(COLORREF color) { m_endColor = color; }

  // Creates the dialog from the template with the desktop as its parent, gives the foreground
  // back to `keepForeground` and starts rising. The third argument is not used. When the dialog
  // cannot be created, the object deletes itself at once and FALSE is returned: the caller must
  // not touch it after a failed Show, just as after a finished showing.
  BOOL Show(UINT nIDTemplate, HWND keepForeground, CWnd* pParentWnd);
  // Starts sinking now, from wherever the window is.
  void StartHide();

  BOOL OnInitDialog() override;

  // How many notifiers are shown and not yet destroyed; it shifts the default left edge of the
  // ones constructed later.
  static int GetOpenCount() { return s_openCount; }

  // The window's current rectangle in screen coordinates (top moves while sliding).
  const RECT& GetCurrentRect() const { return m_rect; }
  int GetDirection() const { return m_direction; }

 protected:
  void PostNcDestroy() override;

  // Stage hooks, empty here. The three conditional ones fire at most once per process run, for
  // whichever notifier reaches the stage first; OnShowFull fires for every notifier.
  virtual void OnHideTwoThirds() {}
  virtual void OnShowHalf() {}
  virtual void OnShowFull() {}
  virtual void OnHideHalf() {}

  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg void OnPaint();
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  DECLARE_MESSAGE_MAP()

  void DrawBackground(HDC dc);

  COLORREF m_endColor;
  COLORREF m_gradientColor;
  RECT m_rect;
  RECT m_workArea;
  int m_leftEdge;
  int m_width;
  int m_height;
  int m_holdTime;
  int m_direction;
  CGradient m_background;

  // Set while Show creates the window: a window destroyed during its own creation leaves the
  // object to Show, which counts nothing and deletes it.
  BOOL m_creating;

  static int s_openCount;
  static BOOL s_showHalfPending;
  static BOOL s_hideTwoThirdsPending;
  static BOOL s_hideHalfPending;
};
