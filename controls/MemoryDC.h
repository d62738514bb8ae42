// CMemoryDC: an off-screen device context for flicker-free drawing. Callers draw in the target's
// own coordinates; the destructor copies the drawn rectangle to the target. On a printer DC there
// is nothing to hide, so the object draws straight to the printer.
#pragma once

#include "platform/mfc/DC.h"
#include "platform/mfc/GdiObject.h"

class CMemoryDC : public CDC {
 public:
  CMemoryDC(CDC* pDC, const RECT& rect);
  ~CMemoryDC() override;

  BOOL IsOffScreen() const { return m_offScreen; }

 private:
  CBitmap m_bitmap;
  CBitmap* m_pOldBitmap = nullptr;
  CDC* m_pDC;
  RECT m_rect;
  BOOL m_offScreen = FALSE;
};
