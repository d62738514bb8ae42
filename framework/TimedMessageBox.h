// The modal count-down box: run with DoModal, it answers 1 for OK and 2 for Cancel, and leaves
// the seconds that were left in m_seconds.
#pragma once

#include "framework/CountdownBox.h"

class CTimedMessageBox : public CCountdownBox {
 public:
  explicit CTimedMessageBox(CWnd* parent = nullptr) : CCountdownBox(parent) {}
};
