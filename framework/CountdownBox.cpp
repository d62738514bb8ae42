#include "framework/CountdownBox.h"

#include "framework/GameApp.h"
#include "framework/SharedHelpers.h"
#include "platform/gdi/Text.h"
#include "platform/mfc/DC.h"

BEGIN_MESSAGE_MAP(CCountdownBox, CDialog)
  ON_WM_TIMER()
  ON_WM_CTLCOLOR()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CCountdownBox::CCountdownBox(CWnd* parent) : CDialog(TIMED_BOX_TEMPLATE, parent) {}

BOOL CCountdownBox::OnInitDialog() {
  CDialog::OnInitDialog();
  CGameApp* app = GetGameApp();
  if (app != nullptr) SetWindowText(app->GetGameName());

  LPCSTR icon = nullptr;
  switch (m_style) {
    case 0:
    case 65:
      icon = IDI_ASTERISK;
      break;
    case 16:
      icon = IDI_HAND;
      break;
    case 48:
      icon = IDI_EXCLAMATION;
      break;
    case 33:
      icon = IDI_QUESTION;
      break;
    default:
      break;
  }
  if (IsOkOnlyStyle(m_style)) {
    if (CWnd* cancel = GetDlgItem(IDCANCEL)) cancel->EnableWindow(FALSE);
  }
  if (icon != nullptr) {
    HICON handle = LoadIconA(nullptr, icon);
    ::SendMessageA(::GetDlgItem(m_hWnd, TIMED_BOX_ICON), STM_SETICON, reinterpret_cast<WPARAM>(handle), 0);
  }

  SetDlgItemText(TIMED_BOX_MESSAGE, m_message);
  if (!m_okLabel.IsEmpty()) SetDlgItemText(IDOK, m_okLabel);
  if (!m_cancelLabel.IsEmpty()) SetDlgItemText(IDCANCEL, m_cancelLabel);

  if (m_seconds <= 0) m_seconds = TIMED_BOX_DEFAULT_SECONDS;
  m_timer = SetTimer(TIMED_BOX_TIMER, 1000, nullptr);
  SetDlgItemText(TIMED_BOX_SECONDS, IntToString(m_seconds));

  Layout();
  if (m_focusOk) {
    if (CWnd* ok = GetDlgItem(IDOK)) ok->SetFocus();
  }
  PlayResourceSound(TIMED_BOX_SOUND);
  // The template places the box at its owner's top-left corner; it is centred over the main
  // window (the modeless box) or over its owner instead.
  CenterWindow(CentreOnMainWindow() ? AfxGetMainWnd() : nullptr);
  return TRUE;
}

void CCountdownBox::Layout() {
  if (m_extraHeight == 0 && m_extraWidth == 0) {
    CWnd* message = GetDlgItem(TIMED_BOX_MESSAGE);
    if (message != nullptr) {
      CRect control;
      message->GetClientRect(&control);
      CRect measured(0, 0, control.Width(), 0);
      CClientDC dc(message);
      HFONT font = reinterpret_cast<HFONT>(message->SendMessage(WM_GETFONT));
      HGDIOBJ old = font != nullptr ? ::SelectObject(dc.GetSafeHdc(), font) : nullptr;
      dc.DrawText(m_message, m_message.GetLength(), &measured, DT_CALCRECT | DT_WORDBREAK);
      if (old != nullptr) ::SelectObject(dc.GetSafeHdc(), old);
      if (measured.Height() > control.Height()) m_extraHeight = measured.Height() - control.Height();
    }
  }
  Grow(m_extraHeight, m_extraWidth);
  if (m_okOnly) {
    CWnd* cancel = GetDlgItem(IDCANCEL);
    CWnd* ok = GetDlgItem(IDOK);
    if (cancel != nullptr) cancel->ShowWindow(SW_HIDE);
    if (ok != nullptr) {
      CRect window;
      GetWindowRect(&window);
      CRect button;
      ok->GetWindowRect(&button);
      ScreenToClient(&button);
      ok->MoveWindow((window.Width() - button.Width()) / 2, button.top, button.Width(), button.Height());
    }
  }
}

void CCountdownBox::Grow(int height, int width) {
  if (height == 0 && width == 0) return;
  CRect window;
  GetWindowRect(&window);
  MoveWindow(window.left, window.top, window.Width() + width, window.Height() + height);
  auto shift = [this](int id, int dx, int dy, int dw, int dh) {
    CWnd* control = GetDlgItem(id);
    if (control == nullptr) return;
    CRect r;
    control->GetWindowRect(&r);
    ScreenToClient(&r);
    control->MoveWindow(r.left + dx, r.top + dy, r.Width() + dw, r.Height() + dh);
  };
  shift(IDOK, width, height, 0, 0);
  shift(IDCANCEL, width, height, 0, 0);
  shift(TIMED_BOX_SECONDS, width, height, 0, 0);
  shift(TIMED_BOX_MESSAGE, 0, 0, width, height);
}

void CCountdownBox::Tick() {
  --m_seconds;
  if (m_seconds > 0) {
    SetDlgItemText(TIMED_BOX_SECONDS, IntToString(m_seconds));
    return;
  }
  CWnd* cancel = GetDlgItem(IDCANCEL);
  if (cancel != nullptr && cancel->IsWindowEnabled()) {
    SendMessage(WM_COMMAND, IDCANCEL, 0);
  } else {
    SendMessage(WM_COMMAND, IDOK, 0);
  }
}

void CCountdownBox::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == TIMED_BOX_TIMER) {
    Tick();
    return;
  }
  CDialog::OnTimer(nIDEvent);
}

BOOL CCountdownBox::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_SPACE) &&
      (pMsg->hwnd == m_hWnd || ::IsChild(m_hWnd, pMsg->hwnd))) {
    SendMessage(WM_COMMAND, IDOK, 0);
    return TRUE;
  }
  return CDialog::PreTranslateMessage(pMsg);
}

void CCountdownBox::OnCancel() {
  // A box that offers OK only cannot be cancelled, not even from its caption.
  CWnd* cancel = GetDlgItem(IDCANCEL);
  if (cancel != nullptr && !cancel->IsWindowEnabled()) return;
  CDialog::OnCancel();
}

HBRUSH CCountdownBox::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
  HBRUSH brush = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
  if (pWnd != nullptr && pWnd->GetDlgCtrlID() == TIMED_BOX_MESSAGE) pDC->SetTextColor(m_textColor);
  return brush;
}

void CCountdownBox::OnDestroy() {
  if (m_timer != 0) {
    KillTimer(TIMED_BOX_TIMER);
    m_timer = 0;
  }
  CDialog::OnDestroy();
}
