#include "variant/NewGameTableView.h"

IMPLEMENT_DYNCREATE(CNewGameTableView, CMJGameTableView2)
