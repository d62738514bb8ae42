// Request bodies as the client writes them, byte by byte at the offsets the client uses, for the
// server's tests.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "net/WireBytes.h"

namespace requestbodies {

using Bytes = std::vector<BYTE>;

inline void Put(Bytes* b, size_t offset, int32_t value) { WriteU32Le(b->data() + offset, static_cast<uint32_t>(value)); }
inline void PutText(Bytes* b, size_t offset, const std::string& text) { memcpy(b->data() + offset, text.data(), text.size()); }
inline int32_t Get(const Bytes& b, size_t offset) { return b.size() >= offset + 4 ? ReadI32Le(b.data() + offset) : -999999; }
inline std::string GetText(const Bytes& b, size_t offset) {
  std::string s;
  for (size_t i = offset; i < b.size() && b[i]; ++i) s.push_back(static_cast<char>(b[i]));
  return s;
}

struct Seat {
  int32_t user = 0;
  int32_t room = 1;
  int32_t table = 0;
  int32_t chair = 0;
};

inline Bytes Common(const Seat& s, size_t size = 32) {
  Bytes b(size, 0);
  Put(&b, 0, s.user);
  Put(&b, 4, s.room);
  Put(&b, 8, s.table);
  Put(&b, 12, s.chair);
  return b;
}

// The enter record; with a name, followed by the own 136-byte player as rooms with option bit 6
// send it.
inline Bytes Enter(const Seat& s, bool lookOn = false, const std::string& name = "") {
  Bytes b(name.empty() ? 108 : 244, 0);
  Put(&b, 0, s.user);
  Put(&b, 8, 77);  // game id
  Put(&b, 12, s.room);
  Put(&b, 16, s.table);
  Put(&b, 20, s.chair);
  PutText(&b, 24, "0123456789abcdef0123456789abcde");
  Put(&b, 56, lookOn ? 1 : 0);
  if (!name.empty()) {
    Put(&b, 108 + 0, s.user);
    Put(&b, 108 + 12, s.table);
    Put(&b, 108 + 16, s.chair);
    Put(&b, 108 + 24, 5);  // portrait
    PutText(&b, 108 + 36, name);
    Put(&b, 108 + 84, 999999);  // silver the client believes; the server's own counts
  }
  return b;
}

inline Bytes Leave(const Seat& s) {
  Bytes b(96, 0);
  Put(&b, 0, s.user);
  Put(&b, 4, s.room);
  Put(&b, 8, s.table);
  Put(&b, 12, s.chair);
  Put(&b, 20, s.table);
  Put(&b, 24, s.chair);
  Put(&b, 28, s.user);
  return b;
}

inline Bytes Chat(const Seat& s, const std::string& text) {
  Bytes b = Common(s, 128);
  PutText(&b, 16, "machine");
  PutText(&b, 48, text.substr(0, 61));
  return b;
}

inline Bytes Call(const Seat& s, int32_t called, int32_t calledChair) {
  Bytes b = Common(s, 40);
  Put(&b, 16, called);
  Put(&b, 20, calledChair);
  return b;
}

inline Bytes SafeTransfer(const Seat& s, int32_t amount, int32_t answer, int32_t direction) {
  Bytes b(112, 0);
  Put(&b, 0, s.user);
  Put(&b, 4, 77);
  Put(&b, 8, s.room);
  Put(&b, 12, s.table);
  Put(&b, 16, s.chair);
  Put(&b, 20, amount);
  Put(&b, 24, answer);
  Put(&b, 84, direction);
  return b;
}
inline Bytes Deposit(const Seat& s, int32_t amount) { return SafeTransfer(s, amount, 0, 1); }
inline Bytes Withdraw(const Seat& s, int32_t amount, int32_t answer = 0) { return SafeTransfer(s, amount, answer, 2); }

inline Bytes SafeQuery(const Seat& s) {
  Bytes b(76, 0);
  Put(&b, 0, s.user);
  Put(&b, 4, 77);
  return b;
}

inline Bytes Reward(const Seat& s, int32_t amount) {
  Bytes b(192, 0);
  Put(&b, 0, s.user);
  Put(&b, 4, 77);
  Put(&b, 8, s.room);
  Put(&b, 12, s.table);
  Put(&b, 16, s.chair);
  Put(&b, 20, amount);
  return b;
}

inline Bytes AllowanceQuery(const Seat& s, int32_t argument) {
  Bytes b = Common(s, 320);
  Put(&b, 20, argument);
  return b;
}

inline Bytes Allowance(const Seat& s, int32_t kind, bool withMachineId = false) {
  Bytes b = Common(s, withMachineId ? 136 : 104);
  PutText(&b, 16, "player");
  Put(&b, 52, 1);
  Put(&b, 56, kind);
  return b;
}

inline Bytes ResponseTimes(const Seat& s, int32_t average, int32_t maximum) {
  Bytes b(16, 0);
  Put(&b, 0, s.user);
  Put(&b, 4, average);
  Put(&b, 8, maximum);
  return b;
}

}  // namespace requestbodies
