// The dialog manager: dialogs from templates (modeless and modal), the dialog class "#32770"
// and its default procedure, dialog units, the keyboard interface of IsDialogMessage and the
// helpers that address a dialog's controls by id.
//
// Creation (CreateDialogIndirectParam) follows Win32: the dialog window is made hidden with the
// template's styles (DS_MODALFRAME adds WS_EX_DLGMODALFRAME, DS_SYSMODAL adds WS_EX_TOPMOST,
// DS_CONTROL makes a child without caption), its client area sized from the template in dialog
// units; with DS_SETFONT the font is made from the template and sent to the dialog with
// WM_SETFONT before the controls exist; each control is created in template order (which is its
// z-order and tab order) and gets WM_SETFONT with the dialog font; then WM_INITDIALOG goes to the
// dialog procedure with the first tab stop in wParam. When the procedure returns TRUE that
// control takes the focus (an edit control has its text selected). A template with WS_VISIBLE is
// shown last. Dialog units become pixels with the dialog font's average character width and
// height: x * width / 4 and y * height / 8.
//
// The dialog procedure (DLGPROC) is called first for every message by DefDlgProc; when it returns
// TRUE the result of the message is DWLP_MSGRESULT (for WM_INITDIALOG, WM_CTLCOLOR*,
// WM_COMPAREITEM, WM_VKEYTOITEM, WM_CHARTOITEM and WM_QUERYDRAGICON its return value itself).
//
// Modal dialogs (DialogBoxIndirectParam) disable their owner (the top-level window of the parent
// given), show the dialog and run their own message loop, which processes sent messages like
// every loop here and passes keyboard input through IsDialogMessage, until EndDialog. A WM_QUIT
// ends the loop and is posted again for the loop outside; the dialog then returns 0.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/user/DialogTemplate.h"
#include "platform/user/WinUser.h"
#include "platform/user/controls/Controls.h"

typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

// The dialog's window bytes: the message result, the dialog procedure and a user field.
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC (DWLP_MSGRESULT + static_cast<int>(sizeof(LRESULT)))
#define DWLP_USER (DWLP_DLGPROC + static_cast<int>(sizeof(DLGPROC)))
#define DLGWINDOWEXTRA (DWLP_USER + static_cast<int>(sizeof(LONG_PTR)))

#define WM_NEXTDLGCTL 0x0028
#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)
#define DM_REPOSITION (WM_USER + 2)
#define DC_HASDEFID 0x534B

#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define IDCLOSE 8
#define IDHELP 9
#define IDTRYAGAIN 10
#define IDCONTINUE 11

HWND CreateDialogIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND parent, DLGPROC proc,
                                LPARAM initParam);
HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM initParam);
#define CreateDialogA(instance, name, parent, proc) CreateDialogParamA(instance, name, parent, proc, 0)
#define CreateDialogIndirectA(instance, tmpl, parent, proc) CreateDialogIndirectParamA(instance, tmpl, parent, proc, 0)
// -1 when the dialog cannot be created; 0 when a WM_QUIT ended it.
INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND parent, DLGPROC proc,
                                LPARAM initParam);
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM initParam);
#define DialogBoxA(instance, name, parent, proc) DialogBoxParamA(instance, name, parent, proc, 0)
#define DialogBoxIndirectA(instance, tmpl, parent, proc) DialogBoxIndirectParamA(instance, tmpl, parent, proc, 0)
// Marks a modal dialog as ended with the result (its loop then destroys it); a modeless dialog
// is only hidden, as in Win32. FALSE for a window that is not a dialog.
BOOL EndDialog(HWND dialog, INT_PTR result);
LRESULT DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

BOOL IsDialogMessageA(HWND dialog, LPMSG msg);
BOOL MapDialogRect(HWND dialog, LPRECT rect);
// LOWORD: the average character width, HIWORD: the character height of the system font.
LONG GetDialogBaseUnits();

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int maxCount);
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
// Reads a decimal number: leading and trailing spaces are allowed, a minus sign only with
// isSigned; anything else, or a value beyond the range of the type, fails (translated FALSE,
// result 0).
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);

#define CreateDialogIndirectParam CreateDialogIndirectParamA
#define CreateDialogParam CreateDialogParamA
#define CreateDialog CreateDialogA
#define CreateDialogIndirect CreateDialogIndirectA
#define DialogBoxIndirectParam DialogBoxIndirectParamA
#define DialogBoxParam DialogBoxParamA
#define DialogBox DialogBoxA
#define DialogBoxIndirect DialogBoxIndirectA
#define DefDlgProc DefDlgProcA
#define IsDialogMessage IsDialogMessageA
#define GetDlgItemText GetDlgItemTextA
#define SetDlgItemText SetDlgItemTextA
#define SendDlgItemMessage SendDlgItemMessageA

namespace platform {

// Registers the dialog class "#32770" (DefDlgProc, DLGWINDOWEXTRA window bytes) once; window
// creation calls it, so that the class exists as a system class does.
bool RegisterDialogClass();

// The dialog font's character width and height in pixels (the dialog base units of
// MapDialogRect); false for a window that is not a dialog.
bool DialogBaseUnits(HWND dialog, int& width, int& height);
// The average character width and height of a font as the dialog manager computes them: the
// width of the 52 Latin letters divided by 26, rounded, and the font's height.
bool FontBaseUnits(HFONT font, int& width, int& height);

}  // namespace platform
