#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/WinError.h"
#include "platform/hall/HallFrame.h"
#include "platform/hall/HallLink.h"
#include "platform/kernel/Kernel.h"
#include "platform/user/User.h"
#include "tests/support/TempDir.h"

namespace {

using platform::hall::DecodeFindNames;
using platform::hall::DecodeFrame;
using platform::hall::EncodeFindNames;
using platform::hall::EncodeFrame;
using platform::hall::Frame;
using platform::hall::FrameKind;

const DWORD GENEROUS_MS = 60000;  // only bounds a failure

// ---- the frame codec ---------------------------------------------------------------------------

TEST(HallFrame, RoundTripAndRefusals) {
  Frame f;
  f.kind = FrameKind::SEND;
  f.hwnd = 0x00012345;
  f.message = WM_COPYDATA;
  f.wParam = 0x1122334455667788ull;
  f.lParam = 0xFFFFFFFFFFFFFFFEull;
  f.dwData = 14;
  f.timeoutOrStatus = 5000;
  f.payload = {1, 2, 3};
  std::vector<BYTE> bytes = EncodeFrame(f);
  ASSERT_EQ(51u, bytes.size());
  EXPECT_EQ(0x50, bytes[0]);  // "PXQH", little-endian
  EXPECT_EQ(3, bytes[44]);    // payload length
  Frame back;
  size_t consumed = 0;
  ASSERT_EQ(1, DecodeFrame(bytes.data(), bytes.size(), &back, &consumed));
  EXPECT_EQ(bytes.size(), consumed);
  EXPECT_EQ(f.hwnd, back.hwnd);
  EXPECT_EQ(f.wParam, back.wParam);
  EXPECT_EQ(f.lParam, back.lParam);
  EXPECT_EQ(f.dwData, back.dwData);
  EXPECT_EQ(f.payload, back.payload);

  struct Case {
    const char* what;
    size_t at;  // byte changed, or SIZE_MAX for none
    BYTE value;
    size_t keep;  // bytes given
    int expected;
  };
  const Case cases[] = {
      {"whole", SIZE_MAX, 0, 51, 1},
      {"payload cut", SIZE_MAX, 0, 50, 0},
      {"head cut", SIZE_MAX, 0, 20, 0},
      {"wrong magic seen early", 1, 'x', 2, -1},
      {"wrong magic", 3, 0, 51, -1},
      {"kind 0", 4, 0, 51, -1},
      {"kind 6", 4, 6, 51, -1},
      {"payload over the limit", 47, 0x01, 51, -1},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> b = bytes;
    if (c.at != SIZE_MAX) b[c.at] = c.value;
    Frame out;
    EXPECT_EQ(c.expected, DecodeFrame(b.data(), c.keep, &out, &consumed)) << c.what;
  }
}

TEST(HallFrame, FindNames) {
  bool hasClass = false, hasName = false;
  std::string className, windowName;
  ASSERT_TRUE(DecodeFindNames(EncodeFindNames("ZuzaRuziFrame", nullptr), &hasClass, &className, &hasName, &windowName));
  EXPECT_TRUE(hasClass);
  EXPECT_EQ("ZuzaRuziFrame", className);
  EXPECT_FALSE(hasName);

  const std::vector<std::vector<BYTE>> refused = {
      {},
      {1},
      {2, 0},
      {1, 0, 'a'},                 // no terminator
      {0, 0, 'x'},                 // bytes left over
      {1, 1, 'a', 0},              // second name missing
  };
  for (const auto& payload : refused) {
    EXPECT_FALSE(DecodeFindNames(payload, &hasClass, &className, &hasName, &windowName)) << payload.size();
  }
  std::vector<BYTE> longName{1, 0};
  longName.insert(longName.end(), platform::hall::MAX_FIND_NAME + 1, 'a');
  longName.push_back(0);
  EXPECT_FALSE(DecodeFindNames(longName, &hasClass, &className, &hasName, &windowName));
}

// ---- windows of another process ----------------------------------------------------------------

int g_nestedCalls = 0;
std::string g_copied;

LRESULT CALLBACK OwnProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 4) {
    ++g_nestedCalls;
    return lParam * 2;
  }
  if (message == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    g_copied = std::to_string(data->dwData) + ":" +
               std::string(static_cast<const char*>(data->lpData), data->cbData);
    return 1;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

class HallLink : public ::testing::Test {
 protected:
  // A hall folder of this test program's own, so that parallel runs never see each other's
  // windows. The process's hall server keeps the folder it started in, so there is one per run.
  static void SetUpTestSuite() {
    s_hallDir = new testsupport::TempDir;
    ::setenv("PXQD_HALL_DIR", (s_hallDir->Path() + "/hall").c_str(), 1);
  }
  static void TearDownTestSuite() {
    delete s_hallDir;
    s_hallDir = nullptr;
  }

  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = OwnProc;
    wc.lpszClassName = "HallLinkTestOwn";
    RegisterClassA(&wc);
    m_own = CreateWindowExA(0, "HallLinkTestOwn", "own", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                            nullptr, nullptr);
    ASSERT_TRUE(m_own);
    ASSERT_TRUE(platform::PublishWindow(m_own));
  }
  void TearDown() override {
    if (m_peer.hProcess) {
      TerminateProcess(m_peer.hProcess, 1);
      WaitForSingleObject(m_peer.hProcess, GENEROUS_MS);
      CloseHandle(m_peer.hProcess);
      CloseHandle(m_peer.hThread);
    }
    platform::WithdrawWindow(m_own);
    DestroyWindow(m_own);
  }

  // Starts the peer and returns its published window.
  HWND StartPeer() {
    std::string report = m_dir.File("peer.txt");
    std::string line = report;
    EXPECT_TRUE(CreateProcessA(PXQD_HALL_PEER, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                               &m_peer));
    DWORD start = GetTickCount();
    std::string text;
    while ((text = testsupport::TempDir::Read(report)).find('\n') == std::string::npos &&
           WaitForSingleObject(m_peer.hProcess, 0) == WAIT_TIMEOUT && GetTickCount() - start < GENEROUS_MS) {
      Sleep(5);
    }
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoul(text.c_str(), nullptr, 10)));
  }

  // Pumps this thread's messages until the condition holds (bounded only for failures).
  template <class F>
  bool PumpUntil(F condition) {
    DWORD start = GetTickCount();
    while (!condition() && GetTickCount() - start < GENEROUS_MS) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    return condition();
  }

  static testsupport::TempDir* s_hallDir;
  testsupport::TempDir m_dir;
  HWND m_own = nullptr;
  PROCESS_INFORMATION m_peer{};
};

testsupport::TempDir* HallLink::s_hallDir = nullptr;

TEST_F(HallLink, MessagesReachAWindowOfAnotherProcess) {
  HWND peer = StartPeer();
  ASSERT_TRUE(peer);
  EXPECT_TRUE(IsWindow(peer));
  EXPECT_EQ(peer, FindWindowA("PeerFrame", nullptr));
  EXPECT_EQ(peer, FindWindowA("PeerFrame", "peer"));
  EXPECT_EQ(nullptr, FindWindowA("PeerFrame", "other"));
  EXPECT_EQ(nullptr, FindWindowA("NoSuchFrame", nullptr));

  // WM_COPYDATA carries its bytes; the answer comes back.
  BYTE bytes[] = {1, 2, 3, 250};
  COPYDATASTRUCT data{7, sizeof bytes, bytes};
  EXPECT_EQ(7 + 256, SendMessageA(peer, WM_COPYDATA, reinterpret_cast<WPARAM>(m_own), reinterpret_cast<LPARAM>(&data)));
  COPYDATASTRUCT empty{5, 0, nullptr};
  DWORD_PTR result = 0;
  EXPECT_EQ(1, SendMessageTimeoutA(peer, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&empty), SMTO_NORMAL, GENEROUS_MS, &result));
  EXPECT_EQ(1000005u, result);
  EXPECT_EQ(1, SendMessageTimeoutA(peer, WM_USER + 1, 40, 2, SMTO_NORMAL, GENEROUS_MS, &result));
  EXPECT_EQ(42u, result);

  // A message whose parameters would be pointers into this process is refused, not delivered.
  char text[] = "x";
  SetLastError(0);
  EXPECT_EQ(0, SendMessageA(peer, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
  EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_FALSE(PostMessageA(peer, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
  EXPECT_TRUE(IsWindow(peer));

  // The peer sends to this thread while this thread waits in its own send.
  g_nestedCalls = 0;
  EXPECT_EQ(2 * 21 + 1, SendMessageA(peer, WM_USER + 3, reinterpret_cast<WPARAM>(m_own), 21));
  EXPECT_EQ(1, g_nestedCalls);

  // A posted request answered with a WM_COPYDATA of the peer's.
  g_copied.clear();
  EXPECT_TRUE(PostMessageA(peer, WM_USER + 2, reinterpret_cast<WPARAM>(m_own), 0));
  EXPECT_TRUE(PumpUntil([] { return !g_copied.empty(); }));
  EXPECT_EQ("14:back", g_copied);
}

TEST_F(HallLink, AnEndedProcessHasNoWindows) {
  HWND peer = StartPeer();
  ASSERT_TRUE(IsWindow(peer));
  ASSERT_TRUE(TerminateProcess(m_peer.hProcess, 1));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_peer.hProcess, GENEROUS_MS));
  EXPECT_FALSE(IsWindow(peer));
  SetLastError(0);
  EXPECT_EQ(0, SendMessageA(peer, WM_USER + 1, 1, 2));
  EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  DWORD_PTR result = 7;
  EXPECT_EQ(0, SendMessageTimeoutA(peer, WM_USER + 1, 1, 2, SMTO_NORMAL, GENEROUS_MS, &result));
  EXPECT_EQ(0u, result);
  EXPECT_FALSE(PostMessageA(peer, WM_USER + 1, 1, 2));
  EXPECT_EQ(nullptr, FindWindowA("PeerFrame", nullptr));
}

TEST_F(HallLink, ClosingTheWindowEndsThePeer) {
  HWND peer = StartPeer();
  ASSERT_TRUE(PostMessageA(peer, WM_CLOSE, 0, 0));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_peer.hProcess, GENEROUS_MS));
  DWORD code = 1;
  EXPECT_TRUE(GetExitCodeProcess(m_peer.hProcess, &code));
  EXPECT_EQ(0u, code);
  EXPECT_FALSE(IsWindow(peer));
}

// Raw bytes on a published window's socket: nothing malformed is answered, and the server goes on
// serving afterwards.
int ConnectRaw(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  timeval limit{60, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  return fd;
}

std::vector<BYTE> Exchange(const std::string& path, const std::vector<BYTE>& bytes, bool closeWrite) {
  int fd = ConnectRaw(path);
  EXPECT_GE(fd, 0);
  if (fd < 0) return {};
  EXPECT_EQ(static_cast<ssize_t>(bytes.size()), ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL));
  if (closeWrite) ::shutdown(fd, SHUT_WR);
  std::vector<BYTE> answer;
  BYTE buffer[256];
  ssize_t n;
  while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) answer.insert(answer.end(), buffer, buffer + n);
  ::close(fd);
  return answer;
}

TEST_F(HallLink, MalformedFramesAreRefusedWithoutHarm) {
  char name[16];
  std::snprintf(name, sizeof name, "w%08x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(m_own)));
  std::string path = platform::HallDirectory() + "/" + name;

  Frame query;
  query.kind = FrameKind::IS_WINDOW;
  query.hwnd = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_own));
  std::vector<BYTE> good = EncodeFrame(query);

  Frame hugeCopy;
  hugeCopy.kind = FrameKind::SEND;
  hugeCopy.hwnd = query.hwnd;
  hugeCopy.message = WM_COPYDATA;
  std::vector<BYTE> huge = EncodeFrame(hugeCopy);
  huge[44] = 0xFF;
  huge[45] = 0xFF;
  huge[46] = 0xFF;
  huge[47] = 0x7F;  // claims 2 GiB

  Frame reply;
  reply.kind = FrameKind::REPLY;

  const std::vector<std::pair<const char*, std::vector<BYTE>>> bad = {
      {"garbage", std::vector<BYTE>(64, 0xAB)},
      {"oversized payload", huge},
      {"cut head", std::vector<BYTE>(good.begin(), good.begin() + 20)},
      {"a reply as request", EncodeFrame(reply)},
  };
  for (const auto& [what, bytes] : bad) {
    EXPECT_TRUE(Exchange(path, bytes, true).empty()) << what;
  }

  std::vector<BYTE> answer = Exchange(path, good, false);
  Frame out;
  size_t consumed = 0;
  ASSERT_EQ(1, DecodeFrame(answer.data(), answer.size(), &out, &consumed));
  EXPECT_EQ(FrameKind::REPLY, out.kind);
  EXPECT_EQ(1u, out.wParam);
}

}  // namespace
