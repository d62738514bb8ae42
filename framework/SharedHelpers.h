// Free functions that the framework and the game layers share: the machine id that requests
// carry, the hall's folder and the shared settings file, text trimming, colour parsing, a few
// drawing helpers, DPI scaling and the wealth titles. The bar splitter SplitString lives in the
// network library's helpers so that the controls can use it too.
#pragma once

#include <string>

#include "net/SystemHelpers.h"
#include "platform/base/WinTypes.h"
#include "platform/gdi/Gdi.h"
#include "platform/mfc/String.h"

// Bytes of the machine id field in request bodies: at most 31 characters and the terminator.
#define MACHINE_ID_SIZE 32
// Bytes of adapter addresses that the machine id is made from.
#define MAC_BUFFER_SIZE 128

// The shared settings file ("kmvt.ini" in the system folder) and its [SYSTEM] section.
CString GetSharedSettingsPath();

// Writes the machine id (at most 31 characters and a zero) into out, which holds 32 bytes:
// the hexadecimal form of the Ethernet adapters' addresses, or, on a machine without one, the
// [SYSTEM] "UniqueID" of the shared settings file, made and stored when it is empty.
void GetMachineId(char* out);
// The same from a given set of adapter addresses (count -1 means the query failed), so that the
// rule can be checked without the machine's own adapters.
void MakeMachineId(const BYTE* addresses, int count, LPCSTR settingsPath, char* out);
// The addresses of the Ethernet adapters back to back, as many as fit whole into size bytes;
// returns the number of adapters written, -1 when the query fails.
int GetMacAddresses(BYTE* buffer, int size);

// [SYSTEM] "ExePath" of the shared settings file (at most 259 characters; empty when missing).
CString GetHallExePath();
// Drive and folder of the hall program with a trailing separator; empty when there is no path.
CString GetHallFolder();
// The web panes' whitelist file under the hall folder.
CString GetAdvertWhitelistPath();

// Removes leading and trailing ' ' (only spaces) in place and returns the text.
char* TrimSpaces(char* text);
// "R G B" in decimal (each channel modulo 256); one number gives that value for all three, two
// give the second for green and blue; an empty text gives the default.
COLORREF ParseRgbColor(LPCSTR text, COLORREF defaultColor);
CString IntToString(int value);
// Puts "http://" in front unless the text already begins with it, ignoring case.
void EnsureHttpPrefix(CString& url);

// Measures the text in the font, which is selected only for the measurement.
void GetTextSize(SIZE* size, HDC dc, HFONT font, LPCSTR text);
// A one-pixel solid line from (xFrom, y) to (xTo, y); the end pixel is not drawn.
void DrawHorizontalLine(HDC dc, COLORREF colour, int xFrom, int xTo, int y);
// Copies the source rectangle to the target, leaving out the pixels of the key colour.
void DrawTransparentBitmap(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                           COLORREF key);
// Tiles the bitmap over the rectangle with the pattern anchored at the DC's origin, or fills
// the rectangle with the colour when there is no bitmap.
void TileBitmapOrFill(HDC dc, const RECT* rect, HBITMAP bitmap, COLORREF colour);

// value x LOGPIXELSX / 96 (resp. LOGPIXELSY), truncated; the factor is read once and kept.
int ScaleByDpiX(int value);
int ScaleByDpiY(int value);
// MoveWindow with the position and size scaled by the screen's DPI, read on every call.
void MoveWindowDpiScaled(HWND window, int x, int y, int width, int height, BOOL repaint);

// The title that a player with this much silver holds; copies it into out and returns out.
CString& GetWealthTitle(int amount, CString& out);

// Plays the program's "SOUND" resource of that id from memory, asynchronously, without the
// default sound and without cutting a sound that plays.
BOOL PlayResourceSound(int resourceId);
// The same resource with the caller's flags plus SND_NODEFAULT and SND_MEMORY.
BOOL PlayResourceSoundEx(int resourceId, UINT flags);
// Plays "share\sound\<folder>\<file>" of the hall folder with the caller's flags.
BOOL PlayHallSound(LPCSTR folder, LPCSTR file, UINT flags);
