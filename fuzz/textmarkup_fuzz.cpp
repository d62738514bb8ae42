// Marked-up text over arbitrary bytes: every "<" is tried as a tag, every tag read, and the whole
// text laid out by a font's measuring pass, which must end and stay within its numbers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/TextFont.h"
#include "engine/TextMarkup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  for (size_t pos = 0; pos < size; pos++) {
    const size_t content = TextMarkup::FindTag(text, size, pos);
    if (content == 0) continue;
    if (content > TextMarkup::MAX_TAG_CONTENT || pos + content + 1 >= size) __builtin_trap();
    const MarkupTag tag = TextMarkup::Read(text + pos + 1, content);
    if (tag.text.size() > content) __builtin_trap();
    volatile bool accepted = TextMarkup::IsAccepted(tag);
    (void)accepted;
  }
  static TextFont* font = [] {
    TextFont* f = new TextFont;
    TextFontInfo info{};
    info.height = 20;
    info.weight = 400;
    info.wrap = 1;
    f->SelectFont(info);
    return f;
  }();
  const std::string terminated(text, size);
  int width = 0, height = 0;
  font->MeasureText(0, 0, terminated.c_str(), &width, &height);
  if (font->Current().height != 20) __builtin_trap();
  return 0;
}
