// CPoint, CSize and CRect: the geometry records with the class library's helpers. They derive
// from POINT, SIZE and RECT, so they pass wherever the records are expected.
#pragma once

#include "platform/base/RectUtil.h"
#include "platform/base/WinTypes.h"

class CSize : public SIZE {
 public:
  CSize() { cx = 0; cy = 0; }
  CSize(int initCX, int initCY) { cx = initCX; cy = initCY; }
  CSize(SIZE initSize) { cx = initSize.cx; cy = initSize.cy; }
  // The low word is cx, the high word cy, as in a WM_SIZE lParam.
  explicit CSize(DWORD dwSize) { cx = (short)LOWORD(dwSize); cy = (short)HIWORD(dwSize); }
  BOOL operator==(SIZE size) const { return cx == size.cx && cy == size.cy; }
  BOOL operator!=(SIZE size) const { return !(*this == size); }
  void operator+=(SIZE size) { cx += size.cx; cy += size.cy; }
  void operator-=(SIZE size) { cx -= size.cx; cy -= size.cy; }
  CSize operator+(SIZE size) const { return CSize(cx + size.cx, cy + size.cy); }
  CSize operator-(SIZE size) const { return CSize(cx - size.cx, cy - size.cy); }
  CSize operator-() const { return CSize(-cx, -cy); }
};

class CPoint : public POINT {
 public:
  CPoint() { x = 0; y = 0; }
  CPoint(int initX, int initY) { x = initX; y = initY; }
  CPoint(POINT initPt) { x = initPt.x; y = initPt.y; }
  CPoint(SIZE initSize) { x = initSize.cx; y = initSize.cy; }
  // The low word is x, the high word y, both signed, as in a mouse message's lParam.
  explicit CPoint(DWORD dwPoint) { x = (short)LOWORD(dwPoint); y = (short)HIWORD(dwPoint); }
  void Offset(int xOffset, int yOffset) { x += xOffset; y += yOffset; }
  void Offset(POINT point) { Offset(point.x, point.y); }
  void Offset(SIZE size) { Offset(size.cx, size.cy); }
  BOOL operator==(POINT point) const { return x == point.x && y == point.y; }
  BOOL operator!=(POINT point) const { return !(*this == point); }
  void operator+=(SIZE size) { x += size.cx; y += size.cy; }
  void operator-=(SIZE size) { x -= size.cx; y -= size.cy; }
  void operator+=(POINT point) { x += point.x; y += point.y; }
  void operator-=(POINT point) { x -= point.x; y -= point.y; }
  CPoint operator+(SIZE size) const { return CPoint(x + size.cx, y + size.cy); }
  CPoint operator-(SIZE size) const { return CPoint(x - size.cx, y - size.cy); }
  CPoint operator+(POINT point) const { return CPoint(x + point.x, y + point.y); }
  CSize operator-(POINT point) const { return CSize(x - point.x, y - point.y); }
  CPoint operator-() const { return CPoint(-x, -y); }
};

class CRect : public RECT {
 public:
  CRect() { left = top = right = bottom = 0; }
  CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
  CRect(const RECT& srcRect) { left = srcRect.left; top = srcRect.top; right = srcRect.right; bottom = srcRect.bottom; }
  CRect(LPCRECT lpSrcRect) : CRect(*lpSrcRect) {}
  CRect(POINT point, SIZE size) : CRect(point.x, point.y, point.x + size.cx, point.y + size.cy) {}
  CRect(POINT topLeft, POINT bottomRight) : CRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y) {}

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CSize Size() const { return CSize(Width(), Height()); }
  CPoint& TopLeft() { return *reinterpret_cast<CPoint*>(&left); }
  CPoint& BottomRight() { return *reinterpret_cast<CPoint*>(&right); }
  const CPoint& TopLeft() const { return *reinterpret_cast<const CPoint*>(&left); }
  const CPoint& BottomRight() const { return *reinterpret_cast<const CPoint*>(&right); }
  CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
  operator LPRECT() { return this; }
  operator LPCRECT() const { return this; }

  BOOL IsRectEmpty() const { return ::IsRectEmpty(this); }
  BOOL IsRectNull() const { return left == 0 && right == 0 && top == 0 && bottom == 0; }
  BOOL PtInRect(POINT point) const { return ::PtInRect(this, point); }
  void SetRect(int x1, int y1, int x2, int y2) { left = x1; top = y1; right = x2; bottom = y2; }
  void SetRectEmpty() { left = top = right = bottom = 0; }
  void CopyRect(LPCRECT lpSrcRect) { *static_cast<RECT*>(this) = *lpSrcRect; }
  BOOL EqualRect(LPCRECT lpRect) const { return ::EqualRect(this, lpRect); }
  void InflateRect(int x, int y) { left -= x; top -= y; right += x; bottom += y; }
  void InflateRect(SIZE size) { InflateRect(size.cx, size.cy); }
  void InflateRect(int l, int t, int r, int b) { left -= l; top -= t; right += r; bottom += b; }
  void DeflateRect(int x, int y) { InflateRect(-x, -y); }
  void DeflateRect(SIZE size) { InflateRect(-size.cx, -size.cy); }
  void DeflateRect(int l, int t, int r, int b) { InflateRect(-l, -t, -r, -b); }
  void OffsetRect(int x, int y) { left += x; right += x; top += y; bottom += y; }
  void OffsetRect(POINT point) { OffsetRect(point.x, point.y); }
  void OffsetRect(SIZE size) { OffsetRect(size.cx, size.cy); }
  void NormalizeRect() {
    if (left > right) { int t = left; left = right; right = t; }
    if (top > bottom) { int t = top; top = bottom; bottom = t; }
  }
  BOOL IntersectRect(LPCRECT lpRect1, LPCRECT lpRect2) { return ::IntersectRect(this, lpRect1, lpRect2); }
  BOOL UnionRect(LPCRECT lpRect1, LPCRECT lpRect2) { return ::UnionRect(this, lpRect1, lpRect2); }

  BOOL operator==(const RECT& rect) const { return ::EqualRect(this, &rect); }
  BOOL operator!=(const RECT& rect) const { return !::EqualRect(this, &rect); }
  void operator+=(POINT point) { OffsetRect(point); }
  void operator-=(POINT point) { OffsetRect(-point.x, -point.y); }
  CRect operator+(POINT point) const { CRect r(*this); r.OffsetRect(point); return r; }
  CRect operator-(POINT point) const { CRect r(*this); r.OffsetRect(-point.x, -point.y); return r; }
  void operator&=(const RECT& rect) { ::IntersectRect(this, this, &rect); }
  void operator|=(const RECT& rect) { ::UnionRect(this, this, &rect); }
  CRect operator&(const RECT& rect) const { CRect r; ::IntersectRect(&r, this, &rect); return r; }
  CRect operator|(const RECT& rect) const { CRect r; ::UnionRect(&r, this, &rect); return r; }
};
