// The non-client area the layer draws for every window, in the classic look: grey 3-D frames,
// a caption with a blue gradient, the title and the system buttons.
//
// From the outside in: the frame (WS_THICKFRAME: 4 pixels; WS_DLGFRAME, which WS_CAPTION
// includes, or WS_EX_DLGMODALFRAME: 3; WS_BORDER alone: 1), the caption (WS_CAPTION:
// SM_CYCAPTION, 19 pixels, with the close button when WS_SYSMENU is set and the maximise and
// minimise buttons when their styles are), then WS_EX_CLIENTEDGE (2) or WS_EX_STATICEDGE (1),
// the scroll bars of WS_VSCROLL (right) and WS_HSCROLL (bottom), SM_CXVSCROLL/SM_CYHSCROLL wide,
// and the client area.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/user/WinUser.h"

#define HTBORDER 18
#define HTLEFT 10
#define HTRIGHT 11
#define HTTOP 12
#define HTTOPLEFT 13
#define HTTOPRIGHT 14
#define HTBOTTOM 15
#define HTBOTTOMLEFT 16
#define HTBOTTOMRIGHT 17
#define HTSYSMENU 3
#define HTMINBUTTON 8
#define HTMAXBUTTON 9
#define HTCLOSE 20
#define HTREDUCE HTMINBUTTON
#define HTZOOM HTMAXBUTTON

struct NCCALCSIZE_PARAMS {
  RECT rgrc[3];
  PWINDOWPOS lppos;
};
typedef NCCALCSIZE_PARAMS* LPNCCALCSIZE_PARAMS;

#define WM_NCRBUTTONDOWN 0x00A4
#define WM_NCRBUTTONUP 0x00A5
#define WM_NCRBUTTONDBLCLK 0x00A6
#define WM_NCMBUTTONDOWN 0x00A7
#define WM_NCMBUTTONUP 0x00A8
#define WM_NCMBUTTONDBLCLK 0x00A9
#define WM_NCMOUSELEAVE 0x02A2
#define WM_MOVING 0x0216

namespace platform {

// The client rectangle for a window rectangle (same coordinates) under the given styles.
RECT ClientFromWindowRect(const RECT& window, DWORD style, DWORD exStyle);

// Where the caption and its buttons are, relative to the window's top-left corner. Empty
// rectangles for parts the styles leave out.
struct NonClientLayout {
  RECT frameInner{};  // the window minus its frame
  RECT caption{};     // the caption bar, buttons included
  RECT closeButton{};
  RECT maxButton{};
  RECT minButton{};
  RECT clientEdge{};  // the rectangle the client edge is drawn around
  RECT vScroll{};     // the window's own scroll bars (WS_VSCROLL, WS_HSCROLL), inside the edge
  RECT hScroll{};
  int frame = 0;
};
NonClientLayout LayoutNonClient(int width, int height, DWORD style, DWORD exStyle);

// The default WM_NCHITTEST answer for a point relative to the window's top-left corner.
LRESULT HitTestNonClient(const NonClientLayout& layout, int width, int height, DWORD style, POINT pt,
                         const RECT& clientInWindow);

// Draws the frame and caption into a window DC (coordinates relative to the window's corner).
void PaintNonClient(HWND hwnd, HDC windowDc, bool active);

}  // namespace platform
