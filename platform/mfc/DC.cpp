#include "platform/mfc/DC.h"

#include <memory>
#include <unordered_map>

#include "platform/mfc/Wnd.h"
#include "platform/mfc/WndHandle.h"

IMPLEMENT_DYNCREATE(CDC, CObject)
IMPLEMENT_DYNAMIC(CPaintDC, CDC)
IMPLEMENT_DYNAMIC(CClientDC, CDC)
IMPLEMENT_DYNAMIC(CWindowDC, CDC)

namespace {

struct DcMaps {
  std::unordered_map<HDC, CDC*> permanent;
  std::unordered_map<HDC, std::unique_ptr<CDC>> temporary;
  ~DcMaps() {
    for (auto& entry : temporary) entry.second->m_hDC = entry.second->m_hAttribDC = nullptr;
  }
};

DcMaps& Maps() {
  thread_local DcMaps maps;
  return maps;
}

// Handlers of WM_ERASEBKGND and WM_CTLCOLOR get their CDC* through the window layer's hook;
// installing it here makes every program that draws through a CDC hand CDCs to its handlers.
const bool g_hookInstalled = [] {
  AfxSetDCFromHandle([](HDC hDC) { return CDC::FromHandle(hDC); });
  return true;
}();

}  // namespace

CDC::~CDC() {
  if (m_hDC) ::DeleteDC(Detach());
}

CDC* PASCAL CDC::FromHandle(HDC hDC) {
  if (!hDC) return nullptr;
  DcMaps& maps = Maps();
  auto perm = maps.permanent.find(hDC);
  if (perm != maps.permanent.end()) return perm->second;
  auto& temp = maps.temporary[hDC];
  if (!temp) {
    temp = std::make_unique<CDC>();
    temp->m_hDC = temp->m_hAttribDC = hDC;
  }
  return temp.get();
}

void PASCAL CDC::DeleteTempMap() {
  std::unordered_map<HDC, std::unique_ptr<CDC>> temps;
  temps.swap(Maps().temporary);
  for (auto& entry : temps) entry.second->m_hDC = entry.second->m_hAttribDC = nullptr;
}

BOOL CDC::Attach(HDC hDC) {
  if (!hDC || m_hDC) return FALSE;
  m_hDC = m_hAttribDC = hDC;
  Maps().permanent[hDC] = this;
  return TRUE;
}

HDC CDC::Detach() {
  HDC h = m_hDC;
  if (h) {
    DcMaps& maps = Maps();
    auto it = maps.permanent.find(h);
    if (it != maps.permanent.end() && it->second == this) maps.permanent.erase(it);
  }
  m_hDC = m_hAttribDC = nullptr;
  return h;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC) { return Attach(::CreateCompatibleDC(CDC::HdcOf(pDC))); }

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  return ::DeleteDC(Detach());
}

CWnd* CDC::GetWindow() const { return CWnd::FromHandle(::WindowFromDC(m_hDC)); }

CPen* CDC::SelectObject(CPen* pPen) {
  return CPen::FromHandle((HPEN)::SelectObject(m_hDC, CGdiObject::HandleOf(pPen)));
}
CBrush* CDC::SelectObject(CBrush* pBrush) {
  return CBrush::FromHandle((HBRUSH)::SelectObject(m_hDC, CGdiObject::HandleOf(pBrush)));
}
CFont* CDC::SelectObject(CFont* pFont) {
  return CFont::FromHandle((HFONT)::SelectObject(m_hDC, CGdiObject::HandleOf(pFont)));
}
CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
  return CBitmap::FromHandle((HBITMAP)::SelectObject(m_hDC, CGdiObject::HandleOf(pBitmap)));
}
int CDC::SelectObject(CRgn* pRgn) {
  return (int)(INT_PTR)::SelectObject(m_hDC, CGdiObject::HandleOf(pRgn));
}
CGdiObject* CDC::SelectObject(CGdiObject* pObject) {
  return CGdiObject::FromHandle(::SelectObject(m_hDC, CGdiObject::HandleOf(pObject)));
}
CGdiObject* CDC::SelectStockObject(int nIndex) {
  HGDIOBJ hObject = ::GetStockObject(nIndex);
  return hObject ? CGdiObject::FromHandle(::SelectObject(m_hDC, hObject)) : nullptr;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(AfxHwndOf(pWnd)) {
  Attach(::BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC() {
  if (m_hDC) {
    ::EndPaint(m_hWnd, &m_ps);
    Detach();
  }
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(AfxHwndOf(pWnd)) { Attach(::GetDC(m_hWnd)); }

CClientDC::~CClientDC() {
  if (m_hDC) ::ReleaseDC(m_hWnd, Detach());
}

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(AfxHwndOf(pWnd)) { Attach(::GetWindowDC(m_hWnd)); }

CWindowDC::~CWindowDC() {
  if (m_hDC) ::ReleaseDC(m_hWnd, Detach());
}

// CWnd's painting calls forward to the window layer's invalidation.
void CWnd::Invalidate(BOOL bErase) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }
