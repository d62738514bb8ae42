// The chat markup over arbitrary text: cutting, tags and their keys, numbers and picture paths.
// Every piece's text must come from the input and the limits of the format must hold.
#include <cstdlib>
#include <string_view>

#include "controls/ChatMarkup.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t options = in.Byte();
  const int largest = 1 + in.Byte() * 4;
  size_t count = 0;
  const char* text = reinterpret_cast<const char*>(in.Rest(&count));
  const std::string_view view(text, count);

  size_t total = 0;
  for (const ChatPiece& piece : ChatMarkup::Parse(view, largest, (options & 1) != 0)) {
    if (piece.format.face.size() > ChatMarkup::FACE_MAX) std::abort();
    if (piece.format.linkTarget.size() > ChatMarkup::LINK_MAX) std::abort();
    if (piece.format.size > largest && piece.format.size != ChatMarkup::DEFAULT_SIZE) std::abort();
    total += piece.text.size();
  }
  if (total > count) std::abort();

  volatile int number = ChatMarkup::ReadNumber(view);
  (void)number;
  char path[64];
  const std::string folder(view.substr(0, 80));
  ChatMarkup::FormatPicturePath(folder.c_str(), static_cast<int>(count) - 100, path, sizeof path);
  return 0;
}
