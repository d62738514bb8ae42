// WSAAsyncSelect on loopback: which notifications come after each step, by WinSock's
// re-enabling rules, and their delivery to a window through its thread's message loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/KernelObject.h"
#include "platform/kernel/Time.h"
#include "platform/user/User.h"
#include "platform/winsock/AsyncSelect.h"
#include "platform/winsock/WinSock.h"
#include "tests/support/LoopbackSockets.h"

using namespace testsupport;

namespace {

const UINT WM_TEST_SOCKET = WM_USER + 17;
HWND const FAKE_WINDOW = reinterpret_cast<HWND>(0x4321);

struct Note {
  HWND window;
  UINT message;
  SOCKET socket;
  int event;
  int error;
};

std::string Describe(int event, int error) {
  const char* name = event == FD_READ      ? "READ"
                     : event == FD_WRITE   ? "WRITE"
                     : event == FD_CLOSE   ? "CLOSE"
                     : event == FD_CONNECT ? "CONNECT"
                     : event == FD_ACCEPT  ? "ACCEPT"
                                           : "?";
  return error ? std::string(name) + "/" + std::to_string(error) : std::string(name);
}

std::string Describe(const std::vector<Note>& notes) {
  std::string out;
  for (const Note& n : notes) out += (out.empty() ? "" : " ") + Describe(n.event, n.error);
  return out.empty() ? "-" : out;
}

// Records the notifications instead of posting them.
class Recorder {
 public:
  Recorder() {
    platform::SetSocketNotifySink([this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_notes.push_back(Note{window, message, (SOCKET)wParam, WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam)});
    });
  }
  ~Recorder() { platform::SetSocketNotifySink(nullptr); }

  // Everything recorded since the last call: waits until at least `count` notifications have come
  // (for at most 5 s, as the system finishes loopback steps quickly but not always at once), then
  // lets the poll thread take one more full look so that nothing extra goes unseen.
  std::vector<Note> Take(size_t count) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      platform::FlushSocketNotifications();
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_notes.size() >= count) break;
      }
      if (std::chrono::steady_clock::now() > end) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    platform::FlushSocketNotifications();
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Note> out;
    out.swap(m_notes);
    return out;
  }

 private:
  std::mutex m_mutex;
  std::vector<Note> m_notes;
};

class AsyncSelect : public ::testing::Test {
 protected:
  WinSockSession m_session;
  Recorder m_recorder;
};

enum Action {
  SELECT,
  RESELECT,
  CANCEL,
  PEER_SEND,
  PEER_CLOSE,
  PEER_RESET,
  RECV,
  RECV_EOF,
  SEND,
  FILL,
  PEER_DRAIN,
  OWN_READ_BEGIN,
  OWN_READ_END,
  OWN_READ_WAIT  // waits as an own reader does until the socket has something to read
};

struct Step {
  Action action;
  int bytes;
  const char* expected;  // the notifications, sorted by name, or "-"
};

struct Sequence {
  const char* name;
  std::vector<Step> steps;
};

std::string SortedDescription(std::vector<Note> notes) {
  std::sort(notes.begin(), notes.end(),
            [](const Note& a, const Note& b) { return Describe(a.event, a.error) < Describe(b.event, b.error); });
  return Describe(notes);
}

size_t ExpectedCount(const char* expected) {
  std::string e = expected;
  if (e == "-") return 0;
  return (size_t)std::count(e.begin(), e.end(), ' ') + 1;
}

// Waits as an own reader does until the socket has something to read.
void WaitAsAnOwnReader(SOCKET s) {
  // Bounded: loopback data arrives at once on an idle machine, a little later on a busy one.
  HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  bool readable = false;
  // A wait may end early for a wake-up that concerns neither; it is simply waited again.
  for (int attempt = 0; attempt < 100 && !readable; ++attempt) {
    EXPECT_EQ(WAIT_OBJECT_0 + 1, platform::WaitForObjectsOrSocketRead(1, &never, 5000, s, &readable));
  }
  CloseHandle(never);
  EXPECT_TRUE(readable);
}

TEST_F(AsyncSelect, ReEnablingRules) {
  const Sequence sequences[] = {
      {"FD_READ comes again only after recv, and while data remains",
       {{SELECT, 0, "WRITE"},
        {PEER_SEND, 10, "READ"},
        {PEER_SEND, 10, "-"},
        {RECV, 5, "READ"},
        {RECV, 100, "-"},
        {PEER_SEND, 3, "READ"},
        {SEND, 4, "-"},
        {RECV, 100, "-"},
        {PEER_CLOSE, 0, "CLOSE"},
        {RECV_EOF, 0, "-"}}},
      {"FD_CLOSE waits until the data is read",
       {{SELECT, 0, "WRITE"}, {PEER_SEND, 10, "READ"}, {PEER_CLOSE, 0, "-"}, {RECV, 100, "CLOSE"}, {RECV_EOF, 0, "-"}}},
      {"FD_WRITE again only after a send failed with WSAEWOULDBLOCK",
       {{SELECT, 0, "WRITE"}, {SEND, 100, "-"}, {FILL, 0, "-"}, {PEER_DRAIN, 0, "WRITE"}, {SEND, 10, "-"}}},
      {"a reset peer gives FD_CLOSE with WSAECONNRESET", {{SELECT, 0, "WRITE"}, {PEER_RESET, 0, "CLOSE/10054"}}},
      {"a cancelled selection is silent; a new one reports what is true",
       {{SELECT, 0, "WRITE"}, {CANCEL, 0, "-"}, {PEER_SEND, 5, "-"}, {RESELECT, 0, "READ WRITE"}, {RECV, 100, "-"}}},
      {"a thread reading for itself holds FD_READ back; what it leaves is reported when the last one ends",
       {{SELECT, 0, "WRITE"},
        {OWN_READ_BEGIN, 0, "-"},
        {PEER_SEND, 10, "-"},
        {OWN_READ_WAIT, 0, "-"},
        {OWN_READ_BEGIN, 0, "-"},
        {RECV, 4, "-"},
        {OWN_READ_END, 0, "-"},
        {SEND, 4, "-"},
        {OWN_READ_END, 0, "READ"},
        {RECV, 100, "-"},
        {PEER_SEND, 3, "READ"}}},
      {"what the own reader takes entirely is never reported",
       {{SELECT, 0, "WRITE"},
        {OWN_READ_BEGIN, 0, "-"},
        {PEER_SEND, 10, "-"},
        {OWN_READ_WAIT, 0, "-"},
        {RECV, 100, "-"},
        {OWN_READ_END, 0, "-"},
        {PEER_SEND, 2, "READ"}}},
      {"a close while a thread reads for itself comes when it ends",
       {{SELECT, 0, "WRITE"},
        {OWN_READ_BEGIN, 0, "-"},
        {PEER_SEND, 10, "-"},
        {PEER_CLOSE, 0, "-"},
        {OWN_READ_WAIT, 0, "-"},
        {RECV, 100, "-"},
        {OWN_READ_WAIT, 0, "-"},
        {RECV_EOF, 0, "-"},
        {OWN_READ_END, 0, "CLOSE"}}},
      {"a reset while a thread reads for itself comes when it ends",
       {{SELECT, 0, "WRITE"}, {OWN_READ_BEGIN, 0, "-"}, {PEER_RESET, 0, "-"}, {OWN_READ_END, 0, "CLOSE/10054"}}},
      {"FD_WRITE is not held back by an own reader",
       {{SELECT, 0, "WRITE"}, {OWN_READ_BEGIN, 0, "-"}, {FILL, 0, "-"}, {PEER_DRAIN, 0, "WRITE"}, {OWN_READ_END, 0, "-"}}},
  };
  for (const Sequence& seq : sequences) {
    SCOPED_TRACE(seq.name);
    LoopbackPair pair(8192);
    ASSERT_TRUE(pair.Ok());
    int small = 8192;
    setsockopt(pair.client, SOL_SOCKET, SO_SNDBUF, (const char*)&small, sizeof(small));
    long clientSent = 0, peerReceived = 0;
    int stepNo = 0;
    for (const Step& step : seq.steps) {
      SCOPED_TRACE("step " + std::to_string(++stepNo));
      char buffer[65536];
      switch (step.action) {
        case SELECT:
        case RESELECT:
          ASSERT_EQ(0, WSAAsyncSelect(pair.client, FAKE_WINDOW, WM_TEST_SOCKET, FD_READ | FD_WRITE | FD_CLOSE));
          break;
        case CANCEL: ASSERT_EQ(0, WSAAsyncSelect(pair.client, FAKE_WINDOW, 0, 0)); break;
        case PEER_SEND: ASSERT_TRUE(SendAll(pair.server, std::string((size_t)step.bytes, 'p'))); break;
        case PEER_CLOSE:
          // The peer reads what is waiting first: a close with unread data would be a reset.
          peerReceived += (long)ReceiveExactly(pair.server, (size_t)(clientSent - peerReceived)).size();
          pair.CloseServer();
          break;
        case PEER_RESET: {
          LINGER abortive = {1, 0};
          setsockopt(pair.server, SOL_SOCKET, SO_LINGER, (const char*)&abortive, sizeof(abortive));
          pair.CloseServer();
          break;
        }
        case RECV: EXPECT_GT(recv(pair.client, buffer, step.bytes, 0), 0); break;
        case RECV_EOF: EXPECT_EQ(0, recv(pair.client, buffer, sizeof(buffer), 0)); break;
        case SEND:
          EXPECT_EQ(step.bytes, send(pair.client, std::string((size_t)step.bytes, 'c').data(), step.bytes, 0));
          clientSent += step.bytes;
          break;
        case FILL: {
          std::string chunk(8192, 'f');
          for (int i = 0; i < 100000; ++i) {
            int n = send(pair.client, chunk.data(), (int)chunk.size(), 0);
            if (n == SOCKET_ERROR) {
              EXPECT_EQ(WSAEWOULDBLOCK, WSAGetLastError());
              break;
            }
            clientSent += n;
          }
          break;
        }
        case PEER_DRAIN: {
          size_t want = (size_t)(clientSent - peerReceived);
          EXPECT_EQ(want, ReceiveExactly(pair.server, want).size());
          peerReceived = clientSent;
          break;
        }
        case OWN_READ_BEGIN: ASSERT_TRUE(platform::BeginOwnRead(pair.client)); break;
        case OWN_READ_END: platform::EndOwnRead(pair.client); break;
        case OWN_READ_WAIT: WaitAsAnOwnReader(pair.client); break;
      }
      std::vector<Note> notes = m_recorder.Take(ExpectedCount(step.expected));
      EXPECT_EQ(step.expected, SortedDescription(notes));
      for (const Note& n : notes) {
        EXPECT_EQ(FAKE_WINDOW, n.window);
        EXPECT_EQ(WM_TEST_SOCKET, n.message);
        EXPECT_EQ(pair.client, n.socket);
      }
    }
  }
}

// A thread that reads a socket for itself, step by step on the test's behalf. Between the steps
// it idles in a wait of the standard library, which, unlike the platform's waits, gives nothing
// back.
class OwnReader {
 public:
  OwnReader() : m_thread([this] { Loop(); }) {}
  ~OwnReader() { End(); }

  void Run(std::function<void()> task) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_task = std::move(task);
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return !m_task; });
  }

  void End() {
    if (!m_thread.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
  }

 private:
  void Loop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
      m_changed.wait(lock, [&] { return m_task || m_stop; });
      if (!m_task) return;
      lock.unlock();
      m_task();
      lock.lock();
      m_task = nullptr;
      m_changed.notify_all();
    }
  }

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::function<void()> m_task;
  bool m_stop = false;
  std::thread m_thread;
};

// The keep limit of ended own reads for one test, and the usual one again afterwards.
struct KeepLimit {
  explicit KeepLimit(DWORD ms) { platform::SetOwnReadKeepLimit(ms); }
  ~KeepLimit() { platform::SetOwnReadKeepLimit(10); }
};

enum KeptAction {
  K_SELECT,
  K_PEER_SEND,
  K_PEER_CLOSE,
  K_BEGIN,
  K_END,
  K_WAIT,  // waits as an own reader until the socket has something to read
  K_RECV,
  K_BLOCK_ON_EVENT,
  K_SLEEP,
  K_WAIT_FOR_MESSAGES,
  K_THREAD_ENDS
};

struct KeptStep {
  int reader;  // which of the two reading threads acts (reader steps only)
  KeptAction action;
  int bytes;
  const char* expected;  // the notifications, sorted by name, or "-"
};

struct KeptSequence {
  const char* name;
  DWORD keepLimitMs;
  std::vector<KeptStep> steps;
};

// A thread whose own read ended keeps the read watch paused for its next one; it gives it back
// as soon as it blocks, ends, or lets the keep limit pass, and what came meanwhile is reported
// then. Each reading thread idles between its steps without giving anything back.
TEST_F(AsyncSelect, AnEndedOwnReadKeepsThePauseUntilItsThreadBlocksOrEnds) {
  const DWORD LONG_LIMIT = 600000;
  const KeptSequence sequences[] = {
      {"the thread's next own read takes the kept pause over; what came between is left to it",
       LONG_LIMIT,
       {{0, K_SELECT, 0, "WRITE"},
        {0, K_BEGIN, 0, "-"},
        {0, K_END, 0, "-"},
        {0, K_PEER_SEND, 10, "-"},
        {0, K_BEGIN, 0, "-"},
        {0, K_WAIT, 0, "-"},
        {0, K_RECV, 100, "-"},
        {0, K_END, 0, "-"},
        {0, K_PEER_SEND, 3, "-"},
        {0, K_BLOCK_ON_EVENT, 0, "READ"}}},
      {"a wait for an object gives it back",
       LONG_LIMIT,
       {{0, K_SELECT, 0, "WRITE"},
        {0, K_BEGIN, 0, "-"},
        {0, K_END, 0, "-"},
        {0, K_PEER_SEND, 10, "-"},
        {0, K_BLOCK_ON_EVENT, 0, "READ"},
        {0, K_RECV, 100, "-"},
        {0, K_PEER_SEND, 3, "READ"}}},
      {"a sleep gives it back",
       LONG_LIMIT,
       {{0, K_SELECT, 0, "WRITE"},
        {0, K_BEGIN, 0, "-"},
        {0, K_END, 0, "-"},
        {0, K_PEER_SEND, 10, "-"},
        {0, K_SLEEP, 0, "READ"}}},
      {"a wait for messages gives it back",
       LONG_LIMIT,
       {{0, K_SELECT, 0, "WRITE"},
        {0, K_BEGIN, 0, "-"},
        {0, K_END, 0, "-"},
        {0, K_PEER_SEND, 10, "-"},
        {0, K_WAIT_FOR_MESSAGES, 0, "READ"}}},
      {"the thread's end gives it back",
       LONG_LIMIT,
       {{0, K_SELECT, 0, "WRITE"},
        {0, K_BEGIN, 0, "-"},
        {0, K_END, 0, "-"},
        {0, K_PEER_SEND, 10, "-"},
        {0, K_THREAD_ENDS, 0, "READ"}}},
      {"a close that came while the pause was kept is reported when it is given back",
       LONG_LIMIT,
       {{0, K_SELECT, 0, "WRITE"},
        {0, K_BEGIN, 0, "-"},
        {0, K_END, 0, "-"},
        {0, K_PEER_CLOSE, 0, "-"},
        {0, K_BLOCK_ON_EVENT, 0, "CLOSE"}}},
      {"another thread's own read takes the pause over, and the last reader keeps it",
       LONG_LIMIT,
       {{0, K_SELECT, 0, "WRITE"},
        {0, K_BEGIN, 0, "-"},
        {0, K_END, 0, "-"},
        {1, K_BEGIN, 0, "-"},
        {1, K_END, 0, "-"},
        {0, K_PEER_SEND, 10, "-"},
        {0, K_BLOCK_ON_EVENT, 0, "-"},
        {1, K_BLOCK_ON_EVENT, 0, "READ"}}},
      {"a pause kept past the limit is given back by the poll thread",
       0,
       {{0, K_SELECT, 0, "WRITE"}, {0, K_BEGIN, 0, "-"}, {0, K_END, 0, "-"}, {0, K_PEER_SEND, 10, "READ"}}},
  };
  for (const KeptSequence& seq : sequences) {
    SCOPED_TRACE(seq.name);
    KeepLimit limit(seq.keepLimitMs);
    LoopbackPair pair;
    ASSERT_TRUE(pair.Ok());
    OwnReader readers[2];
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int stepNo = 0;
    for (const KeptStep& step : seq.steps) {
      SCOPED_TRACE("step " + std::to_string(++stepNo));
      OwnReader& reader = readers[step.reader];
      switch (step.action) {
        case K_SELECT:
          ASSERT_EQ(0, WSAAsyncSelect(pair.client, FAKE_WINDOW, WM_TEST_SOCKET, FD_READ | FD_WRITE | FD_CLOSE));
          break;
        case K_PEER_SEND: ASSERT_TRUE(SendAll(pair.server, std::string((size_t)step.bytes, 'p'))); break;
        case K_PEER_CLOSE: pair.CloseServer(); break;
        case K_BEGIN: reader.Run([&] { EXPECT_TRUE(platform::BeginOwnRead(pair.client)); }); break;
        case K_END: reader.Run([&] { platform::EndOwnRead(pair.client); }); break;
        case K_WAIT: reader.Run([&] { WaitAsAnOwnReader(pair.client); }); break;
        case K_RECV:
          reader.Run([&] {
            char buffer[4096];
            EXPECT_GT(recv(pair.client, buffer, step.bytes, 0), 0);
          });
          break;
        case K_BLOCK_ON_EVENT:
          reader.Run([&] { EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(never, 1)); });
          break;
        case K_SLEEP: reader.Run([] { Sleep(1); }); break;
        case K_WAIT_FOR_MESSAGES:
          reader.Run([] { MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT); });
          break;
        case K_THREAD_ENDS: reader.End(); break;
      }
      std::vector<Note> notes = m_recorder.Take(ExpectedCount(step.expected));
      EXPECT_EQ(step.expected, SortedDescription(notes));
    }
    CloseHandle(never);
  }
}

TEST_F(AsyncSelect, ConnectOutcomes) {
  USHORT port = 0;
  SOCKET listener = ListenLoopback(&port);
  struct Case {
    const char* what;
    USHORT port;
    const char* expected;  // in order
  } cases[] = {
      {"listening port: FD_CONNECT, then the first FD_WRITE", port, "CONNECT WRITE"},
      {"closed port: FD_CONNECT with the error, nothing else", ClosedLoopbackPort(), "CONNECT/10061"},
  };
  for (const Case& c : cases) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_EQ(0, WSAAsyncSelect(s, FAKE_WINDOW, WM_TEST_SOCKET, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE));
    SOCKADDR_IN a = LoopbackAddress(c.port);
    EXPECT_EQ(SOCKET_ERROR, connect(s, (SOCKADDR*)&a, sizeof(a))) << c.what;
    EXPECT_EQ(WSAEWOULDBLOCK, WSAGetLastError()) << c.what;
    EXPECT_EQ(c.expected, Describe(m_recorder.Take(ExpectedCount(c.expected)))) << c.what;
    closesocket(s);
  }
  closesocket(listener);
}

// The poll thread watches the socket while connect is being called; many rounds give a race
// between the two every chance to show (a hang-up seen before the connect began was once taken
// for FD_CLOSE).
TEST_F(AsyncSelect, ManyConnectsReportConnectAndWriteOnly) {
  USHORT port = 0;
  SOCKET listener = ListenLoopback(&port);
  for (int round = 0; round < 100; ++round) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_EQ(0, WSAAsyncSelect(s, FAKE_WINDOW, WM_TEST_SOCKET, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE));
    SOCKADDR_IN a = LoopbackAddress(port);
    connect(s, (SOCKADDR*)&a, sizeof(a));
    ASSERT_EQ("CONNECT WRITE", Describe(m_recorder.Take(2))) << "round " << round;
    closesocket(accept(listener, nullptr, nullptr));
    closesocket(s);
    m_recorder.Take(0);
  }
  closesocket(listener);
}

TEST_F(AsyncSelect, AcceptComesAgainAfterAccept) {
  USHORT port = 0;
  SOCKET listener = ListenLoopback(&port);
  ASSERT_EQ(0, WSAAsyncSelect(listener, FAKE_WINDOW, WM_TEST_SOCKET, FD_ACCEPT));
  EXPECT_EQ("-", Describe(m_recorder.Take(0)));
  SOCKET first = ConnectLoopback(port);
  EXPECT_EQ("ACCEPT", Describe(m_recorder.Take(1)));
  SOCKET second = ConnectLoopback(port);
  EXPECT_EQ("-", Describe(m_recorder.Take(0)));
  SOCKET a1 = accept(listener, nullptr, nullptr);
  EXPECT_NE(INVALID_SOCKET, a1);
  EXPECT_EQ("ACCEPT", Describe(m_recorder.Take(1)));  // the second one still waits
  SOCKET a2 = accept(listener, nullptr, nullptr);
  EXPECT_NE(INVALID_SOCKET, a2);
  EXPECT_EQ("-", Describe(m_recorder.Take(0)));
  EXPECT_EQ(INVALID_SOCKET, accept(listener, nullptr, nullptr));
  EXPECT_EQ(WSAEWOULDBLOCK, WSAGetLastError());
  for (SOCKET s : {first, second, a1, a2, listener}) closesocket(s);
}

TEST_F(AsyncSelect, SelectionMakesTheSocketNonBlocking) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Ok());
  ASSERT_EQ(0, WSAAsyncSelect(pair.client, FAKE_WINDOW, WM_TEST_SOCKET, FD_READ));
  char b[4];
  EXPECT_EQ(SOCKET_ERROR, recv(pair.client, b, sizeof(b), 0));
  EXPECT_EQ(WSAEWOULDBLOCK, WSAGetLastError());
  u_long off = 0;
  EXPECT_EQ(SOCKET_ERROR, ioctlsocket(pair.client, FIONBIO, &off));
  EXPECT_EQ(WSAEINVAL, WSAGetLastError());
  EXPECT_EQ(SOCKET_ERROR, WSAAsyncSelect(pair.client, nullptr, WM_TEST_SOCKET, FD_READ));
  EXPECT_EQ(WSAEINVAL, WSAGetLastError());
  EXPECT_EQ(SOCKET_ERROR, WSAAsyncSelect(0x7777777, FAKE_WINDOW, WM_TEST_SOCKET, FD_READ));
  EXPECT_EQ(WSAENOTSOCK, WSAGetLastError());

  // A closed socket says nothing more, whatever its peer does.
  m_recorder.Take(0);
  pair.CloseClient();
  SendAll(pair.server, "late");
  EXPECT_EQ("-", Describe(m_recorder.Take(0)));
}

// The notifications reach a real window in its own thread's message loop.
std::vector<Note> g_windowNotes;
DWORD g_windowThread = 0;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TEST_SOCKET) {
    g_windowNotes.push_back(Note{hwnd, message, (SOCKET)wParam, WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam)});
    g_windowThread = GetCurrentThreadId();
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

std::string PumpUntil(size_t count) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (g_windowNotes.size() < count && std::chrono::steady_clock::now() < end) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (g_windowNotes.size() < count) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  std::string out = Describe(g_windowNotes);
  g_windowNotes.clear();
  return out;
}

TEST(AsyncSelectWindow, NotificationsArriveInTheWindowsMessageLoop) {
  WinSockSession session;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "WinSockTestWindow";
  ASSERT_NE(0, RegisterClassA(&wc));
  HWND window = CreateWindowExA(0, "WinSockTestWindow", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, window);

  USHORT port = 0;
  SOCKET listener = ListenLoopback(&port);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_EQ(0, WSAAsyncSelect(s, window, WM_TEST_SOCKET, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE));
  SOCKADDR_IN a = LoopbackAddress(port);
  EXPECT_EQ(SOCKET_ERROR, connect(s, (SOCKADDR*)&a, sizeof(a)));
  EXPECT_EQ("CONNECT WRITE", PumpUntil(2));
  EXPECT_EQ(GetCurrentThreadId(), g_windowThread);

  SOCKET peer = accept(listener, nullptr, nullptr);
  SendAll(peer, "abc");
  EXPECT_EQ("READ", PumpUntil(1));
  char b[8];
  EXPECT_EQ(3, recv(s, b, sizeof(b), 0));
  closesocket(peer);
  EXPECT_EQ("CLOSE", PumpUntil(1));

  closesocket(s);
  closesocket(listener);
  DestroyWindow(window);
  UnregisterClassA("WinSockTestWindow", nullptr);
}

}  // namespace
