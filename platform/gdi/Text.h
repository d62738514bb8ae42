// Text output and measurement on device contexts: TextOut, ExtTextOut, DrawText, the text
// alignment, text metrics and extents. All narrow text is GBK; the W calls take wchar_t.
// Glyphs are blended into the 32-bit surface with the DC's text colour (bitmap strikes land
// solid); with the OPAQUE background mode the character cells are first filled with the
// background colour. Drawing clips to the DC's clip region.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/TextLayout.h"

#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24
#define TA_RTLREADING 256
#define GDI_ERROR 0xFFFFFFFFu

#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count);
BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count);
// lpDx gives the advance of each byte (A) or character (W); a GBK character advances by the sum
// of its two bytes' entries.
BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const INT* dx);
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx);

// count -1 means a terminated string. Returns the text height (see TextLayout::Layout), 0 on
// failure.
int DrawTextA(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format);
int DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format);

BOOL GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics);
BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, LPSIZE size);
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, LPSIZE size);

// Gives the drawing layer DrawState's text drawing and measuring; called once at start-up by
// the font part, together with the stock fonts' maker.
void RegisterDrawStateTextHooks();

#define TextOut TextOutA
#define ExtTextOut ExtTextOutA
#define DrawText DrawTextA
#define GetTextMetrics GetTextMetricsA
#define GetTextExtentPoint32 GetTextExtentPoint32A
