#include "net/SocketConnection.h"

#include <charconv>
#include <cstring>
#include <memory>
#include <string_view>

#include "net/ChunkFraming.h"
#include "net/Crc32.h"
#include "net/DecomposePacket.h"
#include "net/NetLog.h"
#include "net/PacketTransformer.h"
#include "net/SystemHelpers.h"
#include "net/WireBytes.h"
#include "platform/winsock/AsyncSelect.h"

namespace {

const char SOCKET_WINDOW_CLASS[] = "Nqt Socket Window";
volatile LONG g_connectionIdCounter = 0;

// Reading stops after this many chunks per read event so that a peer that sends without pause
// cannot grow the receive buffer without bound; the socket reports the rest as a new read event.
const int MAX_CHUNKS_PER_READ_EVENT = 64;

void AppendU32(CByteBuffer* buffer, DWORD v) {
  BYTE b[4];
  WriteU32Le(b, v);
  buffer->Append(b, 4);
}

LRESULT CALLBACK SocketWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A buffer a thread keeps for its next packet is given back once a packet grew it beyond this.
constexpr DWORD KEPT_BUFFER_CAPACITY = 64 * 1024;

// The stream and chunk buffers a request is built in, kept by each sending thread for its next
// request so that a packet is encoded and framed without allocating. A request built while the
// thread's buffers are already in use gets buffers of its own, and blocks grown for an unusually
// large packet are given back afterwards instead of being held for the thread's lifetime.
class SendBuffers {
 public:
  SendBuffers() : m_kept(Kept().inUse ? nullptr : &Kept()) {
    if (m_kept != nullptr) m_kept->inUse = true;
  }
  ~SendBuffers() { Release(); }
  // Hands the thread's buffers back, emptied, once the request has been sent.
  void Release() {
    if (m_kept == nullptr) return;
    for (CByteBuffer* buffer : {&m_kept->stream, &m_kept->chunks}) {
      if (buffer->GetCapacity() > KEPT_BUFFER_CAPACITY) {
        CByteBuffer released;
        buffer->Swap(released);
      } else {
        buffer->Clear();
      }
    }
    m_kept->inUse = false;
    m_kept = nullptr;
  }
  SendBuffers(const SendBuffers&) = delete;
  SendBuffers& operator=(const SendBuffers&) = delete;

  CByteBuffer& Stream() { return m_kept != nullptr ? m_kept->stream : m_ownStream; }
  CByteBuffer& Chunks() { return m_kept != nullptr ? m_kept->chunks : m_ownChunks; }

 private:
  struct Pair {
    CByteBuffer stream;
    CByteBuffer chunks;
    bool inUse = false;
  };
  static Pair& Kept() {
    thread_local Pair pair;
    return pair;
  }

  Pair* m_kept;
  CByteBuffer m_ownStream;
  CByteBuffer m_ownChunks;
};

// The reply the calling thread waits for while it reads the socket itself.
struct OwnReplyMark {
  const CSocketConnection* connection = nullptr;
  const PeerRecord* peer = nullptr;
  DWORD serial = 0;
};
thread_local OwnReplyMark t_ownReply;

// Frees a record handed over by DecomposePacket or made for a post, with its data block.
void DeleteRecord(PacketRecord* record) {
  if (!record) return;
  FreePacketData(record);
  delete record;
}

}  // namespace

void SegmentHead::Read(const BYTE* p) {
  DWORD* words[] = {&kind,          &segmentSerial, &crcFlag,  &crc,         &reserved1[0],
                    &reserved1[1],  &requestSerial, &segmentNumber, &lastFlag, &reserved2,
                    &replyWanted,   &reserved3[0],  &reserved3[1]};
  for (int i = 0; i < 13; ++i) *words[i] = ReadU32Le(p + 4 * i);
}

void SegmentHead::Write(BYTE* p) const {
  const DWORD words[] = {kind,         segmentSerial, crcFlag,       crc,      reserved1[0],
                         reserved1[1], requestSerial, segmentNumber, lastFlag, reserved2,
                         replyWanted,  reserved3[0],  reserved3[1]};
  for (int i = 0; i < 13; ++i) WriteU32Le(p + 4 * i, words[i]);
}

PeerRecord::PeerRecord() {
  InitializeCriticalSection(&replyLock);
  InitializeCriticalSection(&reassemblyLock);
}

PeerRecord::~PeerRecord() {
  if (event) CloseHandle(event);
  FreePacketData(&reply);
  DeleteCriticalSection(&replyLock);
  DeleteCriticalSection(&reassemblyLock);
}

LONG NextConnectionId() { return InterlockedIncrement(&g_connectionIdCounter); }

std::string MakePeerKey(const char* host, int port) {
  // Every packet looks its peer up by this key, so it is built without the cost of a format.
  std::string key = host ? host : "";
  key += ':';
  key += std::to_string(port);
  return key;
}

int RegisterSocketWindowClass() {
  // The window is never shown, so it needs no cursor, background or icon.
  WNDCLASSA wc{};
  wc.lpfnWndProc = SocketWindowProc;
  wc.lpszClassName = SOCKET_WINDOW_CLASS;
  return RegisterClassA(&wc) != 0 ? 1 : 0;
}

void UnregisterSocketWindowClass() { UnregisterClassA(SOCKET_WINDOW_CLASS, nullptr); }

int ResolveAddress(const char* host, int port, sockaddr_in* address) {
  memset(address, 0, sizeof *address);
  address->sin_family = AF_INET;
  address->sin_port = htons(static_cast<u_short>(port));
  if (!host || !*host) {
    address->sin_addr.s_addr = htonl(INADDR_ANY);
    return 1;
  }
  if (strlen(host) > 127) {
    WSASetLastError(WSAEINVAL);
    return 0;
  }
  unsigned long dotted = inet_addr(host);
  if (dotted != INADDR_NONE) {
    address->sin_addr.s_addr = dotted;
    return 1;
  }
  hostent* he = gethostbyname(host);
  if (!he || !he->h_addr_list || !he->h_addr_list[0] || he->h_length != 4) {
    WSASetLastError(WSAEINVAL);
    return 0;
  }
  memcpy(&address->sin_addr, he->h_addr_list[0], 4);
  return 1;
}

int GetSocketConnectTime(SOCKET socket) {
  if (socket == INVALID_SOCKET || socket == 0) return -1;
  DWORD flags = 0;
  if (!GetOsVersionFlags(&flags) || flags < 0x10) return 1;
  int seconds = -1;
  int len = sizeof seconds;
  if (getsockopt(socket, SOL_SOCKET, SO_CONNECT_TIME, reinterpret_cast<char*>(&seconds), &len) != 0) return -1;
  return seconds;
}

int IsSocketConnected(SOCKET socket) { return GetSocketConnectTime(socket) != -1 ? 1 : 0; }

CSocketConnection::CSocketConnection(const BYTE* key, DWORD keyBits, DWORD cryptFlags, DWORD zipFlags,
                                     DWORD crcFlag, DWORD largestPayload)
    : m_key(key),
      m_keyBits(keyBits),
      m_cryptFlags(cryptFlags),
      m_zipFlags(zipFlags),
      m_crcFlag(crcFlag),
      // Both framing operations move a chunk through a 4000-byte work area.
      m_largestPayload(largestPayload == 0 || largestPayload > 4000 ? 4000 : largestPayload) {
  InitializeCriticalSection(&m_peerLock);
  InitializeCriticalSection(&m_receiveLock);
}

CSocketConnection::~CSocketConnection() {
  RemoveAllPeers();
  DeleteCriticalSection(&m_receiveLock);
  DeleteCriticalSection(&m_peerLock);
}

int CSocketConnection::Connect(const char* host, int port, int timeoutSeconds, HWND notifyWindow,
                               DWORD notifyThread, int waitForHello, const BYTE* greeting, DWORD greetingLength,
                               DWORD helloWaitMs, int reserved) {
  if (!CreateSocket(reserved)) return 0;
  return Start(m_socket, notifyWindow, notifyThread, waitForHello, greeting, greetingLength, helloWaitMs, host,
               port, timeoutSeconds, 0);
}

int CSocketConnection::Attach(SOCKET socket, HWND notifyWindow, DWORD notifyThread, int waitForHello,
                              const BYTE* greeting, DWORD greetingLength, DWORD helloWaitMs, const char* host,
                              int port, int timeoutSeconds) {
  return Start(socket, notifyWindow, notifyThread, waitForHello, greeting, greetingLength, helloWaitMs, host, port,
               timeoutSeconds, 1);
}

int CSocketConnection::Start(SOCKET socket, HWND notifyWindow, DWORD notifyThread, int waitForHello,
                             const BYTE* greeting, DWORD greetingLength, DWORD helloWaitMs, const char* host,
                             int port, int timeoutSeconds, int skipConnect) {
  m_socket = socket;
  // A posted packet has exactly one owner, so a connection has exactly one receiver.
  if (notifyWindow && notifyThread) {
    LogPrintf("connection refused two packet receivers");
    Close();
    return 0;
  }
  m_notifyWindow = notifyWindow;
  m_notifyThread = notifyThread;
  m_waitForHello = waitForHello;
  m_streamBroken = false;
  InterlockedExchange(&m_ended, 0);
  m_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  m_writableEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  m_readyEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!m_stopEvent || !m_writableEvent || !m_readyEvent) {
    Close();
    return 0;
  }
  SetConnectionId(NextConnectionId());
  if (!ConnectSocket(host, port, timeoutSeconds, skipConnect) || !AddPeer(host, port)) {
    Close();
    return 0;
  }
  // Requests and replies are small and each waits for the other side: a request must leave at
  // once instead of waiting for the acknowledgement of the last one.
  int noDelay = 1;
  setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
  if (!m_waitForHello && !SendGreeting(greeting, greetingLength, host, port)) {
    Close();
    return 0;
  }
  unsigned threadId = 0;
  m_workerThread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, SocketThreadProc, this, 0, &threadId));
  if (!m_workerThread) {
    Close();
    return 0;
  }
  m_workerThreadId = threadId;
  if (!WaitThreadReady(threadId)) {
    Close();
    return 0;
  }
  if (m_waitForHello) return WaitGreetingReply(helloWaitMs, host, port);
  return 1;
}

int CSocketConnection::Close() {
  if (m_stopEvent) SetEvent(m_stopEvent);
  if (m_workerThread) {
    // The quit goes to the worker's queue. Should the queue not exist yet, the worker finds the
    // stop event set once it has made its queue and leaves by itself.
    PostThreadMessageA(m_workerThreadId, WM_QUIT, 0, 0);
    // The worker only ever blocks in its message loop, so it ends; everything it uses must
    // outlive it, so wait for it without a limit.
    WaitForSingleObject(m_workerThread, INFINITE);
    CloseHandle(m_workerThread);
    m_workerThread = nullptr;
    m_workerThreadId = 0;
  }
  MarkPeersClosed();
  // Senders still inside SendAndWait wake on the stop event at once; the events and peers they
  // use are freed only after the last one has left.
  while (InterlockedCompareExchange(&m_inFlight, 0, 0) > 0) Sleep(5);
  if (m_socket != INVALID_SOCKET) {
    closesocket(m_socket);
    m_socket = INVALID_SOCKET;
  }
  SetConnectionId(0);
  for (HANDLE* h : {&m_writableEvent, &m_stopEvent, &m_readyEvent}) {
    if (*h) {
      CloseHandle(*h);
      *h = nullptr;
    }
  }
  m_bytesReceived = 0;
  m_readEvents = 0;
  // The in-flight count is not reset: every sender leaves it as it found it, and a reset would
  // leave a sender that arrived during Close at -1, so that the next run's Close would not wait.
  RemoveAllPeers();
  return 1;
}

SOCKET CSocketConnection::GetSocket() { return m_socket; }

LONG CSocketConnection::GetConnectionId() { return InterlockedCompareExchange(&m_connectionId, 0, 0); }

void CSocketConnection::SetConnectionId(LONG id) { InterlockedExchange(&m_connectionId, id); }

void CSocketConnection::MoveIdOnAtNextReply() {
  InterlockedExchange(&m_moveIdThread, static_cast<LONG>(GetCurrentThreadId()));
}

int CSocketConnection::IsConnected() {
  if (InterlockedCompareExchange(&m_ended, 0, 0) != 0) return 0;
  return IsSocketConnected(m_socket);
}

int CSocketConnection::SetPacketOptions(const BYTE* key, DWORD keyBits, DWORD cryptFlags, DWORD zipFlags) {
  m_key = key;
  m_keyBits = keyBits;
  m_cryptFlags = cryptFlags;
  m_zipFlags = zipFlags;
  return 1;
}

void CSocketConnection::MarkPeersClosed() {
  EnterCriticalSection(&m_peerLock);
  for (auto& entry : m_peers) InterlockedIncrement(&entry.second->closedCounter);
  LeaveCriticalSection(&m_peerLock);
}

void CSocketConnection::RemoveAllPeers() {
  EnterCriticalSection(&m_peerLock);
  for (auto& entry : m_peers) delete entry.second;
  m_peers.clear();
  LeaveCriticalSection(&m_peerLock);
}

int CSocketConnection::AddPeer(const char* host, int port) {
  PeerRecord* peer = new PeerRecord;
  peer->event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!peer->event) {
    delete peer;
    return 0;
  }
  SetPeer(host, port, peer);
  return 1;
}

PeerRecord* CSocketConnection::FindPeer(const char* host, int port, std::string* key) {
  if (key) *key = MakePeerKey(host, port);
  // Every packet looks its peer up: the key is compared in its parts, without being built.
  const std::string_view hostPart = host ? host : "";
  char portText[16];
  const auto printed = std::to_chars(portText, portText + sizeof portText, port);
  const std::string_view portPart(portText, static_cast<size_t>(printed.ptr - portText));
  auto matches = [&](const std::string& k) {
    return k.size() == hostPart.size() + 1 + portPart.size() && k.compare(0, hostPart.size(), hostPart) == 0 &&
           k[hostPart.size()] == ':' && k.compare(hostPart.size() + 1, portPart.size(), portPart) == 0;
  };
  PeerRecord* found = nullptr;
  EnterCriticalSection(&m_peerLock);
  for (auto& entry : m_peers) {
    if (matches(entry.first)) {
      found = entry.second;
      break;
    }
  }
  LeaveCriticalSection(&m_peerLock);
  return found;
}

PeerRecord* CSocketConnection::GetFirstPeer(std::string* key) {
  PeerRecord* found = nullptr;
  EnterCriticalSection(&m_peerLock);
  if (!m_peers.empty()) {
    found = m_peers.front().second;
    if (key) *key = m_peers.front().first;
  }
  LeaveCriticalSection(&m_peerLock);
  return found;
}

void CSocketConnection::SetPeer(const char* host, int port, PeerRecord* peer) {
  std::string k = MakePeerKey(host, port);
  EnterCriticalSection(&m_peerLock);
  bool replaced = false;
  for (auto& entry : m_peers) {
    if (entry.first == k) {
      if (entry.second != peer) delete entry.second;
      entry.second = peer;
      replaced = true;
      break;
    }
  }
  if (!replaced) m_peers.emplace_back(k, peer);
  LeaveCriticalSection(&m_peerLock);
}

int CSocketConnection::CreateSocket(int) {
  m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  return m_socket != INVALID_SOCKET ? 1 : 0;
}

int CSocketConnection::ConnectSocket(const char* host, int port, int timeoutSeconds, int skip) {
  if (skip) return 1;
  sockaddr_in address;
  if (!ResolveAddress(host, port, &address)) return 0;
  // Connect without blocking so that the time-out holds, then ask the socket how the attempt
  // ended: a refused connection is writable too, and must count as a failure.
  u_long nonBlocking = 1;
  if (ioctlsocket(m_socket, FIONBIO, &nonBlocking) != 0) return 0;
  int ok = 0;
  if (connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    ok = 1;
  } else {
    int err = WSAGetLastError();
    if (err == WSAEWOULDBLOCK || err == WSAEINPROGRESS) {
      fd_set writable, failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(m_socket, &writable);
      FD_SET(m_socket, &failed);
      timeval tv{timeoutSeconds > 0 ? timeoutSeconds : 0, 0};
      if (select(0, nullptr, &writable, &failed, &tv) > 0 && FD_ISSET(m_socket, &writable)) {
        int soError = -1;
        int len = sizeof soError;
        if (getsockopt(m_socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len) == 0 &&
            soError == 0) {
          ok = 1;
        }
      }
    }
  }
  u_long blocking = 0;
  ioctlsocket(m_socket, FIONBIO, &blocking);
  return ok;
}

int CSocketConnection::BindSocket(const char* host, int port) {
  sockaddr_in address;
  if (!ResolveAddress(host, port, &address)) return 0;
  return bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? 1 : 0;
}

int CSocketConnection::CreateSocketWindow() {
  m_socketWindow =
      CreateWindowExA(0, SOCKET_WINDOW_CLASS, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  return m_socketWindow ? 1 : 0;
}

int CSocketConnection::WaitThreadReady(DWORD threadId) {
  for (int attempt = 0; attempt < 51; ++attempt) {
    HANDLE waits[2] = {m_stopEvent, m_workerThread};
    DWORD w = WaitForMultipleObjects(2, waits, FALSE, 100);
    // A set stop event, or a worker that already ended (its set-up failed): no run.
    if (w == WAIT_OBJECT_0 || w == WAIT_OBJECT_0 + 1 || w == WAIT_FAILED) return 0;
    if (PostThreadMessageA(threadId, WM_SOCKET_THREAD_READY, 0, 0)) {
      WaitForSingleObject(m_readyEvent, 100);
      return 1;
    }
  }
  return 0;
}

unsigned __stdcall CSocketConnection::SocketThreadProc(void* self) {
  return static_cast<CSocketConnection*>(self)->ThreadMain();
}

unsigned CSocketConnection::ThreadMain() {
  // Making the window gives this thread its message queue.
  if (!CreateSocketWindow()) return 0;
  if (WaitForSingleObject(m_stopEvent, 0) == WAIT_OBJECT_0 ||
      WSAAsyncSelect(m_socket, m_socketWindow, WM_SOCKET_NOTIFY, FD_READ | FD_WRITE | FD_CLOSE) != 0) {
    DestroyWindow(m_socketWindow);
    m_socketWindow = nullptr;
    return 0;
  }
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_SOCKET_THREAD_READY && msg.hwnd == nullptr) {
      SetEvent(m_readyEvent);
    } else if (msg.message == WM_SOCKET_NOTIFY && msg.hwnd == m_socketWindow) {
      if (WSAGETSELECTERROR(msg.lParam) != 0) {
        OnSocketError();
      } else {
        switch (WSAGETSELECTEVENT(msg.lParam)) {
          case FD_READ:
            ReadUnderLock();
            break;
          case FD_WRITE:
            OnSocketWrite();
            break;
          case FD_CLOSE:
            OnSocketClose();
            break;
          default:
            break;
        }
      }
      continue;
    }
    DispatchMessageA(&msg);
  }
  DestroyWindow(m_socketWindow);
  m_socketWindow = nullptr;
  return 0;
}

int CSocketConnection::CheckSegment(BYTE* segment, LONG unitLength, PeerRecord*) {
  if (!(unitLength == 24 || (unitLength >= 57 && static_cast<DWORD>(unitLength) <= m_largestPayload + 56))) return 0;
  if (ReadU32Le(segment + 8) == 0) return 1;
  DWORD crc = ReadU32Le(segment + 12);
  WriteU32Le(segment + 8, 0);
  WriteU32Le(segment + 12, 0);
  // The CRC covers the unit from its length word on, which stands just in front of the head.
  return CCrc32::Compute(segment - 4, static_cast<DWORD>(unitLength) + 4) == crc ? 1 : 0;
}

int CSocketConnection::OnSegment(BYTE* segment, LONG unitLength, PeerRecord* peer) {
  // A 24-byte unit cannot hold the serials and flags read below: it carries nothing and is
  // passed over.
  if (unitLength == 24) return 1;
  // The payload length word must describe exactly the rest of the unit.
  if (ReadU32Le(segment + SEGMENT_HEAD_SIZE) != static_cast<DWORD>(unitLength) - 56) return 0;
  SegmentHead head;
  head.Read(segment);
  if ((head.kind != 1 && head.kind != 2) || head.requestSerial == 0 || head.segmentNumber == 0) return 0;
  DWORD payload = static_cast<DWORD>(unitLength) - 56;

  if (head.kind == 1) {
    if (peer->notificationSerial == 0) {
      if (head.segmentNumber != 1) return 1;
      peer->notificationSerial = head.requestSerial;
    } else if (head.requestSerial != peer->notificationSerial ||
               head.segmentNumber != peer->notificationSegment + 1) {
      peer->notificationSerial = 0;
      peer->notificationSegment = 0;
      peer->notificationBuffer.Clear();
      return 1;
    }
    if (peer->notificationBuffer.GetLength() + payload + 4 > MAX_PACKET_BYTES) return 0;
    peer->notificationSegment = head.segmentNumber;
    AppendSegmentData(&peer->notificationBuffer, segment, &head);
    if (head.lastFlag) {
      OnNotification(peer->notificationBuffer.PtrAt(0), peer->notificationBuffer.GetLength(), peer);
      peer->notificationSerial = 0;
      peer->notificationSegment = 0;
      peer->notificationBuffer.Clear();
    }
    return 1;
  }

  DWORD expected = 0, received = 0;
  GetExpectedReply(&expected, &received, peer);
  if (expected == 0) {
    // Nobody waits: the late reply of a request that gave up is passed over; a reply to a
    // request never sent breaks the stream.
    return head.requestSerial <= static_cast<DWORD>(InterlockedCompareExchange(&peer->requestSerialCounter, 0, 0)) ? 1 : 0;
  }
  if (head.requestSerial < expected) return 1;  // late reply of an earlier request
  if (head.requestSerial > expected) {
    SetExpectedReply(0, peer);
    return 0;
  }
  if (head.segmentNumber < received + 1) return 1;  // repeated segment
  if (head.segmentNumber > received + 1) {
    SetExpectedReply(0, peer);
    return 0;
  }
  if (head.segmentNumber == 1 && head.lastFlag) {
    // A reply of one segment, the usual case, is decoded where it lies in the receive buffer
    // (only the reading thread touches that buffer): the envelope goes into the 24 head bytes in
    // front of the payload length word, which have been read already, so that the envelope and
    // the chunk stand together as OnReply expects them, without a copy into the reassembly buffer.
    bool awaited = false;
    EnterCriticalSection(&peer->reassemblyLock);
    if (peer->expectedReplySerial == head.requestSerial && peer->replySegments == 0) {
      peer->replySegments = 1;
      peer->replyBuffer.Clear();
      awaited = true;
    }
    LeaveCriticalSection(&peer->reassemblyLock);
    if (awaited) {
      BYTE* block = segment + SEGMENT_HEAD_SIZE - PACKET_ENVELOPE_SIZE;
      WritePacketEnvelope(block, EnvelopeOf(head));
      OnReply(block, PACKET_ENVELOPE_SIZE + 4 + payload, peer);
    }
    return 1;
  }
  // The copy is kept by the thread for its next reply; a reply completed while the thread's copy
  // is still being decoded gets one of its own.
  thread_local std::vector<BYTE> t_replyCopy;
  thread_local bool t_replyCopyInUse = false;
  std::vector<BYTE> ownCopy;
  const bool keptCopy = !t_replyCopyInUse;
  std::vector<BYTE>& complete = keptCopy ? t_replyCopy : ownCopy;
  complete.clear();
  bool tooLarge = false;
  EnterCriticalSection(&peer->reassemblyLock);
  // The registration may have changed since it was read; append only to the awaited reply.
  if (peer->expectedReplySerial == head.requestSerial && peer->replySegments + 1 == head.segmentNumber) {
    if (peer->replyBuffer.GetLength() + payload + 4 > MAX_PACKET_BYTES) {
      tooLarge = true;
    } else {
      ++peer->replySegments;
      AppendSegmentData(&peer->replyBuffer, segment, &head);
      // The reply is decoded outside the lock from a copy: a sender may register its next
      // request, which empties the buffer, at any time.
      if (head.lastFlag) complete.assign(peer->replyBuffer.PtrAt(0), peer->replyBuffer.PtrAt(0) + peer->replyBuffer.GetLength());
    }
  }
  LeaveCriticalSection(&peer->reassemblyLock);
  if (tooLarge) {
    SetExpectedReply(0, peer);
    return 0;
  }
  if (!complete.empty()) {
    if (keptCopy) t_replyCopyInUse = true;
    OnReply(complete.data(), static_cast<DWORD>(complete.size()), peer);
    if (keptCopy) {
      t_replyCopyInUse = false;
      // A block grown for an unusually large reply is not held for the thread's lifetime.
      if (complete.capacity() > KEPT_BUFFER_CAPACITY) std::vector<BYTE>().swap(complete);
    }
  }
  return 1;
}

int CSocketConnection::OnNotification(const BYTE* block, DWORD length, PeerRecord*) {
  PacketEnvelope* envelope = nullptr;
  PacketRecord* record = nullptr;
  if (!DecomposePacket(block, length, &envelope, &record, m_key, m_keyBits, m_cryptFlags, m_zipFlags,
                       static_cast<int>(m_largestPayload))) {
    return 0;
  }
  return PostPacket(envelope, record);
}

int CSocketConnection::OnReply(const BYTE* block, DWORD length, PeerRecord* peer) {
  PacketEnvelope envelope{};
  PacketRecord record{};
  if (!DecomposePacketInto(block, length, &envelope, &record, m_key, m_keyBits, static_cast<int>(m_largestPayload))) {
    return 0;
  }
  DWORD serial = static_cast<DWORD>(envelope.requestSerial);
  // The sender that reads its own reply takes it from the slot as soon as its read ends; only a
  // reply that another thread waits for is signalled.
  const bool signal = !(t_ownReply.connection == this && t_ownReply.peer == peer && t_ownReply.serial == serial);
  EnterCriticalSection(&peer->replyLock);
  FreePacketData(&peer->reply);
  // The decoded data block passes to the slot as it is.
  peer->reply = record;
  peer->replySerial = serial;
  if (signal) peer->replySignalled = true;
  LeaveCriticalSection(&peer->replyLock);
  // A sender whose request timed out may already have registered its next request while this
  // late reply was decoded; that registration is not this reply's to end.
  EnterCriticalSection(&peer->reassemblyLock);
  if (peer->expectedReplySerial == serial) SetExpectedReply(0, peer);
  const bool moveId = serial != 0 && peer->moveIdSerial == serial;
  if (moveId) peer->moveIdSerial = 0;
  LeaveCriticalSection(&peer->reassemblyLock);
  // Before the next unit is read: every notification behind this reply gets the new id.
  if (moveId) SetConnectionId(GetConnectionId() + 1);
  if (signal) SetEvent(peer->event);
  return 1;
}

int CSocketConnection::PostPacket(PacketEnvelope* envelope, PacketRecord* record) {
  BOOL posted = FALSE;
  if (m_notifyWindow) {
    posted = PostMessageA(m_notifyWindow, WM_PACKET_ARRIVED, reinterpret_cast<WPARAM>(envelope),
                          reinterpret_cast<LPARAM>(record));
  } else if (m_notifyThread) {
    posted = PostThreadMessageA(m_notifyThread, WM_PACKET_ARRIVED, reinterpret_cast<WPARAM>(envelope),
                                reinterpret_cast<LPARAM>(record));
  }
  if (!posted) {
    DeleteRecord(record);
    delete envelope;
  }
  return 1;
}

int CSocketConnection::PostConnectionRecord(DWORD code) {
  if (!m_notifyWindow && !m_notifyThread) return 1;
  PacketEnvelope* envelope = new PacketEnvelope{};
  envelope->socket = static_cast<DWORD>(m_socket);
  envelope->connectionId = GetConnectionId();
  PacketRecord* record = new PacketRecord{};
  record->head.code = code;
  return PostPacket(envelope, record);
}

int CSocketConnection::OnSocketError() {
  InterlockedExchange(&m_ended, 1);
  return PostConnectionRecord(PACKET_CODE_SOCKET_ERROR);
}

int CSocketConnection::OnSocketClose() {
  InterlockedExchange(&m_ended, 1);
  return PostConnectionRecord(PACKET_CODE_CLOSED);
}

int CSocketConnection::OnSocketRead() {
  ++m_readEvents;
  // The list of peers a read touched is kept by the thread for its next read.
  thread_local std::vector<PeerRecord*> t_touched;
  thread_local bool t_touchedInUse = false;
  std::vector<PeerRecord*> ownTouched;
  const bool keptTouched = !t_touchedInUse;
  std::vector<PeerRecord*>& touched = keptTouched ? t_touched : ownTouched;
  touched.clear();
  struct Release {
    bool kept;
    ~Release() {
      if (kept) t_touchedInUse = false;
    }
  } release{keptTouched};
  if (keptTouched) t_touchedInUse = true;
  m_bytesReceived += ReadAvailable(&touched);
  for (PeerRecord* peer : touched) {
    CByteBuffer& in = peer->receiveBuffer;
    // After a protocol error the stream has no unit boundaries left to trust: what follows is
    // dropped until the owner closes the connection.
    if (m_streamBroken) {
      in.Clear();
      continue;
    }
    if (m_readEvents == 1 && OnGreetingReply(peer)) {
      in.Clear();
      continue;
    }
    while (in.GetLength() > 4) {
      LONG unitLength = static_cast<LONG>(ReadU32Le(in.PtrAt(0)));
      // A unit longer than the largest payload allows is refused as soon as its length is
      // known, before its bytes are buffered.
      if (unitLength <= 0 || static_cast<DWORD>(unitLength) > m_largestPayload + 56) {
        LogPrintf("segment length error! len = %ld", static_cast<long>(unitLength));
        m_streamBroken = true;
        in.Clear();
        return 0;
      }
      if (in.GetLength() < static_cast<DWORD>(unitLength) + 4) break;
      BYTE* segment = in.PtrAt(4);
      if (!CheckSegment(segment, unitLength, peer) || !OnSegment(segment, unitLength, peer)) {
        m_streamBroken = true;
        in.Clear();
        return 0;
      }
      in.DiscardFront(static_cast<DWORD>(unitLength) + 4);
    }
  }
  return 1;
}

bool CSocketConnection::ReadUnderLock() {
  EnterCriticalSection(&m_receiveLock);
  const DWORD before = m_bytesReceived;
  if (!OnSocketRead()) OnSocketError();
  const bool gotBytes = m_bytesReceived != before;
  LeaveCriticalSection(&m_receiveLock);
  return gotBytes;
}

int CSocketConnection::OnSocketWrite() {
  if (m_writableEvent) SetEvent(m_writableEvent);
  return 1;
}

int CSocketConnection::SendAndWait(const PacketEnvelope* envelope, const PacketRecord* request, PacketRecord* reply,
                                   int* timedOut, DWORD timeoutMs, DWORD cryptOverride, DWORD zipOverride,
                                   DWORD crcFlag, const char* host, int port) {
  InterlockedIncrement(&m_inFlight);
  struct LeaveInFlight {
    volatile LONG* count;
    ~LeaveInFlight() { InterlockedDecrement(count); }
  } leave{&m_inFlight};

  // The peer is found and its closed counter read under the peer lock: a sender that arrives
  // after Close has waited for the senders in flight then either sees the peer closed or finds
  // none, and never holds a peer that Close frees.
  EnterCriticalSection(&m_peerLock);
  PeerRecord* peer = FindPeer(host, port, nullptr);
  if (!peer) peer = GetFirstPeer(nullptr);
  bool usable = peer && InterlockedCompareExchange(&peer->closedCounter, 0, 0) == 0;
  LeaveCriticalSection(&m_peerLock);
  if (!usable || !request) return 0;
  if (timedOut) *timedOut = 0;

  SendBuffers buffers;
  CByteBuffer& stream = buffers.Stream();
  CPacketTransformer transformer(m_key, m_keyBits, cryptOverride ? cryptOverride : m_cryptFlags,
                                 zipOverride ? zipOverride : m_zipFlags);
  if (!transformer.EncodeRecord(stream, *request)) return 0;
  CByteBuffer& chunks = buffers.Chunks();
  SplitPacket(&stream, &chunks, m_largestPayload);

  int replyWanted = envelope && envelope->replyWanted ? 1 : 0;
  // Whatever an earlier, timed-out request left in the slot is not this request's reply.
  EnterCriticalSection(&peer->replyLock);
  FreePacketData(&peer->reply);
  peer->replySerial = 0;
  if (peer->replySignalled) {
    ResetEvent(peer->event);
    peer->replySignalled = false;
  }
  LeaveCriticalSection(&peer->replyLock);

  // The worker stops looking for reads before the request leaves, so that its reply, however
  // soon it comes, wakes this thread alone (see the wait below).
  struct OwnRead {
    SOCKET socket;
    bool on;
    void End() {
      if (on) platform::EndOwnRead(socket);
      on = false;
    }
    ~OwnRead() { End(); }
  } ownRead{m_socket, replyWanted && platform::BeginOwnRead(m_socket)};
  DWORD serial = 0;
  if (!SendPacket(&chunks, replyWanted, crcFlag, host, port, &serial)) return 0;
  buffers.Release();
  if (!replyWanted) return 1;

  DWORD start = GetTickCount();
  // The sender reads the socket itself while it waits, so that its reply reaches it without
  // passing through the worker thread; whatever else arrives meanwhile is handled on the way as
  // the worker would handle it, in the order it arrives. Should the worker have read first (a
  // read event of earlier data was already on its way), it hands the reply over through the
  // event. A socket at its end, or one whose data the worker took, is left to the worker for the
  // rest of the wait.
  bool watchSocket = ownRead.on;
  // While this thread reads the socket itself, the reply it reads is its own to take.
  struct OwnReply {
    OwnReply(CSocketConnection* connection, PeerRecord* peer, DWORD serial) : saved(t_ownReply) {
      t_ownReply = {connection, peer, serial};
    }
    ~OwnReply() { t_ownReply = saved; }
    OwnReplyMark saved;
  } ownReply(this, peer, watchSocket ? serial : 0);
  // Takes the reply from the slot when it is this request's; a late reply to an earlier request
  // that slipped in before this one was registered is dropped. After a read of its own, the
  // thread looks only at a stored reply; the event it did not wait for stays as it is.
  auto takeReply = [&](bool storedOnly) {
    bool mine = false;
    EnterCriticalSection(&peer->replyLock);
    if (storedOnly && peer->replySerial == 0) {
      LeaveCriticalSection(&peer->replyLock);
      return false;
    }
    if (peer->replySerial == serial) {
      // The reply's data block passes to the caller as it is.
      if (reply) {
        *reply = peer->reply;
        peer->reply.data = nullptr;
      }
      mine = true;
    } else {
      ResetEvent(peer->event);
      peer->replySignalled = false;
    }
    FreePacketData(&peer->reply);
    peer->replySerial = 0;
    LeaveCriticalSection(&peer->replyLock);
    return mine;
  };
  // The first wait starts with the whole time, right after the clock was read.
  bool firstWait = true;
  for (;;) {
    DWORD remaining = timeoutMs;
    if (!firstWait && timeoutMs != INFINITE) {
      const DWORD elapsed = GetTickCount() - start;
      remaining = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
    }
    firstWait = false;
    HANDLE waits[2] = {m_stopEvent, peer->event};
    bool readable = false;
    DWORD woke = watchSocket ? platform::WaitForObjectsOrSocketRead(2, waits, remaining, m_socket, &readable)
                             : WaitForMultipleObjects(2, waits, FALSE, remaining);
    if (woke == WAIT_OBJECT_0 + 2) {
      if (!readable) continue;
      if (!ReadUnderLock()) {
        watchSocket = false;
        ownRead.End();
        continue;
      }
      // The reply this thread has just read is taken at once, without another wait.
      if (takeReply(true)) return 1;
      continue;
    }
    if (woke != WAIT_OBJECT_0 + 1) {
      if (timedOut) *timedOut = 1;
      return 0;
    }
    if (takeReply(false)) return 1;
  }
}

int CSocketConnection::SendPacket(CByteBuffer* chunks, int replyWanted, DWORD crcFlag, const char* host, int port,
                                  DWORD* requestSerial) {
  // The mark is this request's, whether or not it goes out.
  const LONG self = static_cast<LONG>(GetCurrentThreadId());
  const bool moveId = InterlockedCompareExchange(&m_moveIdThread, 0, self) == self;
  PeerRecord* peer = FindPeer(host, port, nullptr);
  if (!peer) peer = GetFirstPeer(nullptr);
  if (!peer || InterlockedCompareExchange(&peer->closedCounter, 0, 0) > 0) return 0;
  if (m_socket == INVALID_SOCKET || m_socket == 0 || !IsConnected()) return 0;
  SegmentHead head{};
  head.kind = 1;
  head.replyWanted = replyWanted ? 1 : 0;
  head.requestSerial = static_cast<DWORD>(InterlockedIncrement(&peer->requestSerialCounter));
  if (requestSerial) *requestSerial = head.requestSerial;
  if (replyWanted) SetExpectedReply(head.requestSerial, peer);
  if (replyWanted && moveId) {
    // Set before the request goes out, so that its reply cannot come first.
    EnterCriticalSection(&peer->reassemblyLock);
    peer->moveIdSerial = head.requestSerial;
    LeaveCriticalSection(&peer->reassemblyLock);
  }
  // A chunk [u32 l][l bytes] becomes the unit [u32 l + 56][head][u32 l][l bytes]: its own length
  // word is the unit's payload length word, so each unit is its chunk with 56 bytes in front.
  // The framing is checked before anything is sent, so that a broken chunk buffer puts no part
  // of the packet on the wire.
  const DWORD total = chunks->GetLength();
  DWORD count = 0;
  DWORD end = 0;
  while (end + 4 <= total) {
    DWORD length = ReadU32Le(chunks->PtrAt(end));
    if (length > total - end - 4) return 0;
    end += 4 + length;
    ++count;
  }
  if (count == 0) return 1;
  // All units of the packet go out with one send.
  static const BYTE UNIT_FRONT[UNIT_OVERHEAD - 4] = {};
  CByteBuffer joined;
  CByteBuffer* units = &joined;
  if (count == 1 && end == total) {
    // A packet of one chunk is framed where it lies.
    if (chunks->Prepend(UNIT_FRONT, sizeof UNIT_FRONT) != sizeof UNIT_FRONT) return 0;
    units = chunks;
  } else {
    joined.Reserve(end + count * static_cast<DWORD>(sizeof UNIT_FRONT));
    for (DWORD offset = 0; offset < end;) {
      const DWORD length = ReadU32Le(chunks->PtrAt(offset));
      joined.Append(UNIT_FRONT, sizeof UNIT_FRONT);
      joined.Append(chunks->PtrAt(offset), 4 + length);
      offset += 4 + length;
    }
  }
  DWORD at = 0;
  for (DWORD number = 1; number <= count; ++number) {
    const DWORD length = ReadU32Le(units->PtrAt(at + UNIT_OVERHEAD - 4));
    head.segmentSerial = static_cast<DWORD>(InterlockedIncrement(&peer->segmentSerialCounter));
    head.segmentNumber = number;
    head.lastFlag = number == count ? 1 : 0;
    FrameUnit(units->PtrAt(at), length, &head, crcFlag);
    at += UNIT_OVERHEAD + length;
  }
  return SendBuffer(units, host, port) == at ? 1 : 0;
}

void CSocketConnection::FrameUnit(BYTE* unit, DWORD length, SegmentHead* head, DWORD crcFlag) {
  WriteU32Le(unit, length + 56);
  head->crcFlag = 0;
  head->crc = 0;
  head->Write(unit + 4);
  if (crcFlag == 1 || m_crcFlag) {
    head->crc = CCrc32::Compute(unit, length + UNIT_OVERHEAD);
    head->crcFlag = 1;
    WriteU32Le(unit + 12, head->crcFlag);
    WriteU32Le(unit + 16, head->crc);
  }
}

int CSocketConnection::SendSegment(const BYTE* payload, DWORD length, SegmentHead* head, DWORD crcFlag,
                                   const char* host, int port) {
  if (m_socket == INVALID_SOCKET || m_socket == 0 || !IsConnected()) return 0;
  CByteBuffer unit;
  unit.Reserve(length + UNIT_OVERHEAD);
  static const BYTE UNIT_FRONT[UNIT_OVERHEAD - 4] = {};
  BYTE payloadLength[4];
  WriteU32Le(payloadLength, length);
  unit.Append(UNIT_FRONT, sizeof UNIT_FRONT);
  unit.Append(payloadLength, 4);
  if (length) unit.Append(payload, length);
  FrameUnit(unit.PtrAt(0), length, head, crcFlag);
  return SendBuffer(&unit, host, port) == length + UNIT_OVERHEAD ? 1 : 0;
}

int CSocketConnection::SendGreeting(const BYTE* block, DWORD count, const char* host, int port) {
  if (m_socket == INVALID_SOCKET || m_socket == 0 || !IsConnected()) return 0;
  if (count && !block) return 0;
  CByteBuffer buffer;
  AppendU32(&buffer, count);
  if (count) buffer.Append(block, count);
  return SendBuffer(&buffer, host, port) == count + 4 ? 1 : 0;
}

int CSocketConnection::Receive(SOCKET socket, BYTE* buffer, int size, std::string* sender, int* senderLength) {
  if (sender) sender->clear();
  if (senderLength) *senderLength = 0;
  return recv(socket, reinterpret_cast<char*>(buffer), size, 0);
}

int CSocketConnection::Send(SOCKET socket, const BYTE* data, int length, const char*, int) {
  return send(socket, reinterpret_cast<const char*>(data), length, 0);
}

DWORD CSocketConnection::ReadAvailable(std::vector<PeerRecord*>* touched) {
  DWORD total = 0;
  const int chunkSize = GetReadChunkSize() > 0 ? GetReadChunkSize() : 4096;
  // The receive overwrites what it returns, so the chunk is not cleared first.
  BYTE local[4096];
  std::unique_ptr<BYTE[]> large;
  BYTE* chunk = local;
  if (chunkSize > static_cast<int>(sizeof local)) {
    large.reset(new BYTE[chunkSize]);
    chunk = large.get();
  }
  std::string sender;
  for (int i = 0; i < MAX_CHUNKS_PER_READ_EVENT; ++i) {
    int senderLength = 0;
    int got = Receive(m_socket, chunk, chunkSize, &sender, &senderLength);
    if (got <= 0) break;
    total += static_cast<DWORD>(got);
    PeerRecord* peer = FindPeer(sender.c_str(), 0, nullptr);
    if (!peer) peer = GetFirstPeer(nullptr);
    if (!peer) continue;
    if (!OnRawData(peer, chunk, got)) peer->receiveBuffer.Append(chunk, static_cast<DWORD>(got));
    bool known = false;
    for (PeerRecord* p : *touched) known = known || p == peer;
    if (!known) touched->push_back(peer);
    // A short read took everything the system held; what arrives later, or was left behind,
    // comes as a new read event (each receive enables the next one), so no further receive is
    // spent on learning that nothing is left.
    if (got < chunkSize) break;
  }
  return total;
}

DWORD CSocketConnection::SendBuffer(CByteBuffer* buffer, const char* host, int port) {
  DWORD total = 0;
  while (buffer->GetLength() > 0) {
    int sent = Send(m_socket, buffer->PtrAt(0), static_cast<int>(buffer->GetLength()), host, port);
    if (sent > 0) {
      total += static_cast<DWORD>(sent);
      buffer->DiscardFront(static_cast<DWORD>(sent));
      continue;
    }
    if (sent == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK && m_stopEvent && m_writableEvent) {
      HANDLE waits[2] = {m_stopEvent, m_writableEvent};
      if (WaitForMultipleObjects(2, waits, FALSE, 1000) == WAIT_OBJECT_0 + 1) continue;
    }
    break;
  }
  return total;
}

int CSocketConnection::GetReadChunkSize() { return 4096; }

int CSocketConnection::OnRawData(PeerRecord*, const BYTE*, int) { return 0; }

void CSocketConnection::SetExpectedReply(DWORD serial, PeerRecord* peer) {
  EnterCriticalSection(&peer->reassemblyLock);
  peer->replyBuffer.Clear();
  peer->expectedReplySerial = serial;
  peer->replySegments = 0;
  LeaveCriticalSection(&peer->reassemblyLock);
}

void CSocketConnection::GetExpectedReply(DWORD* serial, DWORD* segments, PeerRecord* peer) {
  EnterCriticalSection(&peer->reassemblyLock);
  if (serial) *serial = peer->expectedReplySerial;
  if (segments) *segments = peer->replySegments;
  LeaveCriticalSection(&peer->reassemblyLock);
}

int CSocketConnection::AppendSegmentData(CByteBuffer* buffer, const BYTE* segment, const SegmentHead* head) {
  if (head->segmentNumber == 1) {
    buffer->Clear();
    BYTE bytes[PACKET_ENVELOPE_SIZE];
    WritePacketEnvelope(bytes, EnvelopeOf(*head));
    buffer->Append(bytes, PACKET_ENVELOPE_SIZE);
  }
  DWORD length = ReadU32Le(segment + SEGMENT_HEAD_SIZE);
  buffer->Append(segment + SEGMENT_HEAD_SIZE, 4);
  buffer->Append(segment + SEGMENT_HEAD_SIZE + 4, length);
  return 1;
}

PacketEnvelope CSocketConnection::EnvelopeOf(const SegmentHead& head) {
  PacketEnvelope envelope{};
  envelope.socket = static_cast<uint32_t>(m_socket);
  envelope.requestSerial = static_cast<int32_t>(head.requestSerial);
  envelope.replyWanted = static_cast<int32_t>(head.replyWanted);
  envelope.connectionId = GetConnectionId();
  return envelope;
}

int CSocketConnection::WaitGreetingReply(DWORD milliseconds, const char* host, int port) {
  PeerRecord* peer = FindPeer(host, port, nullptr);
  if (!peer) return 0;
  if (WaitForSingleObject(peer->event, milliseconds) != WAIT_OBJECT_0) return 0;
  ResetEvent(peer->event);
  return 1;
}

int CSocketConnection::OnGreetingReply(PeerRecord* peer) {
  if (!m_waitForHello) return 0;
  SetEvent(peer->event);
  return 1;
}

int CSocketConnection::SplitPacket(CByteBuffer* input, CByteBuffer* output, DWORD largest) {
  return SplitIntoChunks(*input, *output, static_cast<int>(largest));
}

int CSocketConnection::JoinPacket(CByteBuffer* input, CByteBuffer* output, DWORD largest) {
  return JoinChunks(*input, *output, static_cast<int>(largest));
}
