// Rectangle and point helpers with Win32's rules: a rectangle holds its left and top edges but
// not its right and bottom ones, and an empty result is all zeros.
#pragma once

#include "platform/base/WinTypes.h"

BOOL SetRect(LPRECT rc, int left, int top, int right, int bottom);
BOOL SetRectEmpty(LPRECT rc);
BOOL CopyRect(LPRECT dst, const RECT* src);
BOOL IsRectEmpty(const RECT* rc);
BOOL EqualRect(const RECT* a, const RECT* b);
BOOL PtInRect(const RECT* rc, POINT pt);
BOOL OffsetRect(LPRECT rc, int dx, int dy);
BOOL InflateRect(LPRECT rc, int dx, int dy);
// Sets dst to the overlap of a and b; when they do not overlap, dst becomes (0,0,0,0) and the
// result is FALSE.
BOOL IntersectRect(LPRECT dst, const RECT* a, const RECT* b);
// Sets dst to the smallest rectangle holding both; empty inputs are ignored; both empty gives
// (0,0,0,0) and FALSE.
BOOL UnionRect(LPRECT dst, const RECT* a, const RECT* b);
// Sets dst to a minus b when the difference is itself a rectangle (b covers a whole side of a),
// else to a. FALSE when the result is empty.
BOOL SubtractRect(LPRECT dst, const RECT* a, const RECT* b);

inline LONG RectWidth(const RECT& rc) { return rc.right - rc.left; }
inline LONG RectHeight(const RECT& rc) { return rc.bottom - rc.top; }
