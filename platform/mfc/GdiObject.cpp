#include "platform/mfc/GdiObject.h"

#include <memory>
#include <unordered_map>
#include <utility>

#include "platform/mfc/DC.h"

IMPLEMENT_DYNCREATE(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CRgn, CGdiObject)

namespace {

// The calling thread's handle maps. A temporary wrapper is kept per handle and kind, so that
// CPen::FromHandle always gives a real CPen; temporary wrappers never own their handle.
struct GdiMaps {
  std::unordered_map<HGDIOBJ, CGdiObject*> permanent;
  std::unordered_map<HGDIOBJ, std::unique_ptr<CGdiObject>> temporary;
  ~GdiMaps() {
    for (auto& entry : temporary) entry.second->m_hObject = nullptr;
  }
};

GdiMaps& Maps() {
  thread_local GdiMaps maps;
  return maps;
}

}  // namespace

CGdiObject::~CGdiObject() { DeleteObject(); }

CGdiObject* CGdiObject::FromHandleOf(HGDIOBJ hObject, const CRuntimeClass* pClass, CGdiObject* (*pfnNew)()) {
  if (!hObject) return nullptr;
  GdiMaps& maps = Maps();
  auto perm = maps.permanent.find(hObject);
  if (perm != maps.permanent.end() && perm->second->IsKindOf(pClass)) return perm->second;
  auto temp = maps.temporary.find(hObject);
  if (temp != maps.temporary.end() && temp->second->IsKindOf(pClass)) return temp->second.get();
  std::unique_ptr<CGdiObject> made(pfnNew());
  made->m_hObject = hObject;
  CGdiObject* result = made.get();
  if (temp != maps.temporary.end()) {
    // A wrapper of another kind for the same handle: replace it (the caller asked for this kind).
    temp->second->m_hObject = nullptr;
    temp->second = std::move(made);
  } else {
    maps.temporary.emplace(hObject, std::move(made));
  }
  return result;
}

CGdiObject* PASCAL CGdiObject::FromHandle(HGDIOBJ hObject) {
  return FromHandleOf(hObject, RUNTIME_CLASS(CGdiObject), [] { return new CGdiObject; });
}
CPen* PASCAL CPen::FromHandle(HPEN h) {
  return static_cast<CPen*>(FromHandleOf(h, RUNTIME_CLASS(CPen), []() -> CGdiObject* { return new CPen; }));
}
CBrush* PASCAL CBrush::FromHandle(HBRUSH h) {
  return static_cast<CBrush*>(FromHandleOf(h, RUNTIME_CLASS(CBrush), []() -> CGdiObject* { return new CBrush; }));
}
CFont* PASCAL CFont::FromHandle(HFONT h) {
  return static_cast<CFont*>(FromHandleOf(h, RUNTIME_CLASS(CFont), []() -> CGdiObject* { return new CFont; }));
}
CBitmap* PASCAL CBitmap::FromHandle(HBITMAP h) {
  return static_cast<CBitmap*>(FromHandleOf(h, RUNTIME_CLASS(CBitmap), []() -> CGdiObject* { return new CBitmap; }));
}
CRgn* PASCAL CRgn::FromHandle(HRGN h) {
  return static_cast<CRgn*>(FromHandleOf(h, RUNTIME_CLASS(CRgn), []() -> CGdiObject* { return new CRgn; }));
}

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
  if (!hObject) return FALSE;
  ASSERT(m_hObject == nullptr);
  if (m_hObject) return FALSE;
  m_hObject = hObject;
  Maps().permanent[hObject] = this;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  if (h) {
    GdiMaps& maps = Maps();
    auto it = maps.permanent.find(h);
    if (it != maps.permanent.end() && it->second == this) maps.permanent.erase(it);
  }
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  return ::DeleteObject(Detach());
}

void AfxDeleteTempGdiMaps() {
  std::unordered_map<HGDIOBJ, std::unique_ptr<CGdiObject>> temps;
  temps.swap(Maps().temporary);
  for (auto& entry : temps) entry.second->m_hObject = nullptr;
  CDC::DeleteTempMap();
}

CBrush::CBrush(CBitmap* pBitmap) { CreatePatternBrush(pBitmap); }

BOOL CBrush::CreatePatternBrush(CBitmap* pBitmap) {
  return Attach(::CreatePatternBrush((HBITMAP)CGdiObject::HandleOf(pBitmap)));
}

BOOL CFont::CreatePointFont(int nPointSize, LPCTSTR lpszFaceName, CDC* pDC) {
  LOGFONT lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  if (lpszFaceName) {
    size_t i = 0;
    for (; lpszFaceName[i] && i + 1 < sizeof(lf.lfFaceName); ++i) lf.lfFaceName[i] = lpszFaceName[i];
    lf.lfFaceName[i] = 0;
  }
  int dpi = pDC && CDC::HdcOf(pDC) ? pDC->GetDeviceCaps(LOGPIXELSY) : 96;
  if (dpi <= 0) dpi = 96;
  // Tenths of a point to pixels, rounded to the nearest, negative for a character height.
  lf.lfHeight = -(LONG)((nPointSize * dpi + 360) / 720);
  return CreateFontIndirect(&lf);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) {
  return Attach(::CreateCompatibleBitmap(CDC::HdcOf(pDC), nWidth, nHeight));
}
