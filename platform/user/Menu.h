// Menus: pop-up menus and menu bars as handles, their items (strings, separators, sub-menus,
// owner-drawn items with caller data), menu templates in the binary RT_MENU layout, and
// TrackPopupMenu with its own modal loop.
//
// A menu handle is a small number that stays valid until DestroyMenu; destroying a menu destroys
// its sub-menus too, as in Win32. Menus are meant for one thread (the UI thread), but the handle
// table is locked so that a stray call from another thread cannot corrupt it.
//
// TrackPopupMenu shows the menu as a top-most pop-up window beside the given point, takes the
// mouse capture and runs a loop of its own until an item is chosen or the menu is dismissed:
// Up/Down move the selection (separators are skipped), Right or Enter opens a sub-menu, Left or
// Escape closes one (Escape on the first level dismisses the menu), Enter chooses the selected
// command, the letter after an item's '&' chooses that item; the pointer selects the item under it and opens sub-menus on hover, a button release
// on a command chooses it (the right button too with TPM_RIGHTBUTTON), a button press outside
// every level dismisses the menu. While the loop waits for input it sends WM_ENTERIDLE
// (MSGF_MENU, the menu window) to the owner. Owner-drawn items are measured with WM_MEASUREITEM
// once per showing and drawn with WM_DRAWITEM (ODT_MENU) sent to the owner.
#pragma once

#include <cstddef>

#include "platform/base/WinTypes.h"
#include "platform/user/WinUser.h"

#define MF_INSERT 0x00000000L
#define MF_CHANGE 0x00000080L
#define MF_APPEND 0x00000100L
#define MF_DELETE 0x00000200L
#define MF_REMOVE 0x00001000L
#define MF_BYCOMMAND 0x00000000L
#define MF_BYPOSITION 0x00000400L
#define MF_SEPARATOR 0x00000800L
#define MF_ENABLED 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_UNCHECKED 0x00000000L
#define MF_CHECKED 0x00000008L
#define MF_USECHECKBITMAPS 0x00000200L
#define MF_STRING 0x00000000L
#define MF_BITMAP 0x00000004L
#define MF_OWNERDRAW 0x00000100L
#define MF_POPUP 0x00000010L
#define MF_MENUBARBREAK 0x00000020L
#define MF_MENUBREAK 0x00000040L
#define MF_UNHILITE 0x00000000L
#define MF_HILITE 0x00000080L
#define MF_DEFAULT 0x00001000L
#define MF_RIGHTJUSTIFY 0x00004000L
#define MF_MOUSESELECT 0x00008000L
// Marks the last item of a level in a menu template.
#define MF_END 0x00000080L

#define MFT_STRING MF_STRING
#define MFT_BITMAP MF_BITMAP
#define MFT_MENUBARBREAK MF_MENUBARBREAK
#define MFT_MENUBREAK MF_MENUBREAK
#define MFT_OWNERDRAW MF_OWNERDRAW
#define MFT_RADIOCHECK 0x00000200L
#define MFT_SEPARATOR MF_SEPARATOR
#define MFT_RIGHTJUSTIFY MF_RIGHTJUSTIFY

#define MFS_GRAYED 0x00000003L
#define MFS_DISABLED MFS_GRAYED
#define MFS_CHECKED MF_CHECKED
#define MFS_HILITE MF_HILITE
#define MFS_ENABLED MF_ENABLED
#define MFS_UNCHECKED MF_UNCHECKED
#define MFS_UNHILITE MF_UNHILITE
#define MFS_DEFAULT MF_DEFAULT

#define MIIM_STATE 0x00000001
#define MIIM_ID 0x00000002
#define MIIM_SUBMENU 0x00000004
#define MIIM_CHECKMARKS 0x00000008
#define MIIM_TYPE 0x00000010
#define MIIM_DATA 0x00000020
#define MIIM_STRING 0x00000040
#define MIIM_BITMAP 0x00000080
#define MIIM_FTYPE 0x00000100

#define TPM_LEFTBUTTON 0x0000L
#define TPM_RIGHTBUTTON 0x0002L
#define TPM_LEFTALIGN 0x0000L
#define TPM_CENTERALIGN 0x0004L
#define TPM_RIGHTALIGN 0x0008L
#define TPM_TOPALIGN 0x0000L
#define TPM_VCENTERALIGN 0x0010L
#define TPM_BOTTOMALIGN 0x0020L
#define TPM_NONOTIFY 0x0080L
#define TPM_RETURNCMD 0x0100L

// WM_ENTERIDLE's reason while a menu loop waits.
#define MSGF_MENU 2
#define WM_UNINITMENUPOPUP 0x0125

// Owner-draw item states and actions.
#define ODA_DRAWENTIRE 0x0001
#define ODA_SELECT 0x0002
#define ODA_FOCUS 0x0004
#define ODS_SELECTED 0x0001
#define ODS_GRAYED 0x0002
#define ODS_DISABLED 0x0004
#define ODS_CHECKED 0x0008
#define ODS_FOCUS 0x0010
#define ODS_DEFAULT 0x0020

struct MENUITEMINFOA {
  UINT cbSize;
  UINT fMask;
  UINT fType;
  UINT fState;
  UINT wID;
  HMENU hSubMenu;
  HBITMAP hbmpChecked;
  HBITMAP hbmpUnchecked;
  ULONG_PTR dwItemData;
  LPSTR dwTypeData;
  UINT cch;
  HBITMAP hbmpItem;
};
typedef MENUITEMINFOA MENUITEMINFO;
typedef MENUITEMINFOA* LPMENUITEMINFOA;
typedef MENUITEMINFOA* LPMENUITEMINFO;
typedef const MENUITEMINFOA* LPCMENUITEMINFOA;
typedef const MENUITEMINFOA* LPCMENUITEMINFO;

struct TPMPARAMS {
  UINT cbSize;
  RECT rcExclude;
};
typedef TPMPARAMS* LPTPMPARAMS;

HMENU CreateMenu();
HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);
// `newItem` is the command id, or the sub-menu's handle with MF_POPUP. With MF_OWNERDRAW `text`
// is the item's data, kept as given; otherwise it is GBK text (null: no text).
BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR newItem, LPCSTR text);
// `position` is a position with MF_BYPOSITION (-1 or one past the end: append), else a command
// id searched in the menu and its sub-menus; the new item goes before it (an unknown command
// fails).
BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, LPCSTR text);
BOOL InsertMenuItemA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info);
BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, LPCSTR text);
// Takes the item out; a sub-menu is kept (RemoveMenu) or destroyed (DeleteMenu).
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
int GetMenuItemCount(HMENU menu);
// The command id; -1 for a sub-menu or a position that does not exist.
UINT GetMenuItemID(HMENU menu, int position);
HMENU GetSubMenu(HMENU menu, int position);
BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info);
BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info);
// Copies at most maxCount - 1 bytes and a terminating zero (a double-byte character is never
// split); returns the bytes copied. With a null buffer returns the text's length.
int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int maxCount, UINT flags);
// Previous MF_CHECKED/MF_UNCHECKED, or -1 (as a DWORD) when the item does not exist.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags);
// Previous MF_ENABLED/MF_GRAYED/MF_DISABLED state, or -1 when the item does not exist.
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);
// The item's MF_ flags; for a sub-menu the item count in the high byte; -1 when none.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
LONG GetMenuCheckMarkDimensions();
// Parses a standard menu template (header: version 0, offset to the items). Returns null for a
// template of another version or one whose levels are not closed by MF_END.
HMENU LoadMenuIndirectA(const void* menuTemplate);
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params);
BOOL EndMenu();
// A window's menu bar is remembered but takes no room and is not drawn: the frames of this
// program remove their bar (SetMenu(hwnd, NULL)) before they are first shown. SetMenu fails for
// child windows and for a handle that is not a menu.
BOOL SetMenu(HWND hwnd, HMENU menu);
HMENU GetMenu(HWND hwnd);
BOOL DrawMenuBar(HWND hwnd);

#define AppendMenu AppendMenuA
#define InsertMenu InsertMenuA
#define InsertMenuItem InsertMenuItemA
#define ModifyMenu ModifyMenuA
#define GetMenuItemInfo GetMenuItemInfoA
#define SetMenuItemInfo SetMenuItemInfoA
#define GetMenuString GetMenuStringA
#define LoadMenuIndirect LoadMenuIndirectA

namespace platform {

// The same parse with the template's size known: every read is checked against it.
HMENU LoadMenuTemplate(const void* menuTemplate, size_t size);
// The window of the innermost level of the menu being tracked by the calling thread, or null.
HWND TrackedMenuWindow(int level);

}  // namespace platform
