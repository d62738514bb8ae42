// The table behind SOCKET numbers and the state that WinSock keeps per socket beyond what the
// system keeps (inside the winsock layer only).
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>

#include "platform/winsock/WinSock.h"

namespace platform::winsock {

enum class SocketState { UNCONNECTED, CONNECTING, CONNECTED, LISTENING };

// One socket. The descriptor is closed when the last reference goes, so a call that is still
// running on another thread when the socket is closed never finds its descriptor reused.
struct SocketEntry {
  SocketEntry(int fd, int type) : m_fd(fd), m_type(type) {}
  ~SocketEntry();
  SocketEntry(const SocketEntry&) = delete;
  SocketEntry& operator=(const SocketEntry&) = delete;

  const int m_fd;
  const int m_type;

  // Everything below is read and written under TableLock().
  SocketState m_state = SocketState::UNCONNECTED;
  bool m_nonBlocking = false;
  // shutdown(SD_SEND) or SD_BOTH was called: sends fail with WSAESHUTDOWN.
  bool m_sendShut = false;
  // The WinSock error of a connect that failed, until SO_ERROR reads it or a new connect starts.
  int m_connectError = 0;
  // A non-blocking connect whose outcome FD_CONNECT has not reported yet.
  bool m_connectUnreported = false;
  // A non-blocking connect that the system refused at once: WinSock still answers WSAEWOULDBLOCK
  // and reports the failure afterwards.
  bool m_connectFailedEarly = false;
  std::chrono::steady_clock::time_point m_connectedAt;

  // The WSAAsyncSelect selection and the events that are enabled at present.
  HWND m_window = nullptr;
  UINT m_message = 0;
  long m_events = 0;
  // Counts the selections, so that the poll thread can tell that one changed while it waited.
  unsigned m_selection = 0;
  bool m_readArmed = false;
  bool m_writeArmed = false;
  bool m_acceptArmed = false;
  bool m_closeReported = false;
  // The system reported a hang-up that could not be reported yet (FD_READ is disabled): the
  // socket stays out of the poll set until a recv enables FD_READ again.
  bool m_hangUpSeen = false;
  // The thread that owns the selected window (0 when it is not one of this process's windows),
  // and the thread that watches the socket in its own message wait right now (0: the poll
  // thread watches it).
  DWORD m_windowThread = 0;
  DWORD m_claimedBy = 0;
  // Threads that read the socket themselves right now while they wait for data they expect (an
  // answer to their request): nobody else watches it for FD_READ meanwhile, so that the data
  // wakes only them. What they leave unread is reported when the last of them ends.
  int m_ownReaders = 0;
  // The thread whose own read ended last keeps the read watch paused for a while (0: no thread
  // does), so that its next request neither gives the watch back nor takes it again: until that
  // thread blocks in a wait, ends, or has not started another own read for some time (counted
  // from `m_pauseKeptSince`), the data is left to it as while it read.
  DWORD m_pauseKeptBy = 0;
  std::chrono::steady_clock::time_point m_pauseKeptSince;
  // The watchers poll the socket through its watch set (made at the first watch; -1 when it
  // could not be made, and the socket itself is polled), registered for `m_watched`, so that
  // the events it is watched for can change without waking its watcher.
  int m_watchFd = -1;
  bool m_watchFailed = false;
  bool m_inWatchSet = false;
  short m_watched = 0;
};

std::unique_lock<std::mutex> TableLock();
// The entry of a socket, or null with WSAENOTSOCK set (WSANOTINITIALISED before WSAStartup).
std::shared_ptr<SocketEntry> LookupSocket(SOCKET s);
// The same with the table lock taken into *lock and kept when an entry is found, for a call that
// looks at the socket's state at once; without an entry the lock is not held.
std::shared_ptr<SocketEntry> LookupSocketLocked(SOCKET s, std::unique_lock<std::mutex>* lock);
// Looks up without setting errors; the caller holds TableLock().
std::shared_ptr<SocketEntry> FindSocketLocked(SOCKET s);
// Every open socket; the caller holds TableLock().
const std::map<SOCKET, std::shared_ptr<SocketEntry>>& SocketsLocked();

// The WinSock error for a system errno value.
int ErrnoToWsaError(int err);

// Marks the socket connected (with its connect time) when a pending connect has finished, or
// records the failure; the caller holds TableLock(). `revents` are the poll bits just seen for
// POLLOUT interest, or -1 to ask the system now.
void UpdateConnectStateLocked(SocketEntry& entry, int revents);

// The poll thread behind WSAAsyncSelect (AsyncSelect.cpp): wakes it after a selection or an
// enabled event changed.
void WakeAsyncSelect();
// After an enabled event of a socket changed: wakes the thread that watches it (`claimedBy`, read
// under TableLock), or the poll thread when no thread does.
void WakeAsyncSelect(DWORD claimedBy);
// Whether threads watch the sockets selected to their windows themselves whenever they look at
// their queues (not while a test sink records the notifications from the poll thread).
bool ThreadWatchesOwnSockets();

}  // namespace platform::winsock
