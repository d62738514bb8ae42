#include "controls/ImageButton.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "platform/mfc/WinApp.h"
#include "platform/user/Dialog.h"
#include "platform/user/Resources.h"

BEGIN_MESSAGE_MAP(CImageButton, CButton)
  ON_WM_MOUSEMOVE()
  ON_WM_MOUSELEAVE()
  ON_WM_KILLFOCUS()
  ON_WM_CANCELMODE()
  ON_WM_ACTIVATE()
  ON_WM_ENABLE()
  ON_WM_GETDLGCODE()
  ON_WM_SYSCOLORCHANGE()
  ON_WM_CTLCOLOR_REFLECT()
  ON_MESSAGE(BM_SETSTYLE, OnSetStyle)
  ON_MESSAGE(BM_SETCHECK, OnSetCheck)
  ON_MESSAGE(BM_GETCHECK, OnGetCheck)
  ON_CONTROL_REFLECT_EX(BN_CLICKED, OnClicked)
END_MESSAGE_MAP()

namespace {
constexpr UINT OWNERDRAW_TYPE = 0x0B;  // BS_OWNERDRAW in the low five bits of the style
constexpr int ICON_MARGIN = 3;
}  // namespace

CImageButton::CImageButton() { SetDefaultColors(FALSE); }

CImageButton::~CImageButton() {
  DropSnapshot();
  ReleaseIcons();
  if (m_toolTip.GetSafeHwnd() != nullptr) m_toolTip.DestroyWindow();
}

void CImageButton::ReleaseIcons() {
  for (ImageButtonIcon& icon : m_icons) {
    if (icon.hIcon != nullptr) ::DestroyIcon(icon.hIcon);
    icon = ImageButtonIcon{};
  }
}

void CImageButton::DropSnapshot() {
  if (m_snapshotDC.GetSafeHdc() != nullptr && m_pSnapshotOld != nullptr) m_snapshotDC.SelectObject(m_pSnapshotOld);
  m_pSnapshotOld = nullptr;
  m_snapshotBitmap.DeleteObject();
  if (m_snapshotDC.GetSafeHdc() != nullptr) m_snapshotDC.DeleteDC();
}

int CImageButton::SetIcon(int mainIconId, int idleIconId) {
  HICON main = static_cast<HICON>(::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(mainIconId), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
  HICON idle = nullptr;
  if (idleIconId != 0) {
    idle = static_cast<HICON>(::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(idleIconId), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
  }
  return SetIconHandles(main, idle);
}

int CImageButton::SetIconHandles(HICON mainIcon, HICON idleIcon) {
  ReleaseIcons();
  HICON icons[2] = {mainIcon, idleIcon};
  for (int i = 0; i < 2; ++i) {
    if (icons[i] == nullptr) continue;
    ICONINFO info{};
    if (!::GetIconInfo(icons[i], &info)) {
      // Neither icon is kept: the button holds both or none.
      m_icons[i].hIcon = icons[i];
      if (i == 0 && idleIcon != nullptr) m_icons[1].hIcon = idleIcon;
      ReleaseIcons();
      return 1;
    }
    m_icons[i].hIcon = icons[i];
    m_icons[i].width = static_cast<int>(info.xHotspot) * 2;
    m_icons[i].height = static_cast<int>(info.yHotspot) * 2;
    if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
  }
  if (m_hWnd != nullptr) Invalidate();
  return 0;
}

int CImageButton::SetColor(int index, COLORREF color, BOOL repaint) {
  if (index < 0 || index >= BTNCOLOR_COUNT) return 3;
  m_colors[index] = color;
  if (repaint && m_hWnd != nullptr) Invalidate();
  return 0;
}

int CImageButton::OffsetColor(int index, short offset, BOOL repaint) {
  if (index < 0 || index >= BTNCOLOR_COUNT) return 3;
  if (offset < -255 || offset > 255) return 5;
  COLORREF c = m_colors[index];
  int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  int h = offset;
  if (offset > 0) {
    h = std::min({static_cast<int>(offset), 255 - r, 255 - g, 255 - b});
  } else if (offset < 0) {
    h = std::max({static_cast<int>(offset), -r, -g, -b});
  }
  m_colors[index] = RGB(r + h, g + h, b + h);
  if (repaint && m_hWnd != nullptr) Invalidate();
  return 0;
}

int CImageButton::SetDefaultColors(BOOL repaint) {
  for (int i = 0; i < BTNCOLOR_COUNT; i += 2) {
    m_colors[i] = ::GetSysColor(COLOR_BTNFACE);
    m_colors[i + 1] = ::GetSysColor(COLOR_BTNTEXT);
  }
  if (repaint && m_hWnd != nullptr) Invalidate();
  return 0;
}

void CImageButton::InitToolTip() {
  if (m_toolTip.GetSafeHwnd() != nullptr || m_hWnd == nullptr) return;
  m_toolTip.Create(this, 0);
  m_toolTip.Activate(FALSE);
  m_toolTip.SetMaxTipWidth(400);
}

int CImageButton::SetTooltipText(LPCTSTR text, BOOL activate) {
  if (text == nullptr) return 0;
  InitToolTip();
  if (m_toolTip.GetSafeHwnd() == nullptr) return 0;
  if (m_toolTip.GetToolCount() == 0) {
    CRect client;
    GetClientRect(&client);
    m_toolTip.AddTool(this, text, &client, 1);
  }
  m_toolTip.UpdateTipText(text, this, 1);
  m_toolTip.Activate(activate);
  return 0;
}

int CImageButton::ResetBackground(BOOL repaint) {
  m_drawOverParent = TRUE;
  DropSnapshot();
  if (repaint && m_hWnd != nullptr) Invalidate();
  return 0;
}

int CImageButton::SetCheck(int check, BOOL repaint) {
  if (m_checkBox) {
    m_check = check != 0 ? 1 : 0;
    if (repaint && m_hWnd != nullptr) Invalidate();
  }
  return 0;
}

void CImageButton::PreSubclassWindow() {
  DWORD style = GetStyle();
  if (style & 0x02) m_checkBox = TRUE;
  if ((style & 0x1F) == BS_DEFPUSHBUTTON) m_defaultButton = TRUE;
  ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>((style & ~0x1FUL) | OWNERDRAW_TYPE));
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  CButton::PreSubclassWindow();
}

BOOL CImageButton::PreTranslateMessage(MSG* pMsg) {
  InitToolTip();
  if (m_toolTip.GetSafeHwnd() != nullptr) m_toolTip.RelayEvent(pMsg);
  // A double click acts as a second click.
  if (pMsg->message == WM_LBUTTONDBLCLK) pMsg->message = WM_LBUTTONDOWN;
  return CButton::PreTranslateMessage(pMsg);
}

void CImageButton::CancelHover() {
  if (m_hover) {
    m_hover = FALSE;
    Invalidate();
  }
}

void CImageButton::OnMouseMove(UINT nFlags, CPoint point) {
  CButton::OnMouseMove(nFlags, point);
  if ((nFlags & MK_LBUTTON) && !m_hover) return;
  CPoint screen = point;
  ClientToScreen(&screen);
  if (::WindowFromPoint(screen) == m_hWnd) {
    if (!m_hover) {
      m_hover = TRUE;
      Invalidate();
      TRACKMOUSEEVENT track{};
      track.cbSize = sizeof(track);
      track.dwFlags = TME_LEAVE;
      track.hwndTrack = m_hWnd;
      ::TrackMouseEvent(&track);
    }
  } else {
    CancelHover();
  }
}

void CImageButton::OnMouseLeave() { CancelHover(); }

void CImageButton::OnKillFocus(CWnd* pNewWnd) {
  CButton::OnKillFocus(pNewWnd);
  CancelHover();
}

void CImageButton::OnCancelMode() {
  CButton::OnCancelMode();
  CancelHover();
}

void CImageButton::OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized) {
  CButton::OnActivate(nState, pWndOther, bMinimized);
  if (nState == WA_INACTIVE) CancelHover();
}

void CImageButton::OnEnable(BOOL bEnable) {
  CButton::OnEnable(bEnable);
  if (!bEnable) {
    CWnd* parent = GetParent();
    if (parent != nullptr) {
      HWND next = ::GetNextDlgTabItem(parent->GetSafeHwnd(), m_hWnd, FALSE);
      if (next != nullptr && next != m_hWnd) {
        ::SetFocus(next);
      } else {
        parent->SetFocus();
      }
    }
    CancelHover();
  }
}

UINT CImageButton::OnGetDlgCode() {
  UINT code = static_cast<UINT>(Default());
  code |= m_defaultButton ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON;
  return code;
}

void CImageButton::OnSysColorChange() {
  CButton::OnSysColorChange();
  DropSnapshot();
  SetDefaultColors(TRUE);
}

HBRUSH CImageButton::CtlColor(CDC* pDC, UINT nCtlColor) {
  (void)pDC;
  (void)nCtlColor;
  return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

LRESULT CImageButton::OnSetStyle(WPARAM wParam, LPARAM lParam) {
  UINT type = static_cast<UINT>(wParam) & 0x1F;
  if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) m_defaultButton = type == BS_DEFPUSHBUTTON;
  WPARAM style = (wParam & ~static_cast<WPARAM>(0x14)) | OWNERDRAW_TYPE;
  return DefWindowProc(BM_SETSTYLE, style, lParam);
}

LRESULT CImageButton::OnSetCheck(WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  SetCheck(wParam == 1 || wParam == 2 ? 1 : 0, TRUE);
  return 0;
}

LRESULT CImageButton::OnGetCheck(WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  (void)lParam;
  return GetCheck();
}

BOOL CImageButton::OnClicked() {
  SetFocus();
  if (m_checkBox) {
    m_check = m_check ? 0 : 1;
    Invalidate();
  }
  // The parent still receives the click as its command.
  return FALSE;
}

void CImageButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
  CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
  UINT state = lpDrawItemStruct->itemState;
  m_pressed = m_checkBox ? ((state & ODS_SELECTED) != 0 || m_check != 0) : (state & ODS_SELECTED) != 0;
  m_focused = (state & ODS_FOCUS) != 0;
  m_disabled = (state & ODS_DISABLED) != 0;
  pDC->SetBkMode(TRANSPARENT);
  RECT item = lpDrawItemStruct->rcItem;
  if (m_drawOverParent) {
    PaintParentBackground(pDC);
  } else {
    DrawBackground(pDC, item);
  }
  if (m_pressed || m_hover) DrawBorderHook(pDC, item);
  CString caption;
  GetWindowText(caption);
  RECT captionRect = item;
  BOOL hasCaption = !caption.IsEmpty();
  if (m_icons[0].hIcon != nullptr) DrawIcon(pDC, hasCaption, item, &captionRect, m_pressed, m_disabled);
  if (hasCaption) DrawText(pDC, caption, item, &captionRect, m_pressed, m_disabled);
}

int CImageButton::DrawBackground(CDC* pDC, const RECT& rect) {
  COLORREF color = m_colors[BTNCOLOR_BK_NORMAL];
  if (m_hover || m_pressed) {
    color = m_colors[BTNCOLOR_BK_ACTIVE];
  } else if (m_focused) {
    color = m_colors[BTNCOLOR_BK_FOCUS];
  }
  pDC->FillSolidRect(&rect, color);
  return 0;
}

int CImageButton::DrawBorderHook(CDC* pDC, const RECT& rect) {
  (void)pDC;
  (void)rect;
  return 0;
}

void CImageButton::PaintParentBackground(CDC* pDC) {
  CRect client;
  GetClientRect(&client);
  CWnd* parent = GetParent();
  if (m_snapshotDC.GetSafeHdc() == nullptr && parent != nullptr) {
    CClientDC parentDC(parent);
    CRect window;
    GetWindowRect(&window);
    parent->ScreenToClient(&window);
    m_snapshotDC.CreateCompatibleDC(&parentDC);
    m_snapshotBitmap.CreateCompatibleBitmap(&parentDC, client.Width(), client.Height());
    m_pSnapshotOld = m_snapshotDC.SelectObject(&m_snapshotBitmap);
    m_snapshotDC.BitBlt(0, 0, client.Width(), client.Height(), &parentDC, window.left, window.top, SRCCOPY);
  }
  if (m_snapshotDC.GetSafeHdc() != nullptr) {
    pDC->BitBlt(0, 0, client.Width(), client.Height(), &m_snapshotDC, 0, 0, SRCCOPY);
  }
}

CRect CImageButton::PrepareImageRect(BOOL hasCaption, const RECT& item, RECT* caption, BOOL pressed, int iconWidth,
                                     int iconHeight) const {
  CRect image(item);
  int itemWidth = item.right - item.left, itemHeight = item.bottom - item.top;
  if (hasCaption) {
    image.left += ICON_MARGIN;
    caption->left += iconWidth + ICON_MARGIN;
  } else {
    image.left += (itemWidth - iconWidth) / 2;
  }
  image.top += (itemHeight - iconHeight) / 2;
  image.right = image.left + iconWidth;
  image.bottom = image.top + iconHeight;
  if (pressed && !m_checkBox) image.OffsetRect(1, 1);
  return image;
}

void CImageButton::DrawIcon(CDC* pDC, BOOL hasCaption, const RECT& item, RECT* caption, BOOL pressed, BOOL disabled) {
  bool useMain = m_checkBox ? pressed != FALSE : (pressed || m_hover);
  const ImageButtonIcon& icon = (useMain || m_icons[1].hIcon == nullptr) ? m_icons[0] : m_icons[1];
  CRect image = PrepareImageRect(hasCaption, item, caption, pressed, icon.width, icon.height);
  pDC->DrawState(image.TopLeft(), image.Size(), icon.hIcon, DST_ICON | (disabled ? DSS_DISABLED : 0), static_cast<HBRUSH>(nullptr));
}

void CImageButton::DrawBitmap(CDC* pDC, BOOL hasCaption, const RECT& item, RECT* caption, BOOL pressed, BOOL disabled) {
  (void)pDC;
  (void)hasCaption;
  (void)item;
  (void)caption;
  (void)pressed;
  (void)disabled;
}

void CImageButton::DrawText(CDC* pDC, LPCTSTR text, const RECT& item, RECT* caption, BOOL pressed, BOOL disabled) {
  (void)item;
  if (pressed && !m_checkBox) ::OffsetRect(caption, 1, 1);
  CRect measured(*caption);
  pDC->DrawText(text, -1, &measured, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
  measured.OffsetRect((caption->right - caption->left - measured.Width()) / 2 + caption->left - measured.left,
                      (caption->bottom - caption->top - measured.Height()) / 2 + caption->top - measured.top);
  if (disabled) {
    CRect shifted = measured;
    shifted.OffsetRect(1, 1);
    pDC->SetTextColor(::GetSysColor(COLOR_BTNHIGHLIGHT));
    pDC->DrawText(text, -1, &shifted, DT_WORDBREAK | DT_CENTER);
    pDC->SetTextColor(::GetSysColor(COLOR_BTNSHADOW));
    pDC->DrawText(text, -1, &measured, DT_WORDBREAK | DT_CENTER);
  } else {
    bool active = m_hover || pressed;
    pDC->SetTextColor(m_colors[active ? BTNCOLOR_FG_ACTIVE : BTNCOLOR_FG_NORMAL]);
    pDC->SetBkColor(m_colors[active ? BTNCOLOR_BK_ACTIVE : BTNCOLOR_BK_NORMAL]);
    pDC->DrawText(text, -1, &measured, DT_WORDBREAK | DT_CENTER);
  }
}
