// The framework's calls into the skin library, in one place: load the skin at start-up, switch
// to another one, release it, attach it to the main frame, tell it about a window that is about
// to hide, and ask it for a colour or a picture of the current skin.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/gdi/Gdi.h"

void SkinLoad(LPCSTR skinIniPath);
void SkinSwitch(LPCSTR skinIniPath);
void SkinRelease();
void SkinAttachFrame(HWND frame);
void SkinBeforeHide(HWND window);
COLORREF SkinGetColor(int index);
HBITMAP SkinGetBitmap(LPCSTR name);
