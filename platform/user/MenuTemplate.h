// Menu templates: a builder of the binary RT_MENU layout (a MENUITEMTEMPLATEHEADER, then the
// items, each a 16-bit option word, a 16-bit command id unless it opens a pop-up, and the
// zero-terminated UTF-16 text; MF_END marks the last item of each level), so that the program's
// menus read in code as they would in a resource script:
//
//   MenuTemplate().Popup("文件(&F)").Item("退出(&X)", 57665).End().Register(128);
//
// Texts are GBK. Creating menus from the bytes is the menu layer's work.
#pragma once

#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

#ifndef MF_POPUP
#define MF_POPUP 0x00000010L
#endif
#ifndef MF_END
#define MF_END 0x00000080L
#endif

class MenuTemplate {
 public:
  MenuTemplate();
  // Opens a pop-up: the items that follow, up to End, are its items.
  MenuTemplate& Popup(const std::string& text, WORD flags = 0);
  MenuTemplate& Item(const std::string& text, WORD id, WORD flags = 0);
  MenuTemplate& Separator();
  // Closes the innermost open pop-up.
  MenuTemplate& End();

  std::vector<BYTE> Bytes() const;
  bool Register(WORD id) const;

 private:
  struct Node {
    std::string text;
    WORD id = 0;
    WORD flags = 0;
    bool popup = false;
    std::vector<Node> children;
  };
  static void Write(const std::vector<Node>& level, std::vector<BYTE>& out);

  Node m_root;
  std::vector<Node*> m_open;
};
