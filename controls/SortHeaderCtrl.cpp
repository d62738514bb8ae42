#include "controls/SortHeaderCtrl.h"

#include "platform/gdi/Gdi.h"

BEGIN_MESSAGE_MAP(CSortHeaderCtrl, CHeaderCtrl)
END_MESSAGE_MAP()

void CSortHeaderCtrl::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
  CDC dc;
  dc.Attach(lpDrawItemStruct->hDC);
  CRect rect(lpDrawItemStruct->rcItem);
  int saved = dc.SaveDC();
  CRgn clip;
  clip.CreateRectRgnIndirect(&rect);
  dc.SelectClipRgn(&clip);
  CBrush face;
  face.CreateSolidBrush(::GetSysColor(COLOR_BTNFACE));
  dc.FillRect(&rect, &face);
  // The text goes straight onto the face; the state is restored with the DC's below.
  dc.SetBkMode(TRANSPARENT);

  int s = dc.GetTextExtent(" ", 1).cx;

  char text[256] = {0};
  HDITEM item{};
  item.mask = HDI_TEXT | HDI_FORMAT;
  item.pszText = text;
  item.cchTextMax = 255;
  GetItem(static_cast<int>(lpDrawItemStruct->itemID), &item);
  UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP | DT_END_ELLIPSIS;
  if (item.fmt & HDF_CENTER) {
    format |= DT_CENTER;
  } else if (item.fmt & HDF_RIGHT) {
    format |= DT_RIGHT;
  }

  CRect box = rect;
  if (lpDrawItemStruct->itemState == ODS_SELECTED) {
    box.top += 2;
    box.left += 1;
    box.right += 1;
  }
  bool sortColumn = static_cast<int>(lpDrawItemStruct->itemID) == m_sortColumn;
  box.left += 2 * s;
  box.right -= 2 * s;
  if (sortColumn) box.right -= 6 * s;
  if (box.left < box.right) dc.DrawText(text, -1, &box, format);

  if (sortColumn) {
    CPen highlight, shadow;
    highlight.CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    shadow.CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
    const int r = rect.right, b = rect.bottom;
    CPen* old = dc.SelectObject(&highlight);
    if (m_sortAscending) {
      dc.MoveTo(r - 4 * s, 2 * s - 1);
      dc.LineTo(r - 3 * s, b - 2 * s);
      dc.LineTo(r - 5 * s - 2, b - 2 * s);
      dc.SelectObject(&shadow);
      dc.MoveTo(r - 5 * s - 1, b - 2 * s - 1);
      dc.LineTo(r - 4 * s, 2 * s - 2);
    } else {
      dc.MoveTo(r - 3 * s, 2 * s - 1);
      dc.LineTo(r - 4 * s - 1, b - 2 * s + 1);
      dc.SelectObject(&shadow);
      dc.MoveTo(r - 4 * s - 1, b - 2 * s);
      dc.LineTo(r - 5 * s - 1, 2 * s - 1);
      dc.LineTo(r - 3 * s, 2 * s - 1);
    }
    dc.SelectObject(old);
  }
  dc.RestoreDC(saved);
  dc.Detach();
}
