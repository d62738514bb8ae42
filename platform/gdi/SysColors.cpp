// System colours (the classic Windows scheme), their brushes, and the system metrics of a
// classic desktop at 96 DPI.
#include <mutex>

#include "platform/gdi/DcInternal.h"

namespace gdi {
namespace {

constexpr int COLOUR_COUNT = 31;

// The classic scheme: the 3-D face and the menu share one grey, so menus take the classic look.
COLORREF g_colours[COLOUR_COUNT] = {
    RGB(212, 208, 200),  // COLOR_SCROLLBAR
    RGB(58, 110, 165),   // COLOR_BACKGROUND
    RGB(10, 36, 106),    // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(212, 208, 200),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(212, 208, 200),  // COLOR_ACTIVEBORDER
    RGB(212, 208, 200),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(10, 36, 106),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(212, 208, 200),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(64, 64, 64),     // COLOR_3DDKSHADOW
    RGB(212, 208, 200),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(181, 181, 181),  // 25, unused
    RGB(0, 0, 128),      // COLOR_HOTLIGHT
    RGB(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(49, 106, 197),   // COLOR_MENUHILIGHT
    RGB(236, 233, 216),  // COLOR_MENUBAR
};

std::mutex g_mutex;
std::shared_ptr<BrushObject> g_brushes[COLOUR_COUNT];

}  // namespace
}  // namespace gdi

using namespace gdi;

DWORD GetSysColor(int index) {
  if (index < 0 || index >= COLOUR_COUNT) return 0;
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_colours[index];
}

// The brushes are stock objects: DeleteObject leaves them alone, and they follow SetSysColors.
HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index >= COLOUR_COUNT) return nullptr;
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_brushes[index]) {
    auto brush = std::make_shared<BrushObject>();
    brush->m_colour = g_colours[index];
    brush->m_stock = true;
    AllocHandle(brush);
    g_brushes[index] = brush;
  }
  return static_cast<HBRUSH>(g_brushes[index]->m_handle);
}

BOOL SetSysColors(int count, const INT* indices, const COLORREF* colours) {
  if (count < 0 || (count > 0 && (!indices || !colours))) return FALSE;
  std::lock_guard<std::mutex> lock(g_mutex);
  for (int i = 0; i < count; ++i) {
    int k = indices[i];
    if (k < 0 || k >= COLOUR_COUNT) continue;
    g_colours[k] = colours[i] & 0x00FFFFFF;
    if (g_brushes[k]) g_brushes[k]->m_colour = g_colours[k];
  }
  return TRUE;
}

int GetSystemMetrics(int index) {
  SIZE screen = GetScreenSize();
  switch (index) {
    case SM_CXSCREEN: case SM_CXFULLSCREEN: return screen.cx;
    case SM_CYSCREEN: return screen.cy;
    case SM_CYFULLSCREEN: return screen.cy - 19;
    case SM_CXVSCROLL: case SM_CYHSCROLL: case SM_CYVSCROLL: case SM_CXHSCROLL:
    case SM_CYVTHUMB: case SM_CXHTHUMB: return 16;
    case SM_CYCAPTION: case SM_CYMENU: return 19;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME: case SM_CYFRAME: return 4;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXSIZE: case SM_CYSIZE: return 18;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: case SM_CXDRAG: case SM_CYDRAG: return 4;
    case SM_CXMENUCHECK: case SM_CYMENUCHECK: return 13;
    default: return 0;
  }
}
