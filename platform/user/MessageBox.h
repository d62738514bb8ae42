// Message boxes, built on the dialog manager: a modal dialog with the system icon of the style,
// the GBK text (sized with DrawText's DT_CALCRECT in the dialog font "宋体" 9 point) and the
// buttons of the style, answering with the id of the button pressed.
//
// Enter presses the default button (MB_DEFBUTTON1 to 3), the buttons' mnemonics (Y, N, A, R, I,
// T, C) press them, and Escape or closing the box answers IDCANCEL when the box has a Cancel
// button, IDOK for an MB_OK box, and does nothing otherwise. MB_APPLMODAL disables the owner;
// MB_TASKMODAL without an owner disables every top-level window of the calling thread;
// MB_SYSTEMMODAL and MB_TOPMOST keep the box above other windows.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/user/Dialog.h"

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_CANCELTRYCONTINUE 0x00000006L
#define MB_TYPEMASK 0x0000000FL

#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONMASK 0x000000F0L

#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFBUTTON4 0x00000300L
#define MB_DEFMASK 0x00000F00L

#define MB_APPLMODAL 0x00000000L
#define MB_SYSTEMMODAL 0x00001000L
#define MB_TASKMODAL 0x00002000L
#define MB_MODEMASK 0x00003000L
#define MB_SETFOREGROUND 0x00010000L
#define MB_TOPMOST 0x00040000L

#define MB_ICONSIZE 32

// 0 when the box cannot be made or a WM_QUIT ended it (the WM_QUIT is posted again).
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
// There is no sound layer to play the system sounds through, so this only answers TRUE.
BOOL MessageBeep(UINT type);

#define MessageBox MessageBoxA

namespace platform {

// The dialog template MessageBoxA runs, for tests and for the boxes' look: the layout of a box
// of this text, caption and style. `defaultId` receives the id of the default button.
std::vector<BYTE> MessageBoxTemplate(LPCSTR text, LPCSTR caption, UINT type, int* defaultId);

}  // namespace platform
