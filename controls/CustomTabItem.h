// One tab of the tab control: its label, the owner's item data, the geometry the layout gave it,
// the region of its shape (for filling and hit testing) and its selection and highlight flags.
#pragma once

#include "controls/TabLayout.h"
#include "platform/mfc/DC.h"
#include "platform/mfc/GdiObject.h"
#include "platform/mfc/String.h"

// Fixed colours of the strip (they do not follow the system colours).
#define TAB_BACKGROUND_COLOUR RGB(0x53, 0x84, 0x67)
#define TAB_LIGHT_FILL_COLOUR RGB(0x6A, 0xA3, 0x72)
#define TAB_DARK_FILL_COLOUR RGB(0x30, 0x5B, 0x44)

class CCustomTabItem {
 public:
  CCustomTabItem() = default;
  CCustomTabItem(const CCustomTabItem&) = delete;
  CCustomTabItem& operator=(const CCustomTabItem&) = delete;

  // Rebuilds the region from the shape and the tab rectangle; a hidden tab gets an empty region.
  // FALSE when the region could not be made (the tab then hits nothing).
  BOOL RebuildRegion(bool top);
  BOOL HitRegion(POINT stripPoint) const;
  // Draws the tab: fill, outline and (for full and covered shapes) the label in `font`.
  void Draw(CDC* pDC, CFont* pFont, bool top, bool rightToLeft);

  CString m_text;
  DWORD m_itemData = 0;
  RECT m_tabRect{};
  RECT m_textRect{};
  CRgn m_region;
  BYTE m_shape = TABSHAPE_HIDDEN;
  BOOL m_selected = FALSE;
  BOOL m_highlighted = FALSE;
  BOOL m_highlightChanged = FALSE;
};
