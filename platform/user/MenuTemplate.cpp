#include "platform/user/MenuTemplate.h"

#include "platform/base/Gbk.h"
#include "platform/user/Resources.h"

MenuTemplate::MenuTemplate() { m_open.push_back(&m_root); }

MenuTemplate& MenuTemplate::Popup(const std::string& text, WORD flags) {
  Node node;
  node.text = text;
  node.flags = static_cast<WORD>((flags | MF_POPUP) & ~MF_END);
  node.popup = true;
  m_open.back()->children.push_back(std::move(node));
  m_open.push_back(&m_open.back()->children.back());
  return *this;
}

MenuTemplate& MenuTemplate::Item(const std::string& text, WORD id, WORD flags) {
  Node node;
  node.text = text;
  node.id = id;
  node.flags = static_cast<WORD>(flags & ~(MF_END | MF_POPUP));
  m_open.back()->children.push_back(std::move(node));
  return *this;
}

MenuTemplate& MenuTemplate::Separator() { return Item("", 0, 0); }

MenuTemplate& MenuTemplate::End() {
  // The root level stays open: an End too many is ignored.
  if (m_open.size() > 1) m_open.pop_back();
  return *this;
}

void MenuTemplate::Write(const std::vector<Node>& level, std::vector<BYTE>& out) {
  auto word = [&](WORD v) {
    out.push_back(static_cast<BYTE>(v & 0xFF));
    out.push_back(static_cast<BYTE>(v >> 8));
  };
  for (size_t i = 0; i < level.size(); ++i) {
    const Node& node = level[i];
    WORD flags = node.flags;
    if (i + 1 == level.size()) flags |= MF_END;
    word(flags);
    if (!node.popup) word(node.id);
    for (wchar_t c : GbkToWide(node.text)) word(static_cast<WORD>(c));
    word(0);
    if (node.popup) Write(node.children, out);
  }
}

std::vector<BYTE> MenuTemplate::Bytes() const {
  // The header: version 0 and the items' offset 0 from its end.
  std::vector<BYTE> out = {0, 0, 0, 0};
  Write(m_root.children, out);
  return out;
}

bool MenuTemplate::Register(WORD id) const {
  return platform::AddResource(RT_MENU, MAKEINTRESOURCEA(id), Bytes());
}
