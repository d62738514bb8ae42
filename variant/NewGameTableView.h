// This game's table pane: the mahjong engine table pane under a run-time class of its own, which
// the main frame names when it lays out its panes.
#pragma once

#include "mahjong/MJGameTableView2.h"

class CNewGameTableView : public CMJGameTableView2 {
  DECLARE_DYNCREATE(CNewGameTableView)

 public:
  CNewGameTableView() = default;
};
