// Window painting: every top-level window owns a 32-bit surface, and every window draws into its
// top-level window's surface through DCs clipped to the window's visible region.
//
// The visible region of a window is its client area (its whole window area for window DCs)
// within the client areas of all its ancestors, minus the window rectangles of the siblings above
// it (and above each ancestor) where WS_CLIPSIBLINGS says so, and minus its visible children
// where WS_CLIPCHILDREN says so. A hidden window, or one below a hidden ancestor, has none.
//
// Update regions are kept per window in client coordinates, with a flag for a pending erase and
// one for a pending frame. WM_PAINT is made for a window of the asking thread with something to
// update only when that thread's queue holds nothing else (parents before children, top-level
// windows in z-order), and stays until the update region is validated. BeginPaint sends
// WM_NCPAINT for a pending frame, then WM_ERASEBKGND when an erase is pending; PAINTSTRUCT::fErase
// is TRUE when the background still needs erasing (WM_ERASEBKGND returned 0).
//
// Invalidating a window also invalidates its children in the same area unless the window has
// WS_CLIPCHILDREN (RDW_ALLCHILDREN and RDW_NOCHILDREN decide for RedrawWindow).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/WinUser.h"

namespace gdi {
class Surface;
}

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};
typedef PAINTSTRUCT* LPPAINTSTRUCT;
typedef PAINTSTRUCT* PPAINTSTRUCT;

#define RDW_INVALIDATE 0x0001
#define RDW_INTERNALPAINT 0x0002
#define RDW_ERASE 0x0004
#define RDW_VALIDATE 0x0008
#define RDW_NOINTERNALPAINT 0x0010
#define RDW_NOERASE 0x0020
#define RDW_NOCHILDREN 0x0040
#define RDW_ALLCHILDREN 0x0080
#define RDW_UPDATENOW 0x0100
#define RDW_ERASENOW 0x0200
#define RDW_FRAME 0x0400
#define RDW_NOFRAME 0x0800

#define DCX_WINDOW 0x00000001L
#define DCX_CACHE 0x00000002L
#define DCX_CLIPCHILDREN 0x00000008L
#define DCX_CLIPSIBLINGS 0x00000010L
#define DCX_PARENTCLIP 0x00000020L

// A null window means the whole window (or, for GetDC, the desktop).
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL ValidateRgn(HWND hwnd, HRGN region);
// The update region's box in client coordinates; with erase TRUE a pending erase is done first.
BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase);
int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL UpdateWindow(HWND hwnd);
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags);

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);
// GetDC(NULL) and GetWindowDC(GetDesktopWindow()) give a DC over the desktop: the visible
// top-level windows composed in z-order over the desktop colour, taken when the DC is made.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
// DCX_WINDOW selects the window DC; the clip flags are those the window's styles give anyway.
HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags);
int ReleaseDC(HWND hwnd, HDC dc);
HWND WindowFromDC(HDC dc);
HWND GetDesktopWindow();

// Layered windows (top-level windows with WS_EX_LAYERED). The display composes them over what
// lies beneath: with SetLayeredWindowAttributes the window's painted pixels are shown with a
// constant opacity and/or without the pixels of a colour key; with UpdateLayeredWindow the window
// shows a picture of its own, given as a DC's pixels with per-pixel alpha (premultiplied, as the
// blend function's AC_SRC_ALPHA says) and a constant opacity.
#define LWA_COLORKEY 0x00000001
#define LWA_ALPHA 0x00000002
#define ULW_COLORKEY 0x00000001
#define ULW_ALPHA 0x00000002
#define ULW_OPAQUE 0x00000004
struct BLENDFUNCTION;
BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags);
BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags);
// pptDst and psize move and size the window (either may be null); the picture is the psize area
// of hdcSrc from pptSrc (the window's size when psize is null).
BOOL UpdateLayeredWindow(HWND hwnd, HDC hdcDst, POINT* pptDst, SIZE* psize, HDC hdcSrc, POINT* pptSrc, COLORREF key,
                         const BLENDFUNCTION* blend, DWORD flags);

namespace platform {

// What the display layer is told. Calls come from any thread, with no lock held; they must not
// block on the display's own thread.
class DisplaySink {
 public:
  virtual ~DisplaySink() = default;
  // A top-level window was shown, hidden, moved, resized, restacked or destroyed.
  virtual void TopLevelChanged() {}
  // Pixels of a top-level window's surface changed inside `rect` (surface coordinates).
  virtual void SurfaceChanged(HWND topLevel, const RECT& rect) {}
  // The cursor shape or its visibility changed, or the program moved the pointer.
  virtual void CursorChanged(HCURSOR cursor, bool shown) {}
  virtual void WarpPointer(POINT screen) {}
};
void SetDisplaySink(std::shared_ptr<DisplaySink> sink);
std::shared_ptr<DisplaySink> GetDisplaySink();

// A snapshot of a top-level window for the display: its surface, its place on the screen and
// its owner thread. Null surface for windows that are not top-level.
struct LayeredLook {
  bool layered = false;   // the window shows through: composed with what lies beneath
  bool perPixel = false;  // the picture of UpdateLayeredWindow, premultiplied alpha
  bool useKey = false;    // pixels of the key colour are not shown
  COLORREF key = 0;
  BYTE alpha = 255;       // constant opacity
};
struct TopLevelView {
  HWND hwnd = nullptr;
  RECT screenRect{};
  bool visible = false;
  std::shared_ptr<gdi::Surface> surface;
  LayeredLook look;
};
// The top-level windows in z-order, topmost first.
std::vector<TopLevelView> TopLevelViews();
// A top-level window's surface (32-bit BGRA), made when first asked for; null for other windows.
std::shared_ptr<gdi::Surface> TopLevelSurface(HWND topLevel);
// The desktop composed into a new surface of the screen's size, layered windows blended over
// what lies beneath them.
std::shared_ptr<gdi::Surface> ComposeDesktop();
// A layered window's area of the composed desktop (what the screen shows there), 32-bit rows of
// `width` pixels; false for a window that is not a visible layered top-level window.
bool ComposeLayeredWindow(HWND topLevel, std::vector<uint32_t>& pixels, int& width, int& height);

// Called by the window layer when a window's place, size, visibility or z-order changed
// (`oldScreen` is its old window rectangle in screen coordinates, `wasVisible` whether it was
// shown) so that what it uncovered and what it now covers is repainted.
void WindowGeometryChanged(HWND hwnd, const RECT& oldScreen, bool wasVisible, bool sizeChanged, bool redraw);
// The window layer calls this when a window goes away; the Locked form, under UserLock(), returns
// whether the window had a surface (then the display must hear of it once the lock is released).
void ForgetWindowPaint(HWND hwnd);
bool ForgetWindowPaintLocked(HWND hwnd);

// The default handling of painting messages by DefWindowProc (WM_PAINT, WM_ERASEBKGND,
// WM_NCPAINT, WM_NCCALCSIZE, WM_NCHITTEST, WM_NCACTIVATE, WM_SETCURSOR, the non-client mouse
// messages). Returns true when it handled the message.
bool DefPaintProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

}  // namespace platform
