// The table's record of its own recent notices: the player's answered requests and the
// server's notices of the table's melds and draws, newest first, each with its running number,
// its code and the first 64 bytes of its body. The list is kept for inspection; it holds at
// most LIMIT records, the oldest leaving first, so that a long session does not grow it
// without end.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

class CLocalNotices {
 public:
  static constexpr size_t BODY_BYTES = 64;
  static constexpr size_t LIMIT = 256;

  struct Record {
    int number = 0;
    int code = 0;
    std::array<uint8_t, BODY_BYTES> body{};
  };

  // Records a notice of one of the codes the table keeps; any other code is left out. Returns
  // whether it was recorded.
  bool Post(int code, const uint8_t* body, size_t length);
  // A new round numbers its notices from 1 again.
  void ResetCounter() { m_counter = 0; }
  int Counter() const { return m_counter; }
  const std::deque<Record>& Records() const { return m_records; }

 private:
  int m_counter = 0;
  std::deque<Record> m_records;
};
