// The skin library: the look of the program's frame, dialogs and pictures, read from a skin
// folder.
//
// A skin is a folder with a skin.ini (a Windows profile file) and the picture files it names. The
// library reads, besides the keys the program reads itself:
//   [BitmapResource] <name>=<file>  and  [JPGResource] <name>=<file>
//       pictures by name, files relative to the skin folder, in any format the image library
//       reads (BMP, PNG, JPEG); [BitmapResource] wins when both name a picture;
//   [COLORS] <number>="R G B"
//       the skin's colours by number; a number the skin does not set is the system colour of
//       that number (GetSysColor), so colour 15 is the dialog face;
//   [CAPTION] Active="R G B", Inactive="R G B", Text="R G B"
//       the frame's caption (defaults: the system's caption colours and white text).
// Every entry is called from the UI thread.
#pragma once

#include <string>

#include "platform/base/WinTypes.h"
#include "platform/gdi/Gdi.h"

// Sent to an attached frame when the user clicks the skin button of its caption; wParam points
// to the button's rectangle relative to the window's top-left corner, valid during the call.
#ifndef WM_SKIN_MENU
#define WM_SKIN_MENU 0x0724
#endif

// Takes on the skin of that skin.ini for the whole program: attached frames, dialogs created
// from now on by this thread, pictures. flags is 1 (the only value the program passes). FALSE
// when the file does not exist; the previous skin then stays.
BOOL SkinLoad(LPCSTR skinIni, int flags = 1);
// Switches the running program to another skin: as SkinLoad, and every attached frame, skinned
// dialog and skinned control repaints at once. The pictures of the previous skin are deleted, so
// callers ask for theirs again after a switch.
BOOL SkinSwitch(LPCSTR skinIni, int flags = 1);
// Releases the skin: pictures deleted, frames and dialogs drawn in the plain look again.
void SkinRelease();
// Skins a frame window: its caption takes the skin's colours and gets the skin button, which
// sends WM_SKIN_MENU. menuId names the frame's menu resource and is kept for the skin menu.
BOOL SkinAttachFrame(HWND frame, UINT menuId = 128);
// Told right before a window is hidden: the background picture it gave (skinppSetBackgroundDC)
// is forgotten, since the window may release its DC while hidden.
void SkinBeforeHide(HWND hwnd);
// Skins a child control: its background is taken from the picture its parent gave with
// skinppSetBackgroundDC, and it repaints on a skin switch. flags is 0.
void SkinChildControl(HWND child, int flags = 0);
// The skin's colour of that number (see above).
COLORREF SkinGetColor(int number);

// A skinned dialog normally gets the skin's face colour as background; with TRUE its own
// WM_ERASEBKGND handling is used instead.
void skinppSetDialogEraseBkgnd(HWND dialog, BOOL ownErase);
// The picture of a window's background, drawn by the window into a memory DC it keeps: skinned
// child controls of that window erase with the part of it under them. A null DC forgets it.
void skinppSetBackgroundDC(HWND hwnd, HDC dc);
// The current skin's picture of that name, or null when the skin has none (or no skin is
// loaded). The library owns the bitmap: the same handle comes back until the skin changes. A
// caller that deletes it anyway gets a fresh one at its next request.
HBITMAP skinppGetBitmapRes(LPCSTR name);

namespace platform {

// The skin.ini in use, empty when none (tests and the skin menu).
std::string CurrentSkinIni();

}  // namespace platform
