// The reader of the frames that other processes send to a published window: whatever the bytes,
// it either refuses them or hands back a frame whose payload lies inside them.
#include <cstddef>
#include <cstdint>

#include "platform/hall/HallFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::hall::Frame frame;
  size_t consumed = 0;
  int r = platform::hall::DecodeFrame(data, size, &frame, &consumed);
  if (r == 1) {
    if (consumed > size || consumed != platform::hall::FRAME_HEAD_BYTES + frame.payload.size()) __builtin_trap();
    bool hasClass = false, hasName = false;
    std::string className, windowName;
    if (platform::hall::DecodeFindNames(frame.payload, &hasClass, &className, &hasName, &windowName)) {
      if (className.size() > platform::hall::MAX_FIND_NAME || windowName.size() > platform::hall::MAX_FIND_NAME) {
        __builtin_trap();
      }
      // What decodes must encode to the same bytes.
      if (platform::hall::EncodeFindNames(hasClass ? className.c_str() : nullptr,
                                          hasName ? windowName.c_str() : nullptr) != frame.payload) {
        __builtin_trap();
      }
    }
    if (platform::hall::EncodeFrame(frame).size() != consumed) __builtin_trap();
  }
  return 0;
}
