// The drawing half of COwnerDrawMenu: the classic and the flat look of one pop-up item.
#include <algorithm>
#include <vector>

#include "controls/MemoryDC.h"
#include "controls/OwnerDrawMenu.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"

namespace {

void Fill(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH brush = ::CreateSolidBrush(color);
  ::FillRect(dc, &r, brush);
  ::DeleteObject(brush);
}

void Frame(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
  CDC* cdc = CDC::FromHandle(dc);
  cdc->Draw3dRect(&r, topLeft, bottomRight);
}

HFONT MakeItemFont(bool bold) {
  LOGFONTA lf{};
  ::GetObject(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  if (bold) lf.lfWeight = FW_BOLD;
  return ::CreateFontIndirect(&lf);
}

struct Layout {
  int dy;
  RECT imageBox;
  RECT innerFrame;
  RECT textRect;
};

Layout LayoutItem(const RECT& r, int w, int h, bool hasAccelerator) {
  Layout l{};
  l.dy = std::max(0, static_cast<int>((r.bottom - r.top - h - 4) / 2));
  l.imageBox = RECT{r.left, r.top + l.dy, r.left + w + 4, r.top + l.dy + h + 4};
  l.innerFrame = RECT{r.left + 1, r.top + l.dy + 1, r.left + w + 3, r.top + l.dy + h + 3};
  l.textRect = RECT{r.left + w + 9, r.top + 1, r.right, r.bottom - 1};
  if (hasAccelerator) l.textRect.right -= w;
  return l;
}

BOOL HasCheckedBitmap(HMENU menu, UINT id) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_CHECKMARKS;
  if (!::GetMenuItemInfoA(menu, id, FALSE, &info)) return FALSE;
  return info.hbmpChecked != nullptr;
}

}  // namespace

COLORREF COwnerDrawMenu::LightenColor(COLORREF color, double k) {
  if (!(k > 0.0 && k <= 1.0)) return color;
  auto up = [k](int x) { return static_cast<int>(x + k * (255 - x)); };
  return RGB(up(GetRValue(color)), up(GetGValue(color)), up(GetBValue(color)));
}

void COwnerDrawMenu::DrawTick(HDC dc, int x, int y, COLORREF color) {
  static const int OFFSETS[7] = {2, 3, 4, 3, 2, 1, 0};
  HPEN pen = ::CreatePen(PS_SOLID, 1, color);
  HGDIOBJ old = ::SelectObject(dc, pen);
  for (int k = 0; k < 7; ++k) {
    ::MoveToEx(dc, x + k, y + OFFSETS[k], nullptr);
    ::LineTo(dc, x + k, y + OFFSETS[k] + 3);
  }
  ::SelectObject(dc, old);
  ::DeleteObject(pen);
}

void COwnerDrawMenu::DrawDot(HDC dc, int x, int y, COLORREF color) {
  HPEN pen = ::CreatePen(PS_SOLID, 1, color);
  HBRUSH brush = ::CreateSolidBrush(color);
  HGDIOBJ oldPen = ::SelectObject(dc, pen);
  HGDIOBJ oldBrush = ::SelectObject(dc, brush);
  ::Ellipse(dc, x, y, x + 6, y + 6);
  ::SelectObject(dc, oldBrush);
  ::SelectObject(dc, oldPen);
  ::DeleteObject(brush);
  ::DeleteObject(pen);
}

void COwnerDrawMenu::DrawCheckBoxClassic(HDC dc, RECT box, BOOL selected, BOOL customCheck) {
  bool modern = IsModernShell();
  Fill(dc, box, ::GetSysColor((selected || !modern) ? COLOR_MENU : COLOR_3DLIGHT));
  if (modern) ::DrawEdge(dc, &box, BDR_SUNKENOUTER, BF_RECT);
  COLORREF ink = ::GetSysColor(COLOR_MENUTEXT);
  if (customCheck) {
    DrawDot(dc, box.left + 5, box.top + 4, ink);
  } else {
    DrawTick(dc, box.left + 4, box.top + 4, ink);
  }
}

void COwnerDrawMenu::DrawCheckBoxFlat(HDC dc, RECT box, BOOL customCheck, COLORREF highlight) {
  Fill(dc, box, LightenColor(highlight, 0.85));
  Frame(dc, box, highlight, highlight);
  COLORREF ink = ::GetSysColor(COLOR_MENUTEXT);
  if (customCheck) {
    DrawDot(dc, box.left + 5, box.top + 4, ink);
  } else {
    DrawTick(dc, box.left + 5, box.top + 4, ink);
  }
}

HBITMAP COwnerDrawMenu::RenderItemIcon(HDC dc, CImageList* imageList, int index) const {
  if (imageList == nullptr || imageList->GetSafeHandle() == nullptr) return nullptr;
  HICON icon = ImageList_GetIcon(imageList->GetSafeHandle(), index, ILD_NORMAL);
  if (icon == nullptr) return nullptr;
  HDC memory = ::CreateCompatibleDC(dc);
  HBITMAP bitmap = ::CreateCompatibleBitmap(dc, m_iconWidth, m_iconHeight);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  RECT all{0, 0, m_iconWidth, m_iconHeight};
  Fill(memory, all, ::GetSysColor(COLOR_MENU));
  ::DrawIconEx(memory, 0, 0, icon, m_iconWidth, m_iconHeight, 0, nullptr, DI_NORMAL);
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::DestroyIcon(icon);
  return bitmap;
}

void COwnerDrawMenu::DrawEmbossed(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, COLORREF background) {
  if (bitmap == nullptr || width <= 0 || height <= 0) return;
  // The ink: every pixel that is neither the button face nor the highlight colour.
  HDC source = ::CreateCompatibleDC(dc);
  HGDIOBJ oldSource = ::SelectObject(source, bitmap);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
  std::vector<bool> ink(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int j = 0; j < height; ++j) {
    for (int i = 0; i < width; ++i) {
      COLORREF c = ::GetPixel(source, i, j) & 0xFFFFFF;
      ink[static_cast<size_t>(j) * width + i] = c != face && c != highlight;
    }
  }
  // First pass: the ink in the highlight colour, copied one pixel right and down.
  RECT all{0, 0, width, height};
  Fill(source, all, background);
  for (int j = 0; j < height; ++j) {
    for (int i = 0; i < width; ++i) {
      if (ink[static_cast<size_t>(j) * width + i]) ::SetPixel(source, i, j, highlight);
    }
  }
  ::BitBlt(dc, x + 1, y + 1, width, height, source, 0, 0, SRCCOPY);
  // Second pass: the ink shifted by (1, 1) in the highlight colour, then the ink in place in the
  // shadow colour, copied in place.
  Fill(source, all, background);
  for (int j = 0; j + 1 < height; ++j) {
    for (int i = 0; i + 1 < width; ++i) {
      if (ink[static_cast<size_t>(j) * width + i]) ::SetPixel(source, i + 1, j + 1, highlight);
    }
  }
  for (int j = 0; j < height; ++j) {
    for (int i = 0; i < width; ++i) {
      if (ink[static_cast<size_t>(j) * width + i]) ::SetPixel(source, i, j, shadow);
    }
  }
  ::BitBlt(dc, x, y, width, height, source, 0, 0, SRCCOPY);
  ::SelectObject(source, oldSource);
  ::DeleteDC(source);
}

BOOL COwnerDrawMenu::DrawItemText(HDC dc, const OwnerDrawItem* item, RECT textRect, COLORREF color, HFONT font) {
  size_t firstTab = item->text.find(L'\t');
  std::wstring head = item->text.substr(0, firstTab);
  HGDIOBJ oldFont = ::SelectObject(dc, font);
  int oldMode = ::SetBkMode(dc, TRANSPARENT);
  COLORREF oldColor = ::SetTextColor(dc, color);
  ::DrawTextW(dc, head.c_str(), static_cast<int>(head.size()), &textRect, DT_SINGLELINE | DT_VCENTER);
  if (firstTab != std::wstring::npos) {
    std::wstring tail = item->text.substr(item->text.rfind(L'\t') + 1);
    ::DrawTextW(dc, tail.c_str(), static_cast<int>(tail.size()), &textRect, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  }
  ::SetTextColor(dc, oldColor);
  ::SetBkMode(dc, oldMode);
  ::SelectObject(dc, oldFont);
  return TRUE;
}

void COwnerDrawMenu::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
  if (lpDrawItemStruct == nullptr || lpDrawItemStruct->itemData == 0) return;
  bool palette = (::GetDeviceCaps(lpDrawItemStruct->hDC, RASTERCAPS) & RC_PALETTE) != 0;
  if (palette || GetMenuFaceColor() == ::GetSysColor(COLOR_MENU)) {
    DrawItemClassic(lpDrawItemStruct);
  } else {
    DrawItemFlat(lpDrawItemStruct);
  }
}

void COwnerDrawMenu::DrawItemClassic(LPDRAWITEMSTRUCT lpDrawItemStruct) {
  const OwnerDrawItem* item = reinterpret_cast<const OwnerDrawItem*>(lpDrawItemStruct->itemData);
  HDC dc = lpDrawItemStruct->hDC;
  RECT r = lpDrawItemStruct->rcItem;
  const COLORREF f = GetMenuFaceColor();
  const COLORREF h = ::GetSysColor(COLOR_HIGHLIGHT);
  const UINT state = lpDrawItemStruct->itemState;
  const bool selected = (state & ODS_SELECTED) != 0;
  const bool grayed = (state & ODS_GRAYED) != 0;
  const bool checked = (state & ODS_CHECKED) != 0;
  const bool modern = IsModernShell();

  if (item->flags & MF_SEPARATOR) {
    Fill(dc, r, f);
    RECT line = r;
    line.top += (r.bottom - r.top) / 2;
    ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    return;
  }
  const bool hasImage = item->imageSource != -1;
  const bool hasAccelerator = item->text.find(L'\t') != std::wstring::npos;
  Layout l = LayoutItem(r, m_iconWidth, m_iconHeight, hasAccelerator);
  const int W = m_iconWidth, H = m_iconHeight;

  COLORREF textColor;
  if (!selected) {
    Fill(dc, r, f);
    Frame(dc, r, f, f);
    textColor = ::GetSysColor(COLOR_MENUTEXT);
  } else {
    RECT fill = r;
    if (hasImage || checked) fill.left = r.left + W + 5;
    Fill(dc, fill, h);
    textColor = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
  }

  if (hasImage) {
    Frame(dc, l.innerFrame, f, f);
    if (grayed) {
      HBITMAP image = RenderItemIcon(dc, item->imageList, item->imageIndex);
      Frame(dc, l.imageBox, f, f);
      DrawEmbossed(dc, r.left + 2, r.top + l.dy + 2, W, H, image, f);
      if (image != nullptr) ::DeleteObject(image);
    } else {
      if (selected) {
        Fill(dc, l.innerFrame, f);
        if (modern) {
          if (checked) {
            Frame(dc, l.imageBox, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
          } else {
            Frame(dc, l.imageBox, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNSHADOW));
          }
        }
      } else if (checked) {
        Fill(dc, l.innerFrame, ::GetSysColor(COLOR_3DLIGHT));
        if (modern) Frame(dc, l.imageBox, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
      } else {
        Fill(dc, l.innerFrame, f);
        Frame(dc, l.imageBox, f, f);
      }
      if (item->imageList != nullptr) {
        ImageList_Draw(item->imageList->GetSafeHandle(), item->imageIndex, dc, r.left + 2, r.top + l.dy + 2, ILD_TRANSPARENT);
      }
    }
  } else if (checked) {
    RECT box{r.left + 1, r.top + l.dy + 2, r.left + W + 1, r.top + l.dy + H + 2};
    DrawCheckBoxClassic(dc, box, selected, HasCheckedBitmap(lpDrawItemStruct->hwndItem != nullptr
                                                                ? reinterpret_cast<HMENU>(lpDrawItemStruct->hwndItem)
                                                                : m_hMenu,
                                                            lpDrawItemStruct->itemID));
  }

  if (!item->text.empty()) {
    HFONT font = MakeItemFont(lpDrawItemStruct->itemID == m_defaultCommand && m_defaultCommand != 0);
    if (!grayed) {
      DrawItemText(dc, item, l.textRect, textColor, font);
    } else if (!selected) {
      RECT moved = l.textRect;
      ::OffsetRect(&moved, 1, 1);
      DrawItemText(dc, item, moved, ::GetSysColor(COLOR_BTNHIGHLIGHT), font);
      DrawItemText(dc, item, l.textRect, m_disabledTextColor, font);
    } else {
      DrawItemText(dc, item, l.textRect, f, font);
    }
    ::DeleteObject(font);
  }
}

void COwnerDrawMenu::DrawItemFlat(LPDRAWITEMSTRUCT lpDrawItemStruct) {
  const OwnerDrawItem* item = reinterpret_cast<const OwnerDrawItem*>(lpDrawItemStruct->itemData);
  RECT r = lpDrawItemStruct->rcItem;
  const COLORREF f = GetMenuFaceColor();
  const COLORREF m = ::GetSysColor(COLOR_MENU);
  const COLORREF h = ::GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF selectionFill = LightenColor(h, 0.7);
  const COLORREF checkedFill = LightenColor(h, 0.85);
  const UINT state = lpDrawItemStruct->itemState;
  const bool grayed = (state & ODS_GRAYED) != 0;
  const bool selected = (state & ODS_SELECTED) != 0 && !grayed;
  const bool checked = (state & ODS_CHECKED) != 0;
  const int W = m_iconWidth, H = m_iconHeight;

  CDC* target = CDC::FromHandle(lpDrawItemStruct->hDC);
  CMemoryDC* memory = grayed ? new CMemoryDC(target, r) : nullptr;
  HDC dc = memory != nullptr ? memory->GetSafeHdc() : lpDrawItemStruct->hDC;
  RECT band{r.left, r.top, r.left + W + 5, r.bottom};

  if (item->flags & MF_SEPARATOR) {
    Fill(dc, r, m);
    RECT line{band.right + 4, r.top + (r.bottom - r.top) / 2, r.right, r.bottom};
    ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    Fill(dc, band, f);
    Frame(dc, band, f, f);
    delete memory;
    return;
  }
  const bool hasImage = item->imageSource != -1;
  const bool hasAccelerator = item->text.find(L'\t') != std::wstring::npos;
  Layout l = LayoutItem(r, W, H, hasAccelerator);

  if (!selected) {
    Fill(dc, r, m);
    Fill(dc, band, f);
    Frame(dc, r, m, m);
    Frame(dc, band, f, f);
  } else {
    Fill(dc, r, selectionFill);
    Frame(dc, r, h, h);
  }

  if (hasImage) {
    Frame(dc, l.innerFrame, f, f);
    if (grayed) {
      HBITMAP image = RenderItemIcon(dc, item->imageList, item->imageIndex);
      Frame(dc, l.imageBox, f, f);
      DrawEmbossed(dc, r.left + 2, r.top + l.dy + 2, W, H, image, f);
      if (image != nullptr) ::DeleteObject(image);
    } else {
      if (selected) {
        Fill(dc, l.innerFrame, selectionFill);
        if (IsModernShell() && checked) {
          RECT column{r.left, r.top, r.left + W + 4, r.bottom};
          Frame(dc, column, h, h);
        }
      } else if (checked) {
        RECT column{r.left + 1, r.top, r.left + W + 4, r.bottom - 1};
        Fill(dc, column, checkedFill);
        Frame(dc, column, h, h);
      } else {
        Fill(dc, l.innerFrame, f);
        Frame(dc, l.imageBox, f, f);
      }
      if (item->imageList != nullptr) {
        ImageList_Draw(item->imageList->GetSafeHandle(), item->imageIndex, dc, r.left + 3, r.top + l.dy + 2, ILD_TRANSPARENT);
      }
    }
  } else if (checked) {
    RECT box{r.left + 2, r.top + l.dy + 2, r.left + W + 2, r.top + l.dy + H + 3};
    DrawCheckBoxFlat(dc, box, HasCheckedBitmap(reinterpret_cast<HMENU>(lpDrawItemStruct->hwndItem), lpDrawItemStruct->itemID), h);
  }

  if (!item->text.empty()) {
    HFONT font = MakeItemFont(lpDrawItemStruct->itemID == m_defaultCommand && m_defaultCommand != 0);
    DrawItemText(dc, item, l.textRect, grayed ? m_disabledTextColor : ::GetSysColor(COLOR_MENUTEXT), font);
    ::DeleteObject(font);
  }
  delete memory;
}
