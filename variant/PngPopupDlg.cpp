#include "variant/PngPopupDlg.h"

#include <cstdlib>
#include <cstring>

#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/Module.h"
#include "platform/skin/SkinLibrary.h"
#include "platform/user/Paint.h"
#include "platform/user/Resources.h"

BEGIN_MESSAGE_MAP(CPngPopupDlg, CDialog)
  ON_WM_PAINT()
  ON_WM_ERASEBKGND()
  ON_WM_NCHITTEST()
  ON_WM_MOVE()
END_MESSAGE_MAP()

CPngPopupDlg::CPngPopupDlg() : CDialog(IDD_PRIZE_POPUP, nullptr), m_form(nullptr) {}

CPngPopupDlg::~CPngPopupDlg() {
  if (GetSafeHwnd() != nullptr) DestroyWindow();
}

bool CPngPopupDlg::LoadPicture() {
  m_picture.reset();
  m_width = m_height = 0;
  HRSRC found = FindResourceA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_PRIZE_PICTURE), "PNG");
  if (found == nullptr) return false;
  const DWORD size = SizeofResource(AfxGetResourceHandle(), found);
  const void* bytes = LockResource(LoadResource(AfxGetResourceHandle(), found));
  if (bytes == nullptr || size == 0) return false;
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, size);
  if (block == nullptr) return false;
  std::memcpy(GlobalLock(block), bytes, size);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream)) || stream == nullptr) {
    GlobalFree(block);
    return false;
  }
  m_picture.reset(Gdiplus::Image::FromStream(stream));
  stream->Release();
  if (m_picture->GetLastStatus() != Gdiplus::Ok) {
    m_picture.reset();
    return false;
  }
  m_width = m_picture->GetWidth();
  m_height = m_picture->GetHeight();
  return true;
}

BOOL CPngPopupDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  skinppSetDialogEraseBkgnd(m_hWnd, TRUE);
  if (m_form.GetSafeHwnd() == nullptr) {
    if (m_form.Create(IDD_CONTACT_FORM, this)) {
      m_form.ShowWindow(SW_SHOW);
      ::RedrawWindow(m_form.GetSafeHwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
    }
  } else if (m_form.IsWindowVisible()) {
    m_form.ShowWindow(SW_HIDE);
  } else {
    m_form.ShowWindow(SW_SHOW);
    ::RedrawWindow(m_form.GetSafeHwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
  }
  HMODULE user32 = LoadLibraryA("User32.DLL");
  if (user32 == nullptr) {
    ::MessageBoxA(nullptr, "User32.dll ERROR!", "", MB_OK);
    std::exit(0);
  }
  m_updateLayeredWindow = reinterpret_cast<UpdateLayeredWindowProc>(GetProcAddress(user32, "UpdateLayeredWindow"));
  m_blend = BLENDFUNCTION{AC_SRC_OVER, 0, 254, AC_SRC_ALPHA};
  LoadPicture();
  const RECT view = m_form.TableViewRect();
  const int cx = (view.left + view.right) / 2, cy = (view.top + view.bottom) / 2;
  MoveWindow(cx - static_cast<int>(m_width) / 2, cy - static_cast<int>(m_height) / 2, static_cast<int>(m_width),
             static_cast<int>(m_height));
  return TRUE;
}

void CPngPopupDlg::OnPaint() {
  CPaintDC paint(this);
  if (!m_picture || m_updateLayeredWindow == nullptr) return;
  HDC window = ::GetDC(m_hWnd);
  HDC memory = CreateCompatibleDC(window);
  HBITMAP bitmap = CreateCompatibleBitmap(window, static_cast<int>(m_width), static_cast<int>(m_height));
  HGDIOBJ old = SelectObject(memory, bitmap);
  {
    Gdiplus::Graphics graphics(memory);
    graphics.DrawImage(m_picture.get(), 0, 0, static_cast<INT>(m_width), static_cast<INT>(m_height));
  }
  if ((GetExStyle() & WS_EX_LAYERED) == 0) ModifyStyleEx(0, WS_EX_LAYERED);
  RECT rc{};
  ::GetWindowRect(m_hWnd, &rc);
  POINT topLeft{rc.left, rc.top};
  SIZE size{static_cast<LONG>(m_width), static_cast<LONG>(m_height)};
  POINT origin{0, 0};
  m_updateLayeredWindow(m_hWnd, window, &topLeft, &size, memory, &origin, 0, &m_blend, ULW_ALPHA);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ::ReleaseDC(m_hWnd, window);
}

BOOL CPngPopupDlg::OnEraseBkgnd(CDC*) { return FALSE; }

UINT CPngPopupDlg::OnNcHitTest(CPoint point) {
  CRect client;
  GetClientRect(&client);
  ClientToScreen(&client);
  return client.PtInRect(point) ? HTCAPTION : CDialog::OnNcHitTest(point);
}

void CPngPopupDlg::OnMove(int x, int y) {
  CDialog::OnMove(x, y);
  if (m_form.GetSafeHwnd() != nullptr) m_form.MoveWindow(x, y, FORM_WIDTH, FORM_HEIGHT);
}

void OpenPrizePopup(CPngPopupDlg& popup, int prizeIndex) {
  popup.Form().SetPrizeIndex(prizeIndex);
  if (popup.GetSafeHwnd() == nullptr) popup.Create(IDD_PRIZE_POPUP, nullptr);
  if (popup.GetSafeHwnd() == nullptr) return;
  popup.ShowWindow(SW_SHOW);
  ::RedrawWindow(popup.GetSafeHwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
}
