// CSortHeaderCtrl: the report list's header. It draws its owner-drawn items itself: a face-coloured
// cell, the item's text, and on the sort column a raised triangle that points up or down.
#pragma once

#include "platform/mfc/CommonControls.h"

class CSortHeaderCtrl : public CHeaderCtrl {
 public:
  CSortHeaderCtrl() = default;
  void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

  // The owner may set these; nothing else changes them after construction.
  int m_sortColumn = -1;
  BOOL m_sortAscending = FALSE;

 protected:
  DECLARE_MESSAGE_MAP()
};
