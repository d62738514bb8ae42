// The icon and cursor directories of the resource loader over arbitrary bytes: the bytes are
// registered as an icon and as a cursor resource and loaded at their own size, at the system size
// and at a size the input chooses, which picks the directory entry nearest to it.
#include "fuzz/FuzzInput.h"
#include "platform/user/Resources.h"
#include "platform/user/User.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const int wanted = in.Byte() % 80;
  size_t count = 0;
  const uint8_t* bytes = in.Rest(&count);
  const HINSTANCE program = reinterpret_cast<HINSTANCE>(1);
  const LPCSTR name = MAKEINTRESOURCEA(1);
  platform::AddResource(RT_GROUP_ICON, name, std::vector<BYTE>(bytes, bytes + count));
  platform::AddResource(RT_GROUP_CURSOR, name, std::vector<BYTE>(bytes, bytes + count));
  const int sizes[][2] = {{0, 0}, {wanted, wanted}, {wanted, 0}};
  for (const auto& s : sizes) {
    if (HANDLE icon = LoadImageA(program, name, IMAGE_ICON, s[0], s[1], 0)) DestroyIcon(static_cast<HICON>(icon));
    if (HANDLE cursor = LoadImageA(program, name, IMAGE_CURSOR, s[0], s[1], 0)) {
      DestroyCursor(static_cast<HCURSOR>(cursor));
    }
  }
  if (HANDLE icon = LoadImageA(program, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)) DestroyIcon(static_cast<HICON>(icon));
  return 0;
}
