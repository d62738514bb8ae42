#include "controls/MemoryDC.h"

#include "platform/gdi/Gdi.h"

namespace {
// The device technology of a raster printer.
constexpr int TECHNOLOGY_RASTER_PRINTER = 2;
}  // namespace

CMemoryDC::CMemoryDC(CDC* pDC, const RECT& rect) : m_pDC(pDC), m_rect(rect) {
  if (pDC->GetDeviceCaps(TECHNOLOGY) == TECHNOLOGY_RASTER_PRINTER) {
    m_hDC = pDC->m_hDC;
    m_hAttribDC = pDC->m_hAttribDC;
    m_offScreen = FALSE;
    return;
  }
  CreateCompatibleDC(pDC);
  m_bitmap.CreateCompatibleBitmap(pDC, rect.right - rect.left, rect.bottom - rect.top);
  m_pOldBitmap = SelectObject(&m_bitmap);
  SetWindowOrg(rect.left, rect.top);
  m_offScreen = TRUE;
}

CMemoryDC::~CMemoryDC() {
  if (m_offScreen) {
    m_pDC->BitBlt(m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, this, m_rect.left,
                  m_rect.top, SRCCOPY);
    if (m_pOldBitmap != nullptr) SelectObject(m_pOldBitmap);
    m_bitmap.DeleteObject();
    DeleteDC();
  } else {
    // The handles are the printer's: the target DC deletes them, not this object.
    m_hDC = nullptr;
    m_hAttribDC = nullptr;
  }
}
