// The SDL2 backend (Display.h). Every SDL call happens on the backend's own thread; the program's
// threads only leave work for it (copied pixels, a note that the windows changed, a cursor) and
// wake it with an SDL user event, so that they never wait for it.
#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "platform/base/WinTypes.h"
#include "platform/user/Paint.h"

namespace platform {

class SdlDisplay {
 public:
  SdlDisplay();
  ~SdlDisplay();
  SdlDisplay(const SdlDisplay&) = delete;
  SdlDisplay& operator=(const SdlDisplay&) = delete;

  // Starts the thread and SDL's video; false when SDL cannot open the display.
  bool Start(SIZE* screen);
  void Stop();
  std::shared_ptr<DisplaySink> Sink() const;
  uint64_t PresentCount() const;

  struct Shared;

 private:
  void Run(SIZE* screen);

  std::shared_ptr<Shared> m_shared;
  std::thread m_thread;
};

}  // namespace platform
