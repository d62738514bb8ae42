// The rich-edit control: window class "RichEdit20A" (also "RICHEDIT", the name dialog templates
// use). Its text is a sequence of characters, each with a character format (face, size in twips,
// colour, bold, italic, underline, link, character set) and, for embedded pictures, an object
// that takes one character position. Paragraph ends are one character ('\r') whatever line
// break the caller gave ("\r\n", "\r" or "\n"). Character positions count characters, not GBK
// bytes; the text that goes in and out through the "A" messages is GBK.
//
// The control word-wraps at its client width (at spaces, and between CJK characters), scrolls
// vertically by pixels, draws the selection, reports clicks on link text to its parent as
// EN_LINK (WM_NOTIFY) when the event mask asks for ENM_LINK, and shows the hand cursor over
// links. Appending at the end lays out only the paragraphs that changed, so a growing log costs
// the same per line however long it is.
//
// With WS_VSCROLL the control draws its own vertical scroll bar inside its client area (the bar
// is always shown, disabled while there is nothing to scroll, as with ES_DISABLENOSCROLL).
#pragma once

#include <cstdint>

#include "platform/base/WinTypes.h"
#include "platform/kernel/Module.h"
#include "platform/user/WinUser.h"

#define RICHEDIT_CLASSA "RichEdit20A"
#define RICHEDIT_CLASS10A "RICHEDIT"

// Edit styles, scroll requests and edit messages the control shares with the edit control and
// the scroll bar. They are spelt exactly as there, so that both headers may be included together.
#define ES_LEFT 0x0000L
#define ES_MULTILINE 0x0004L
#define ES_AUTOVSCROLL 0x0040L
#define ES_AUTOHSCROLL 0x0080L
#define ES_NOHIDESEL 0x0100L
#define ES_READONLY 0x0800L
#define ES_WANTRETURN 0x1000L
#define ES_SAVESEL 0x00008000L
#define ES_DISABLENOSCROLL 0x00002000L

#define SB_LINEUP 0
#define SB_LINEDOWN 1
#define SB_PAGEUP 2
#define SB_PAGEDOWN 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define SB_TOP 6
#define SB_BOTTOM 7
#define SB_ENDSCROLL 8

#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_SCROLL 0x00B5
#define EM_LINESCROLL 0x00B6
#define EM_SCROLLCARET 0x00B7
#define EM_GETLINECOUNT 0x00BA
#define EM_LINEINDEX 0x00BB
#define EM_LINELENGTH 0x00C1
#define EM_REPLACESEL 0x00C2
#define EM_LIMITTEXT 0x00C5
#define EM_LINEFROMCHAR 0x00C9
#define EM_GETFIRSTVISIBLELINE 0x00CE
#define EM_SETREADONLY 0x00CF
#define EM_POSFROMCHAR 0x00D6
#define EM_CHARFROMPOS 0x00D7
// The rich edit answers the edit control's number and its own (WM_USER + 37) alike.
#define EM_GETLIMITTEXT 0x00D5

// Rich-edit messages.
#define EM_EXGETSEL (WM_USER + 52)
#define EM_EXLIMITTEXT (WM_USER + 53)
#define EM_EXLINEFROMCHAR (WM_USER + 54)
#define EM_EXSETSEL (WM_USER + 55)
#define EM_GETCHARFORMAT (WM_USER + 58)
#define EM_GETEVENTMASK (WM_USER + 59)
#define EM_GETOLEINTERFACE (WM_USER + 60)
#define EM_GETSELTEXT (WM_USER + 62)
#define EM_HIDESELECTION (WM_USER + 63)
#define EM_SETBKGNDCOLOR (WM_USER + 67)
#define EM_SETCHARFORMAT (WM_USER + 68)
#define EM_SETEVENTMASK (WM_USER + 69)
#define EM_GETTEXTRANGE (WM_USER + 75)
#define EM_AUTOURLDETECT (WM_USER + 91)
#define EM_GETTEXTLENGTHEX (WM_USER + 95)

// EM_SETCHARFORMAT / EM_GETCHARFORMAT: which format.
#define SCF_DEFAULT 0x0000
#define SCF_SELECTION 0x0001
#define SCF_WORD 0x0002
#define SCF_ALL 0x0004

// CHARFORMAT mask bits and effects. An effect's bit in dwEffects is the same as its bit in
// dwMask, and CFE_AUTOCOLOR belongs to CFM_COLOR.
#define CFM_BOLD 0x00000001
#define CFM_ITALIC 0x00000002
#define CFM_UNDERLINE 0x00000004
#define CFM_STRIKEOUT 0x00000008
#define CFM_PROTECTED 0x00000010
#define CFM_LINK 0x00000020
#define CFM_WEIGHT 0x00400000
#define CFM_SIZE 0x80000000
#define CFM_COLOR 0x40000000
#define CFM_FACE 0x20000000
#define CFM_OFFSET 0x10000000
#define CFM_CHARSET 0x08000000
#define CFM_EFFECTS (CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_COLOR | CFM_STRIKEOUT | CFM_PROTECTED | CFM_LINK)
#define CFM_ALL (CFM_EFFECTS | CFM_SIZE | CFM_FACE | CFM_OFFSET | CFM_CHARSET)
#define CFE_BOLD 0x00000001
#define CFE_ITALIC 0x00000002
#define CFE_UNDERLINE 0x00000004
#define CFE_STRIKEOUT 0x00000008
#define CFE_PROTECTED 0x00000010
#define CFE_LINK 0x00000020
#define CFE_AUTOCOLOR 0x40000000

// Event mask bits (EM_SETEVENTMASK).
#define ENM_NONE 0x00000000
#define ENM_CHANGE 0x00000001
#define ENM_UPDATE 0x00000002
#define ENM_SCROLL 0x00000004
#define ENM_KEYEVENTS 0x00010000
#define ENM_MOUSEEVENTS 0x00020000
#define ENM_SELCHANGE 0x00080000
#define ENM_LINK 0x04000000

// WM_NOTIFY codes.
#define EN_LINK 0x070b

// EM_GETTEXTLENGTHEX flags.
#define GTL_DEFAULT 0
#define GTL_USECRLF 1
#define GTL_PRECISE 2
#define GTL_CLOSE 4
#define GTL_NUMCHARS 8
#define GTL_NUMBYTES 16

// The face name holds 32 characters with its terminator.
#define LF_FACESIZE_RICHEDIT 32

struct CHARFORMATA {
  UINT cbSize;
  DWORD dwMask;
  DWORD dwEffects;
  LONG yHeight;
  LONG yOffset;
  COLORREF crTextColor;
  BYTE bCharSet;
  BYTE bPitchAndFamily;
  char szFaceName[LF_FACESIZE_RICHEDIT];
};
typedef CHARFORMATA CHARFORMAT;

struct CHARFORMAT2A : CHARFORMATA {
  WORD wWeight;
  SHORT sSpacing;
  COLORREF crBackColor;
  DWORD lcid;
  DWORD dwReserved;
  SHORT sStyle;
  WORD wKerning;
  BYTE bUnderlineType;
  BYTE bAnimation;
  BYTE bRevAuthor;
  BYTE bReserved1;
};
typedef CHARFORMAT2A CHARFORMAT2;

struct CHARRANGE {
  LONG cpMin;
  LONG cpMax;
};

struct TEXTRANGEA {
  CHARRANGE chrg;
  LPSTR lpstrText;
};
typedef TEXTRANGEA TEXTRANGE;

struct GETTEXTLENGTHEX {
  DWORD flags;
  UINT codepage;
};

struct POINTL {
  LONG x;
  LONG y;
};

struct ENLINK {
  NMHDR nmhdr;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  CHARRANGE chrg;
};

// Registers the control's window classes; loading "RICHED20.DLL" (any case, through
// platform/kernel/Module.h) calls it. Safe to call more than once.
BOOL RegisterRichEditClasses();

// The framework's rich-edit initialisation: registers the control's classes; TRUE on success.
BOOL AfxInitRichEdit();

namespace platform {

// How many paragraphs the control has laid out since it was created (tests and benchmarks check
// that appending lays out only what was appended); 0 for other windows.
uint64_t RichEditParagraphsLaidOut(HWND hwnd);

}  // namespace platform
