// CGdiObject and its kinds (CPen, CBrush, CFont, CBitmap, CRgn): owners of one drawing-layer
// handle each. An object made with a Create call or Attach owns its handle and deletes it when it
// is destroyed; Detach gives the handle back without deleting it.
//
// FromHandle gives the object that owns the handle on the calling thread, or a temporary wrapper
// that lives until the thread is idle (AfxDeleteTempGdiMaps), as the class library's handle maps
// do. Temporary wrappers never delete their handle.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"
#include "platform/mfc/GeometryTypes.h"
#include "platform/mfc/Object.h"
#include "platform/user/Resources.h"

class CDC;
HINSTANCE AFXAPI AfxGetResourceHandle();

class CGdiObject : public CObject {
  DECLARE_DYNCREATE(CGdiObject)

 public:
  CGdiObject() = default;
  ~CGdiObject() override;

  HGDIOBJ m_hObject = nullptr;
  operator HGDIOBJ() const { return m_hObject; }
  // The handle of pObject, null for a null object. The layer's own code uses this form: calling
  // a member on a null pointer (GetSafeHandle below) is what callers of the class library do,
  // but not something this code relies on.
  static HGDIOBJ HandleOf(const CGdiObject* pObject) { return pObject ? pObject->m_hObject : nullptr; }
  // Null for a null object, as callers rely on (pOldFont->GetSafeHandle()).
  HGDIOBJ GetSafeHandle() const {
    const CGdiObject* self = this;
    __asm__("" : "+r"(self));
    return self ? self->m_hObject : nullptr;
  }

  static CGdiObject* PASCAL FromHandle(HGDIOBJ hObject);
  BOOL Attach(HGDIOBJ hObject);
  HGDIOBJ Detach();
  // Deletes the handle (and forgets it); FALSE when there is none.
  BOOL DeleteObject();
  int GetObject(int nCount, LPVOID lpObject) const { return ::GetObject(m_hObject, nCount, lpObject); }
  UINT GetObjectType() const { return (UINT)::GetObjectType(m_hObject); }
  BOOL CreateStockObject(int nIndex) { return (m_hObject = ::GetStockObject(nIndex)) != nullptr; }

 protected:
  // The wrapper of the handle for the calling thread, made with pfnNew when there is none.
  static CGdiObject* FromHandleOf(HGDIOBJ hObject, const CRuntimeClass* pClass, CGdiObject* (*pfnNew)());
  friend void AfxDeleteTempGdiMaps();
};

// Deletes the calling thread's temporary GDI and DC wrappers (the thread's idle processing).
void AfxDeleteTempGdiMaps();

class CPen : public CGdiObject {
  DECLARE_DYNAMIC(CPen)

 public:
  CPen() = default;
  CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
  static CPen* PASCAL FromHandle(HPEN hPen);
  operator HPEN() const { return (HPEN)m_hObject; }
  BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor) { return Attach(::CreatePen(nPenStyle, nWidth, crColor)); }
  BOOL CreatePenIndirect(const LOGPEN* lpLogPen) { return Attach(::CreatePenIndirect(lpLogPen)); }
  int GetLogPen(LOGPEN* pLogPen) { return GetObject(sizeof(LOGPEN), pLogPen); }
};

class CBrush : public CGdiObject {
  DECLARE_DYNAMIC(CBrush)

 public:
  CBrush() = default;
  explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
  CBrush(int nIndex, COLORREF crColor) { CreateHatchBrush(nIndex, crColor); }
  explicit CBrush(class CBitmap* pBitmap);
  static CBrush* PASCAL FromHandle(HBRUSH hBrush);
  operator HBRUSH() const { return (HBRUSH)m_hObject; }
  BOOL CreateSolidBrush(COLORREF crColor) { return Attach(::CreateSolidBrush(crColor)); }
  BOOL CreateHatchBrush(int nIndex, COLORREF crColor) { return Attach(::CreateHatchBrush(nIndex, crColor)); }
  BOOL CreatePatternBrush(class CBitmap* pBitmap);
  BOOL CreateBrushIndirect(const LOGBRUSH* lpLogBrush) { return Attach(::CreateBrushIndirect(lpLogBrush)); }
  // The system colour's brush: a shared object, so the wrapper holds it like a stock object.
  BOOL CreateSysColorBrush(int nIndex) { return Attach(::CreateSolidBrush(::GetSysColor(nIndex))); }
  int GetLogBrush(LOGBRUSH* pLogBrush) { return GetObject(sizeof(LOGBRUSH), pLogBrush); }
};

class CFont : public CGdiObject {
  DECLARE_DYNAMIC(CFont)

 public:
  CFont() = default;
  static CFont* PASCAL FromHandle(HFONT hFont);
  operator HFONT() const { return (HFONT)m_hObject; }
  BOOL CreateFontIndirect(const LOGFONT* lpLogFont) { return Attach(::CreateFontIndirect(lpLogFont)); }
  BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                  BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                  BYTE nQuality, BYTE nPitchAndFamily, LPCTSTR lpszFacename) {
    return Attach(::CreateFont(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic, bUnderline, cStrikeOut,
                               nCharSet, nOutPrecision, nClipPrecision, nQuality, nPitchAndFamily, lpszFacename));
  }
  // nPointSize is in tenths of a point; the height is converted at the device's 96 pixels per
  // inch (pDC's LOGPIXELSY when given).
  BOOL CreatePointFont(int nPointSize, LPCTSTR lpszFaceName, CDC* pDC = nullptr);
  int GetLogFont(LOGFONT* pLogFont) { return GetObject(sizeof(LOGFONT), pLogFont); }
};

class CBitmap : public CGdiObject {
  DECLARE_DYNAMIC(CBitmap)

 public:
  CBitmap() = default;
  static CBitmap* PASCAL FromHandle(HBITMAP hBitmap);
  operator HBITMAP() const { return (HBITMAP)m_hObject; }
  BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits) {
    return Attach(::CreateBitmap(nWidth, nHeight, nPlanes, nBitcount, lpBits));
  }
  BOOL CreateBitmapIndirect(LPBITMAP lpBitmap) { return Attach(::CreateBitmapIndirect(lpBitmap)); }
  BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
  // The program's bitmap resource of that name or id.
  BOOL LoadBitmap(LPCTSTR lpszResourceName) { return Attach(::LoadBitmap(AfxGetResourceHandle(), lpszResourceName)); }
  BOOL LoadBitmap(UINT nIDResource) { return LoadBitmap(MAKEINTRESOURCEA(nIDResource)); }
  int GetBitmap(BITMAP* pBitMap) { return GetObject(sizeof(BITMAP), pBitMap); }
  DWORD SetBitmapBits(DWORD dwCount, const void* lpBits) { return (DWORD)::SetBitmapBits((HBITMAP)m_hObject, dwCount, lpBits); }
  DWORD GetBitmapBits(DWORD dwCount, LPVOID lpBits) const { return (DWORD)::GetBitmapBits((HBITMAP)m_hObject, (LONG)dwCount, lpBits); }
};

class CRgn : public CGdiObject {
  DECLARE_DYNAMIC(CRgn)

 public:
  CRgn() = default;
  static CRgn* PASCAL FromHandle(HRGN hRgn);
  operator HRGN() const { return (HRGN)m_hObject; }
  BOOL CreateRectRgn(int x1, int y1, int x2, int y2) { return Attach(::CreateRectRgn(x1, y1, x2, y2)); }
  BOOL CreateRectRgnIndirect(LPCRECT lpRect) { return Attach(::CreateRectRgnIndirect(lpRect)); }
  BOOL CreateEllipticRgn(int x1, int y1, int x2, int y2) { return Attach(::CreateEllipticRgn(x1, y1, x2, y2)); }
  BOOL CreateRoundRectRgn(int x1, int y1, int x2, int y2, int x3, int y3) {
    return Attach(::CreateRoundRectRgn(x1, y1, x2, y2, x3, y3));
  }
  BOOL CreatePolygonRgn(LPPOINT lpPoints, int nCount, int nMode) { return Attach(::CreatePolygonRgn(lpPoints, nCount, nMode)); }
  void SetRectRgn(int x1, int y1, int x2, int y2) { ::SetRectRgn((HRGN)m_hObject, x1, y1, x2, y2); }
  void SetRectRgn(LPCRECT lpRect) { SetRectRgn(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
  int CombineRgn(CRgn* pRgn1, CRgn* pRgn2, int nCombineMode) {
    return ::CombineRgn((HRGN)m_hObject, (HRGN)CGdiObject::HandleOf(pRgn1), (HRGN)CGdiObject::HandleOf(pRgn2), nCombineMode);
  }
  int CopyRgn(CRgn* pRgnSrc) { return ::CombineRgn((HRGN)m_hObject, (HRGN)CGdiObject::HandleOf(pRgnSrc), nullptr, RGN_COPY); }
  BOOL EqualRgn(CRgn* pRgn) const { return ::EqualRgn((HRGN)m_hObject, (HRGN)CGdiObject::HandleOf(pRgn)); }
  int OffsetRgn(int x, int y) { return ::OffsetRgn((HRGN)m_hObject, x, y); }
  int OffsetRgn(POINT point) { return OffsetRgn(point.x, point.y); }
  int GetRgnBox(LPRECT lpRect) const { return ::GetRgnBox((HRGN)m_hObject, lpRect); }
  BOOL PtInRegion(int x, int y) const { return ::PtInRegion((HRGN)m_hObject, x, y); }
  BOOL PtInRegion(POINT point) const { return PtInRegion(point.x, point.y); }
  BOOL RectInRegion(LPCRECT lpRect) const { return ::RectInRegion((HRGN)m_hObject, lpRect); }
};
