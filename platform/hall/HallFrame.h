// The frames that carry window messages between processes over the hall's Unix domain sockets.
//
// One connection carries one request frame and, for every request, one reply frame. A frame is a
// 48-byte head and a payload, little-endian:
//   0 magic "PXQH", 4 kind, 8 window, 12 message, 16 wParam (64 bits), 24 lParam (64 bits),
//   32 dwData (64 bits), 40 time-out in ms (requests) or status (replies), 44 payload length.
// WM_COPYDATA's bytes are the payload of a send; a find carries the class and window names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

namespace platform::hall {

enum class FrameKind : uint32_t { SEND = 1, POST = 2, IS_WINDOW = 3, FIND = 4, REPLY = 5 };
enum class ReplyStatus : uint32_t { OK = 0, NO_WINDOW = 1, TIMED_OUT = 2, REFUSED = 3 };

constexpr size_t FRAME_HEAD_BYTES = 48;
// WM_COPYDATA records of the hall link are a few kilobytes; anything far larger is refused.
constexpr uint32_t MAX_FRAME_PAYLOAD = 1u << 20;
// Class and window names of a find are at most this long.
constexpr size_t MAX_FIND_NAME = 256;

struct Frame {
  FrameKind kind = FrameKind::REPLY;
  uint32_t hwnd = 0;
  uint32_t message = 0;
  uint64_t wParam = 0;
  uint64_t lParam = 0;
  uint64_t dwData = 0;
  uint32_t timeoutOrStatus = 0;
  std::vector<BYTE> payload;
};

std::vector<BYTE> EncodeFrame(const Frame& frame);

// Checks a head and takes its fields (the payload stays empty); false for a wrong magic, an
// unknown kind or a payload longer than MAX_FRAME_PAYLOAD.
bool DecodeFrameHead(const BYTE* head, Frame* frame, uint32_t* payloadLength);

// One whole frame from the front of a buffer: 1 with the frame and the bytes it took, 0 when more
// bytes are needed, -1 when the bytes are not a valid frame.
int DecodeFrame(const BYTE* data, size_t size, Frame* frame, size_t* consumed);

// The payload of a find: a flag byte for each name (1 when given), then each given name with its
// terminator. Decoding fails on a missing terminator, a name longer than MAX_FIND_NAME or bytes
// left over.
std::vector<BYTE> EncodeFindNames(const char* className, const char* windowName);
bool DecodeFindNames(const std::vector<BYTE>& payload, bool* hasClass, std::string* className, bool* hasName,
                     std::string* windowName);

}  // namespace platform::hall
