#include "platform/hall/HallFrame.h"

#include <cstring>

namespace platform::hall {
namespace {

const uint32_t FRAME_MAGIC = 0x48515850u;  // "PXQH"

void Put32(std::vector<BYTE>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<BYTE>(v >> (8 * i));
}
void Put64(std::vector<BYTE>& out, size_t at, uint64_t v) {
  for (int i = 0; i < 8; ++i) out[at + i] = static_cast<BYTE>(v >> (8 * i));
}
uint32_t Get32(const BYTE* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
uint64_t Get64(const BYTE* p) { return static_cast<uint64_t>(Get32(p)) | static_cast<uint64_t>(Get32(p + 4)) << 32; }

}  // namespace

std::vector<BYTE> EncodeFrame(const Frame& frame) {
  std::vector<BYTE> out(FRAME_HEAD_BYTES + frame.payload.size());
  Put32(out, 0, FRAME_MAGIC);
  Put32(out, 4, static_cast<uint32_t>(frame.kind));
  Put32(out, 8, frame.hwnd);
  Put32(out, 12, frame.message);
  Put64(out, 16, frame.wParam);
  Put64(out, 24, frame.lParam);
  Put64(out, 32, frame.dwData);
  Put32(out, 40, frame.timeoutOrStatus);
  Put32(out, 44, static_cast<uint32_t>(frame.payload.size()));
  if (!frame.payload.empty()) std::memcpy(out.data() + FRAME_HEAD_BYTES, frame.payload.data(), frame.payload.size());
  return out;
}

bool DecodeFrameHead(const BYTE* head, Frame* frame, uint32_t* payloadLength) {
  if (Get32(head) != FRAME_MAGIC) return false;
  uint32_t kind = Get32(head + 4);
  if (kind < static_cast<uint32_t>(FrameKind::SEND) || kind > static_cast<uint32_t>(FrameKind::REPLY)) return false;
  uint32_t length = Get32(head + 44);
  if (length > MAX_FRAME_PAYLOAD) return false;
  frame->kind = static_cast<FrameKind>(kind);
  frame->hwnd = Get32(head + 8);
  frame->message = Get32(head + 12);
  frame->wParam = Get64(head + 16);
  frame->lParam = Get64(head + 24);
  frame->dwData = Get64(head + 32);
  frame->timeoutOrStatus = Get32(head + 40);
  frame->payload.clear();
  *payloadLength = length;
  return true;
}

int DecodeFrame(const BYTE* data, size_t size, Frame* frame, size_t* consumed) {
  if (size < FRAME_HEAD_BYTES) {
    // A wrong magic is known from its first bytes already.
    for (size_t i = 0; i < size && i < 4; ++i) {
      if (data[i] != static_cast<BYTE>(FRAME_MAGIC >> (8 * i))) return -1;
    }
    return 0;
  }
  uint32_t length = 0;
  if (!DecodeFrameHead(data, frame, &length)) return -1;
  if (size - FRAME_HEAD_BYTES < length) return 0;
  frame->payload.assign(data + FRAME_HEAD_BYTES, data + FRAME_HEAD_BYTES + length);
  *consumed = FRAME_HEAD_BYTES + length;
  return 1;
}

std::vector<BYTE> EncodeFindNames(const char* className, const char* windowName) {
  std::vector<BYTE> out{static_cast<BYTE>(className ? 1 : 0), static_cast<BYTE>(windowName ? 1 : 0)};
  for (const char* name : {className, windowName}) {
    if (!name) continue;
    size_t n = std::strlen(name);
    out.insert(out.end(), name, name + n);
    out.push_back(0);
  }
  return out;
}

bool DecodeFindNames(const std::vector<BYTE>& payload, bool* hasClass, std::string* className, bool* hasName,
                     std::string* windowName) {
  if (payload.size() < 2 || payload[0] > 1 || payload[1] > 1) return false;
  *hasClass = payload[0] == 1;
  *hasName = payload[1] == 1;
  size_t at = 2;
  for (auto [given, name] : {std::pair{*hasClass, className}, std::pair{*hasName, windowName}}) {
    name->clear();
    if (!given) continue;
    const BYTE* start = payload.data() + at;
    const void* end = std::memchr(start, 0, payload.size() - at);
    if (!end) return false;
    size_t n = static_cast<size_t>(static_cast<const BYTE*>(end) - start);
    if (n > MAX_FIND_NAME) return false;
    name->assign(reinterpret_cast<const char*>(start), n);
    at += n + 1;
  }
  return at == payload.size();
}

}  // namespace platform::hall
