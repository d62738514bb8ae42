// The resynchronisation of the table after a measured game request failed on a live connection:
// the table data is asked for up to three times, three seconds apart; with it the table is
// rebuilt, and without it the player is told to log in again and the window closes.
//
// Notifications that arrived while the failed request waited are still queued for the window
// when the table has been rebuilt, and the rebuilt table already holds what they describe. The
// table data request therefore moves the connection's run id on as its reply is taken: the frame
// drops every packet read before that reply, and keeps those read after it, which the data does
// not hold yet.
#pragma once

#include <functional>

#include "platform/base/WinTypes.h"

class CTableResync {
 public:
  struct Steps {
    std::function<int()> getGameData;       // 1 when the table data arrived and was stored
    std::function<void(DWORD)> sleep;       // waits between the attempts
    std::function<void()> rebuild;          // the table again from the stored data
    std::function<void()> giveUp;           // the box and the end of the window
  };
  static constexpr int ATTEMPTS = 3;
  static constexpr DWORD PAUSE_MS = 3000;

  explicit CTableResync(Steps steps) : m_steps(std::move(steps)) {}

  // 1 when the table was rebuilt. A request that fails inside the rebuild does not start a
  // second resync on top of the running one.
  int Run();
  bool IsRunning() const { return m_running; }

 private:
  Steps m_steps;
  bool m_running = false;
};
