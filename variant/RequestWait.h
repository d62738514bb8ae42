// Runs the table's game requests so that the table keeps moving while a request waits for its
// reply: the request goes out on a worker thread, and the UI thread, instead of sleeping in the
// socket wait, keeps drawing frames until the reply is there. Only frames are drawn meanwhile:
// window messages other than paints (the server's notifications, the player's clicks) stay
// queued and are handled after the reply, in the order in which they came, so the player's own
// accepted action is on the table before the notifications that follow it.
#pragma once

#include <atomic>
#include <functional>

class CRequestWait {
 public:
  // One frame of the table while a request waits (it draws and paints its window); without one
  // the request runs inline.
  void SetKeepAlive(std::function<void()> frame) { m_frame = std::move(frame); }
  // How often the waiting UI thread draws a frame.
  static constexpr int FRAME_MS = 15;

  // Runs request and returns its result. A request started while another waits (a frame that
  // tried to act) is refused with 0 and never sent.
  int Run(const std::function<int()>& request);
  bool Busy() const { return m_busy.load(); }
  // How many frames were drawn while requests waited.
  unsigned FramesDrawn() const { return m_framesDrawn; }

 private:
  std::function<void()> m_frame;
  std::atomic<bool> m_busy{false};
  unsigned m_framesDrawn = 0;
};
