#include "controls/SlideNotifier.h"

#include "platform/mfc/DC.h"
#include "platform/user/User.h"

int CSlideNotifier::s_openCount = 0;
BOOL CSlideNotifier::s_showHalfPending = TRUE;
BOOL CSlideNotifier::s_hideTwoThirdsPending = TRUE;
BOOL CSlideNotifier::s_hideHalfPending = TRUE;

BEGIN_MESSAGE_MAP(CSlideNotifier, CDialog)
  ON_WM_TIMER()
  ON_WM_PAINT()
  ON_WM_ERASEBKGND()
  ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CSlideNotifier::CSlideNotifier()
    : m_endColor(0xFFFFFF),
      m_gradientColor(0),
      m_rect{0, 0, 0, 0},
      m_workArea{0, 0, 0, 0},
      m_width(240),
      m_height(120),
      m_holdTime(3000),
      m_direction(1),
      m_creating(FALSE) {
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &m_workArea, 0);
  m_leftEdge = m_workArea.right - s_openCount * 10 - 250;
}

CSlideNotifier::~CSlideNotifier() = default;

BOOL CSlideNotifier::Show(UINT nIDTemplate, HWND keepForeground, CWnd* /*pParentWnd*/) {
  m_rect.bottom = m_rect.top = m_workArea.bottom;
  m_rect.left = m_leftEdge;
  m_rect.right = m_leftEdge + m_width;

  m_background.m_orientation = CGradient::TOP_TO_BOTTOM;
  m_background.SetColors(3, m_gradientColor, m_gradientColor, m_endColor);

  m_creating = TRUE;
  BOOL created = Create(nIDTemplate, CWnd::FromHandle(GetDesktopWindow()));
  if (!created || !GetSafeHwnd()) {
    // Nothing will ever destroy a window that was not made, so the count is left alone and the
    // object, which owns itself, goes now. A window left half made is destroyed while the
    // object is still marked as being created, so that its clean-up leaves the object to us.
    if (GetSafeHwnd()) DestroyWindow();
    delete this;
    return FALSE;
  }
  m_creating = FALSE;
  if (keepForeground && IsWindow(keepForeground)) SetForegroundWindow(keepForeground);
  SetTimer(TIMER_SLIDE, SLIDE_PERIOD, nullptr);
  ++s_openCount;
  return TRUE;
}

void CSlideNotifier::StartHide() {
  KillTimer(TIMER_HOLD);
  SetTimer(TIMER_SLIDE, SLIDE_PERIOD, nullptr);
  m_direction = 0;
}

BOOL CSlideNotifier::OnInitDialog() {
  CDialog::OnInitDialog();
  return TRUE;
}

void CSlideNotifier::PostNcDestroy() {
  if (m_creating) return;  // Show deletes an object whose window did not come to be
  --s_openCount;
  delete this;
}

void CSlideNotifier::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == TIMER_HOLD) {
    KillTimer(TIMER_HOLD);
    SetTimer(TIMER_SLIDE, SLIDE_PERIOD, nullptr);
    m_direction = 0;
    return;
  }
  if (nIDEvent != TIMER_SLIDE) {
    CDialog::OnTimer(nIDEvent);
    return;
  }
  if (m_direction == 1) {
    m_rect.top -= SLIDE_STEP;
    if (m_rect.top <= m_rect.bottom - m_height) {
      m_rect.top = m_rect.bottom - m_height;
      MoveWindow(m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, TRUE);
      KillTimer(TIMER_SLIDE);
      SetTimer(TIMER_HOLD, static_cast<UINT>(m_holdTime), nullptr);
      OnShowFull();
      return;
    }
    if (s_showHalfPending && m_rect.bottom - m_rect.top >= m_height / 2) {
      s_showHalfPending = FALSE;
      OnShowHalf();
    }
  } else {
    m_rect.top += SLIDE_STEP;
    if (m_rect.top >= m_rect.bottom) {
      KillTimer(TIMER_SLIDE);
      DestroyWindow();  // PostNcDestroy deletes the object
      return;
    }
    int visible = m_rect.bottom - m_rect.top;
    if (s_hideTwoThirdsPending && visible <= (2 * m_height) / 3) {
      s_hideTwoThirdsPending = FALSE;
      OnHideTwoThirds();
    }
    if (s_hideHalfPending && visible <= m_height / 2) {
      s_hideHalfPending = FALSE;
      OnHideHalf();
    }
  }
  MoveWindow(m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, TRUE);
  ShowWindow(SW_SHOWNOACTIVATE);
  CDialog::OnTimer(nIDEvent);
}

void CSlideNotifier::DrawBackground(HDC dc) {
  RECT area{0, 0, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top};
  m_background.Draw(dc, area, 0, -1, 0);
}

void CSlideNotifier::OnPaint() {
  CPaintDC dc(this);
  DrawBackground(dc.GetSafeHdc());
}

BOOL CSlideNotifier::OnEraseBkgnd(CDC* pDC) {
  if (pDC) DrawBackground(pDC->GetSafeHdc());
  return TRUE;
}

HBRUSH CSlideNotifier::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
  if (nCtlColor == CTLCOLOR_STATIC) {
    // Labels show the gradient through.
    if (pDC) pDC->SetBkMode(TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  }
  return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}
