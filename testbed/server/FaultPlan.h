// Faults the game server injects into its own replies during a long run: some replies come late
// and some connections are dropped in the middle of a reply, so that the clients' waits, their
// reconnection and their rejoining are exercised. The choices come from a seeded generator, so a
// run with the same seed and the same requests makes the same faults.
#pragma once

#include <cstdint>
#include <mutex>
#include <random>
#include <set>
#include <string>

#include "testbed/server/WireServer.h"

namespace testbed {

struct FaultRates {
  int delayOneIn = 0;    // one reply in this many comes late (0: none)
  int maxDelayMs = 0;    // a late reply comes 1 to this many milliseconds late
  int dropOneIn = 0;     // one reply in this many is cut off and its connection closed (0: none)
  int repeatOneIn = 0;   // one repeatable notification in this many is sent twice (0: none)
};

class FaultPlan {
 public:
  FaultPlan(FaultRates rates, uint64_t seed);

  // Parses "DELAY_ONE_IN:MAX_MS:DROP_ONE_IN[:REPEAT_ONE_IN]", e.g. "20:2000:300" or
  // "20:2000:300:10". False, with `out` untouched, when the text is not three or four numbers in
  // range (a rate of 0 turns its fault off; a delay rate needs a delay of at least 1 ms).
  static bool Parse(const std::string& text, FaultRates* out);

  // Changes a reply the server is about to send. Requests that want no reply are left alone:
  // there is nothing to delay or cut. Safe to call from every session's thread.
  void Apply(const Request& request, Reply* reply);

  // The notifications a client may get twice without showing anything else than after the first
  // one (they set a state rather than change it); only these are ever repeated.
  void SetRepeatable(std::set<uint32_t> codes);
  // How many times a notification is sent: 2 for one repeatable notification in REPEAT_ONE_IN,
  // else 1. Safe to call from every thread.
  int CopiesOf(uint32_t code);

  int Delayed() const;
  int Repeated() const;
  int Dropped() const;

 private:
  FaultRates m_rates;
  mutable std::mutex m_lock;
  std::mt19937_64 m_random;
  int m_delayed = 0;
  int m_dropped = 0;
  int m_repeated = 0;
  std::set<uint32_t> m_repeatable;
};

}  // namespace testbed
