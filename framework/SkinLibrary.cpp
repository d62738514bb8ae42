#include "framework/SkinLibrary.h"

// The skin library draws windows in the skin's look; the program runs unskinned without it, and
// every call here is then without effect, which is what the program relies on.
void SkinLoad(LPCSTR) {}
void SkinSwitch(LPCSTR) {}
void SkinRelease() {}
void SkinAttachFrame(HWND) {}
void SkinBeforeHide(HWND) {}
COLORREF SkinGetColor(int) { return RGB(0, 0, 0); }
HBITMAP SkinGetBitmap(LPCSTR) { return nullptr; }
