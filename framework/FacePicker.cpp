#include "framework/FacePicker.h"

#include <cstdlib>

#include "platform/comctl/CommCtrl.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/Profile.h"
#include "platform/user/Resources.h"

namespace {
constexpr int FACE_CELL = 24;
constexpr int FACE_COLUMNS = 10;
}  // namespace

BEGIN_MESSAGE_MAP(CFacePicker, CWnd)
  ON_WM_CREATE()
  ON_WM_KILLFOCUS()
  ON_COMMAND_RANGE(1, FACE_PICKER_MAX, OnFace)
END_MESSAGE_MAP()

CFacePicker::CFacePicker() : m_buttons(new CImageButton[FACE_PICKER_MAX]) {}

CFacePicker::~CFacePicker() {
  // The buttons' windows go before the buttons, which go with the picker.
  if (GetSafeHwnd() != nullptr) DestroyWindow();
}

void CFacePicker::GetPickerSize(int& width, int& height) const {
  width = FACE_CELL * FACE_COLUMNS;
  int rows = m_faceCount / FACE_COLUMNS;
  if (m_faceCount % FACE_COLUMNS != 0) ++rows;
  height = FACE_CELL * rows;
}

int CFacePicker::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CWnd::OnCreate(lpCreateStruct) == -1) return -1;
  m_images.Create(20, 20, ILC_COLOR24 | ILC_MASK, 50, 1);
  LoadFaces();
  return 0;
}

void CFacePicker::LoadFaces() {
  m_faceCount = 0;
  WIN32_FIND_DATAA found{};
  const CString pattern = m_faceFolder + "*.bmp";
  HANDLE find = FindFirstFileA(pattern, &found);
  if (find == INVALID_HANDLE_VALUE) return;
  const CString ini = m_faceFolder + "face.ini";
  do {
    // The grid has a fixed number of cells: faces beyond it are not shown.
    if (m_faceCount >= FACE_PICKER_MAX) break;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) continue;
    // The number is checked before the picture is loaded, so that nothing is loaded for a file
    // that cannot be a face.
    const int number = std::atoi(found.cFileName);
    if (number <= 0) continue;
    const CString path = m_faceFolder + found.cFileName;
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (bitmap == nullptr) continue;
    char key[16];
    std::snprintf(key, sizeof key, "%d", number);
    char remark[256] = {};
    GetPrivateProfileStringA("Remark", key, "", remark, 254, ini);
    const int first = ImageList_AddMasked(m_images.GetSafeHandle(), bitmap, RGB(255, 255, 255));
    DeleteObject(bitmap);
    const int i = m_faceCount;
    const CRect cell((i % FACE_COLUMNS) * FACE_CELL, (i / FACE_COLUMNS) * FACE_CELL,
                     (i % FACE_COLUMNS) * FACE_CELL + FACE_CELL, (i / FACE_COLUMNS) * FACE_CELL + FACE_CELL);
    CImageButton& button = m_buttons[i];
    if (!button.Create("", WS_CHILD | WS_VISIBLE, cell, this, static_cast<UINT>(number))) continue;
    button.SetIconHandles(first >= 0 ? ImageList_GetIcon(m_images.GetSafeHandle(), first, 0) : nullptr, nullptr);
    button.SetTooltipText(remark, TRUE);
    button.SetColor(0, RGB(255, 255, 255), FALSE);
    button.SetColor(2, RGB(255, 255, 255), FALSE);
    button.OffsetColor(0, -255, FALSE);
    ++m_faceCount;
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

void CFacePicker::OnKillFocus(CWnd* pNewWnd) {
  CWnd::OnKillFocus(pNewWnd);
  CPoint cursor;
  GetCursorPos(&cursor);
  CRect rc;
  GetWindowRect(&rc);
  // Hiding the picker takes the focus from it, which comes back here: it hides only once.
  if (!rc.PtInRect(cursor) && IsWindowVisible()) ShowWindow(SW_HIDE);
}

void CFacePicker::OnFace(UINT nID) {
  ShowWindow(SW_HIDE);
  if (m_owner != nullptr && m_owner->GetSafeHwnd() != nullptr) m_owner->SendMessage(WM_CHAT_SEND_FACE, nID, 0);
}
