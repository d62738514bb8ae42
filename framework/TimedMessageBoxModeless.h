// The modeless count-down box: it stays up while the game goes on, opens its link when OK is
// pressed, and closes the main window when it goes away, so that every such box is the last word
// of a game. It lives on the heap and deletes itself.
#pragma once

#include "framework/CountdownBox.h"

class CTimedMessageBoxModeless : public CCountdownBox {
 public:
  CTimedMessageBoxModeless() = default;

  CString m_link;
  int m_signLink = 0;

 protected:
  bool CentreOnMainWindow() const override { return true; }
  void OnOK() override;
  void OnCancel() override;
  void PostNcDestroy() override;
};
