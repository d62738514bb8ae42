#include "platform/winsock/WinSock.h"

#include "platform/kernel/KernelObject.h"

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/winsock/PosixSocket.h"
#include "platform/winsock/SocketTable.h"

namespace platform::winsock {

namespace {

std::atomic<int> g_startups{0};

struct Table {
  std::mutex m_mutex;
  std::map<SOCKET, std::shared_ptr<SocketEntry>> m_sockets;
  // Numbers count up and wrap, so that a closed socket's number comes back only after four
  // billion others.
  SOCKET m_next = 0x100;
};

Table& TheTable() {
  static Table* table = new Table;  // never destroyed: the poll thread may outlive static teardown
  return *table;
}

bool CheckStarted() {
  if (g_startups.load() > 0) return true;
  WSASetLastError(WSANOTINITIALISED);
  return false;
}

int Fail(int error) {
  WSASetLastError(error);
  return SOCKET_ERROR;
}

int FailErrno() { return Fail(ErrnoToWsaError(errno)); }

// The IPv4 address and port of a WinSock address argument, or a WinSock error.
int ReadAddress(const sockaddr* name, int length, uint32_t* address, uint16_t* port) {
  if (!name || length < (int)sizeof(sockaddr_in)) return WSAEFAULT;
  const sockaddr_in* in = reinterpret_cast<const sockaddr_in*>(name);
  if (in->sin_family != AF_INET) return WSAEAFNOSUPPORT;
  *address = in->sin_addr.s_addr;
  *port = in->sin_port;
  return 0;
}

int WriteAddress(sockaddr* name, int* length, uint32_t address, uint16_t port) {
  if (!name || !length || *length < (int)sizeof(sockaddr_in)) return WSAEFAULT;
  sockaddr_in in;
  memset(&in, 0, sizeof(in));
  in.sin_family = AF_INET;
  in.sin_port = port;
  in.sin_addr.s_addr = address;
  memcpy(name, &in, sizeof(in));
  *length = sizeof(in);
  return 0;
}

void MarkConnectedLocked(SocketEntry& entry) {
  entry.m_state = SocketState::CONNECTED;
  entry.m_connectedAt = std::chrono::steady_clock::now();
}

bool IsAsyncLocked(const SocketEntry& entry) { return entry.m_window != nullptr && entry.m_events != 0; }

// Parses one part of a dotted address: decimal, octal with a leading 0, hex with 0x.
bool ParsePart(const char*& p, uint64_t* value) {
  int base = 10;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
    if (!isxdigit((unsigned char)*p)) return false;
  } else if (p[0] == '0') {
    base = 8;
  }
  if (!isxdigit((unsigned char)*p)) return false;
  uint64_t v = 0;
  for (;; ++p) {
    int digit;
    char c = *p;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else break;
    if (digit >= base) return false;
    v = v * base + digit;
    if (v > 0xFFFFFFFFull) return false;
  }
  *value = v;
  return true;
}

// The dotted forms that inet_addr accepts; false when the text is not one.
bool ParseDotted(const char* text, uint32_t* hostOrder) {
  if (!text) return false;
  uint64_t parts[4];
  int count = 0;
  const char* p = text;
  for (;;) {
    if (count == 4 || !ParsePart(p, &parts[count])) return false;
    ++count;
    if (*p != '.') break;
    ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  if (*p != '\0') return false;
  // The last part fills the bytes that the parts before it leave.
  for (int i = 0; i < count - 1; ++i)
    if (parts[i] > 0xFF) return false;
  uint64_t lastLimit = count == 1 ? 0xFFFFFFFFull : count == 2 ? 0xFFFFFFull : count == 3 ? 0xFFFFull : 0xFFull;
  if (parts[count - 1] > lastLimit) return false;
  uint32_t v = 0;
  for (int i = 0; i < count - 1; ++i) v |= (uint32_t)parts[i] << (24 - 8 * i);
  v |= (uint32_t)parts[count - 1];
  *hostOrder = v;
  return true;
}

bool EndsWithNoCase(const std::string& text, const char* suffix) {
  size_t n = strlen(suffix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (tolower((unsigned char)text[text.size() - n + i]) != tolower((unsigned char)suffix[i])) return false;
  return true;
}

// A name that a resolver could look up: letters, digits, '-', '_' and '.', labels of 1 to 63
// characters, 253 characters in all. Anything else cannot resolve, so it is refused without a
// lookup (which could otherwise wait for the network).
bool IsHostNameSyntax(const std::string& name) {
  if (name.empty() || name.size() > 253) return false;
  size_t label = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = (unsigned char)name[i];
    if (c == '.') {
      if (label == 0 && !(i == name.size() - 1 && i > 0)) return false;
      label = 0;
      continue;
    }
    if (!(isalnum(c) || c == '-' || c == '_')) return false;
    if (++label > 63) return false;
  }
  return true;
}

struct HostRecord {
  std::string m_name;
  std::vector<uint32_t> m_addresses;
  std::vector<char*> m_addressList;
  char* m_aliases[1] = {nullptr};
  hostent m_hostent;
};

hostent* FillHostRecord(const std::string& name, const std::vector<uint32_t>& addresses) {
  thread_local HostRecord record;
  record.m_name = name;
  record.m_addresses = addresses;
  record.m_addressList.clear();
  for (uint32_t& a : record.m_addresses) record.m_addressList.push_back(reinterpret_cast<char*>(&a));
  record.m_addressList.push_back(nullptr);
  record.m_hostent.h_name = record.m_name.data();
  record.m_hostent.h_aliases = record.m_aliases;
  record.m_hostent.h_addrtype = AF_INET;
  record.m_hostent.h_length = 4;
  record.m_hostent.h_addr_list = record.m_addressList.data();
  return &record.m_hostent;
}

}  // namespace

SocketEntry::~SocketEntry() {
  if (m_watchFd >= 0) posix::Close(m_watchFd);
  if (m_fd >= 0) posix::Close(m_fd);
}

std::unique_lock<std::mutex> TableLock() { return std::unique_lock<std::mutex>(TheTable().m_mutex); }

std::shared_ptr<SocketEntry> FindSocketLocked(SOCKET s) {
  auto& sockets = TheTable().m_sockets;
  auto it = sockets.find(s);
  return it == sockets.end() ? nullptr : it->second;
}

const std::map<SOCKET, std::shared_ptr<SocketEntry>>& SocketsLocked() { return TheTable().m_sockets; }

std::shared_ptr<SocketEntry> LookupSocket(SOCKET s) {
  if (!CheckStarted()) return nullptr;
  std::shared_ptr<SocketEntry> entry;
  {
    auto lock = TableLock();
    entry = FindSocketLocked(s);
  }
  if (!entry) WSASetLastError(WSAENOTSOCK);
  return entry;
}

std::shared_ptr<SocketEntry> LookupSocketLocked(SOCKET s, std::unique_lock<std::mutex>* lock) {
  if (!CheckStarted()) return nullptr;
  *lock = TableLock();
  std::shared_ptr<SocketEntry> entry = FindSocketLocked(s);
  if (!entry) {
    lock->unlock();
    WSASetLastError(WSAENOTSOCK);
  }
  return entry;
}

int ErrnoToWsaError(int err) {
  switch (err) {
    case 0: return 0;
    case EINTR: return WSAEINTR;
    case EBADF:
    case ENOTSOCK: return WSAENOTSOCK;
    case EACCES:
    case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE:
    case ENFILE: return WSAEMFILE;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EWOULDBLOCK:
    // A non-blocking connect under way is WSAEWOULDBLOCK in WinSock, not WSAEINPROGRESS.
    case EINPROGRESS: return WSAEWOULDBLOCK;
    case EALREADY: return WSAEALREADY;
    case EDESTADDRREQ: return WSAEDESTADDRREQ;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return WSAEPROTOTYPE;
    case ENOPROTOOPT: return WSAENOPROTOOPT;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP: return WSAEOPNOTSUPP;
    case EPFNOSUPPORT: return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    // A send on a connection that the peer has reset or closed completely.
    case EPIPE:
    case ECONNRESET: return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETOOMANYREFS: return WSAETOOMANYREFS;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case ELOOP: return WSAELOOP;
    case ENAMETOOLONG: return WSAENAMETOOLONG;
    case EHOSTDOWN: return WSAEHOSTDOWN;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    default: return WSAEINVAL;
  }
}

void UpdateConnectStateLocked(SocketEntry& entry, int revents) {
  if (entry.m_state != SocketState::CONNECTING) return;
  if (entry.m_connectFailedEarly) {
    entry.m_connectFailedEarly = false;
    entry.m_state = SocketState::UNCONNECTED;
    return;
  }
  if (revents < 0) revents = posix::PollOne(entry.m_fd, POLLOUT, 0);
  if (revents <= 0 || !(revents & (POLLOUT | POLLERR | POLLHUP))) return;
  int err = 0;
  if (posix::TakeError(entry.m_fd, &err) < 0) err = errno;
  if (err == 0 && posix::PeerName(entry.m_fd, nullptr, nullptr) == 0) {
    MarkConnectedLocked(entry);
    return;
  }
  entry.m_state = SocketState::UNCONNECTED;
  entry.m_connectError = err != 0 ? ErrnoToWsaError(err) : WSAECONNREFUSED;
}

}  // namespace platform::winsock

using namespace platform::winsock;
namespace posix = platform::posix;

int WSAStartup(WORD versionRequested, LPWSADATA data) {
  // Failures are the return value here, not the last error.
  if (!data) return WSAEFAULT;
  BYTE major = LOBYTE(versionRequested);
  BYTE minor = HIBYTE(versionRequested);
  if (major < 1) return WSAVERNOTSUPPORTED;
  memset(data, 0, sizeof(*data));
  data->wHighVersion = MAKEWORD(1, 1);
  data->wVersion = (major == 1 && minor == 0) ? MAKEWORD(1, 0) : MAKEWORD(1, 1);
  snprintf(data->szDescription, sizeof(data->szDescription), "WinSock 1.1 over POSIX sockets");
  snprintf(data->szSystemStatus, sizeof(data->szSystemStatus), "Running");
  data->iMaxSockets = 0x7FFF;
  data->iMaxUdpDg = 65467;
  ++g_startups;
  return 0;
}

int WSACleanup() {
  // Sockets that are still open stay usable until they are closed; the program closes its
  // sockets before it cleans up.
  int n = g_startups.load();
  while (n > 0 && !g_startups.compare_exchange_weak(n, n - 1)) {
  }
  if (n <= 0) return Fail(WSANOTINITIALISED);
  return 0;
}

int WSAGetLastError() { return (int)GetLastError(); }

void WSASetLastError(int error) { SetLastError((DWORD)error); }

int WSAFDIsSet(SOCKET s, fd_set* set) {
  if (!set) return 0;
  for (UINT i = 0; i < set->fd_count && i < FD_SETSIZE; ++i)
    if (set->fd_array[i] == s) return 1;
  return 0;
}

SOCKET socket(int af, int type, int protocol) {
  if (!CheckStarted()) return INVALID_SOCKET;
  if (af != AF_INET) {
    WSASetLastError(WSAEAFNOSUPPORT);
    return INVALID_SOCKET;
  }
  if (type != SOCK_STREAM && type != SOCK_DGRAM) {
    WSASetLastError(WSAESOCKTNOSUPPORT);
    return INVALID_SOCKET;
  }
  if (protocol != 0 && !(type == SOCK_STREAM && protocol == IPPROTO_TCP) &&
      !(type == SOCK_DGRAM && protocol == IPPROTO_UDP)) {
    WSASetLastError(WSAEPROTONOSUPPORT);
    return INVALID_SOCKET;
  }
  int fd = posix::Socket(type);
  if (fd < 0) {
    FailErrno();
    return INVALID_SOCKET;
  }
  auto entry = std::make_shared<SocketEntry>(fd, type);
  auto lock = TableLock();
  Table& table = TheTable();
  SOCKET s;
  do {
    s = table.m_next++;
  } while (s == 0 || s == INVALID_SOCKET || table.m_sockets.count(s));
  table.m_sockets.emplace(s, std::move(entry));
  return s;
}

int closesocket(SOCKET s) {
  if (!CheckStarted()) return SOCKET_ERROR;
  std::shared_ptr<SocketEntry> entry;
  bool wasAsync = false;
  DWORD claimedBy = 0;
  {
    auto lock = TableLock();
    auto& sockets = TheTable().m_sockets;
    auto it = sockets.find(s);
    if (it == sockets.end()) return Fail(WSAENOTSOCK);
    entry = std::move(it->second);
    sockets.erase(it);
    wasAsync = IsAsyncLocked(*entry);
    claimedBy = entry->m_claimedBy;
    entry->m_window = nullptr;
    entry->m_events = 0;
  }
  // Another thread may still be inside a call on this socket (or the poll thread may be watching
  // it): shutting it down wakes such a call, and the descriptor itself closes with the last
  // reference.
  if (entry.use_count() > 1) posix::Shutdown(entry->m_fd, SD_BOTH);
  entry.reset();
  if (wasAsync) WakeAsyncSelect(claimedBy);
  return 0;
}

int bind(SOCKET s, const sockaddr* name, int nameLength) {
  auto entry = LookupSocket(s);
  if (!entry) return SOCKET_ERROR;
  uint32_t address;
  uint16_t port;
  if (int err = ReadAddress(name, nameLength, &address, &port)) return Fail(err);
  if (posix::Bind(entry->m_fd, address, port) < 0) return FailErrno();
  return 0;
}

int connect(SOCKET s, const sockaddr* name, int nameLength) {
  auto entry = LookupSocket(s);
  if (!entry) return SOCKET_ERROR;
  uint32_t address;
  uint16_t port;
  if (int err = ReadAddress(name, nameLength, &address, &port)) return Fail(err);
  if (address == INADDR_ANY || port == 0) return Fail(WSAEADDRNOTAVAIL);
  bool nonBlocking;
  {
    auto lock = TableLock();
    UpdateConnectStateLocked(*entry, -1);
    switch (entry->m_state) {
      case SocketState::CONNECTED: return Fail(WSAEISCONN);
      case SocketState::CONNECTING: return Fail(entry->m_nonBlocking ? WSAEALREADY : WSAEINVAL);
      case SocketState::LISTENING: return Fail(WSAEINVAL);
      case SocketState::UNCONNECTED: break;
    }
    nonBlocking = entry->m_nonBlocking;
    entry->m_connectError = 0;
  }
  // The socket counts as connecting only once the system has the request: before that, the
  // system would report the still unconnected socket as writable and hung up.
  int r = posix::Connect(entry->m_fd, address, port);
  int err = r < 0 ? errno : 0;
  auto lock = TableLock();
  if (!nonBlocking) {
    if (r < 0) return Fail(ErrnoToWsaError(err));
    MarkConnectedLocked(*entry);
    return 0;
  }
  entry->m_state = SocketState::CONNECTING;
  entry->m_connectUnreported = true;
  switch (err) {
    case 0:
    case EINPROGRESS:
      // WinSock answers every non-blocking connect with WSAEWOULDBLOCK, even one that the system
      // finished at once; the outcome follows through select, SO_ERROR or FD_CONNECT.
      break;
    case ECONNREFUSED:
    case ETIMEDOUT:
    case ENETUNREACH:
    case EHOSTUNREACH:
      entry->m_connectFailedEarly = true;
      entry->m_connectError = ErrnoToWsaError(err);
      break;
    default:
      entry->m_state = SocketState::UNCONNECTED;
      entry->m_connectUnreported = false;
      return Fail(ErrnoToWsaError(err));
  }
  bool async = IsAsyncLocked(*entry);
  const DWORD claimedBy = entry->m_claimedBy;
  lock.unlock();
  if (async) WakeAsyncSelect(claimedBy);
  return Fail(WSAEWOULDBLOCK);
}

int listen(SOCKET s, int backlog) {
  auto entry = LookupSocket(s);
  if (!entry) return SOCKET_ERROR;
  {
    auto lock = TableLock();
    if (entry->m_type != SOCK_STREAM) return Fail(WSAEOPNOTSUPP);
    if (entry->m_state == SocketState::CONNECTED || entry->m_state == SocketState::CONNECTING)
      return Fail(WSAEISCONN);
  }
  // WinSock wants the socket bound first; the system would bind it to any port silently.
  uint32_t address = 0;
  uint16_t port = 0;
  if (posix::SocketName(entry->m_fd, &address, &port) < 0 || port == 0) return Fail(WSAEINVAL);
  if (posix::Listen(entry->m_fd, std::clamp(backlog, 1, 200)) < 0) return FailErrno();
  bool async;
  DWORD claimedBy;
  {
    auto lock = TableLock();
    entry->m_state = SocketState::LISTENING;
    entry->m_acceptArmed = true;
    async = IsAsyncLocked(*entry);
    claimedBy = entry->m_claimedBy;
  }
  if (async) WakeAsyncSelect(claimedBy);
  return 0;
}

SOCKET accept(SOCKET s, sockaddr* address, int* addressLength) {
  auto entry = LookupSocket(s);
  if (!entry) return INVALID_SOCKET;
  if (address && (!addressLength || *addressLength < (int)sizeof(sockaddr_in))) {
    WSASetLastError(WSAEFAULT);
    return INVALID_SOCKET;
  }
  {
    auto lock = TableLock();
    if (entry->m_state != SocketState::LISTENING) {
      WSASetLastError(WSAEINVAL);
      return INVALID_SOCKET;
    }
  }
  uint32_t peer = 0;
  uint16_t peerPort = 0;
  int fd = posix::Accept(entry->m_fd, &peer, &peerPort);
  int err = fd < 0 ? errno : 0;
  bool wake = false;
  DWORD claimedBy = 0;
  SOCKET result = INVALID_SOCKET;
  {
    auto lock = TableLock();
    claimedBy = entry->m_claimedBy;
    if (IsAsyncLocked(*entry) && !entry->m_acceptArmed) {
      entry->m_acceptArmed = true;
      wake = true;
    }
    if (fd >= 0) {
      // The accepted socket has the listening socket's properties, its selection included.
      auto accepted = std::make_shared<SocketEntry>(fd, entry->m_type);
      MarkConnectedLocked(*accepted);
      accepted->m_nonBlocking = entry->m_nonBlocking;
      if (accepted->m_nonBlocking) posix::SetNonBlocking(fd, true);
      accepted->m_window = entry->m_window;
      accepted->m_windowThread = entry->m_windowThread;
      accepted->m_message = entry->m_message;
      accepted->m_events = entry->m_events;
      accepted->m_readArmed = accepted->m_writeArmed = true;
      wake = wake || IsAsyncLocked(*accepted);
      Table& table = TheTable();
      do {
        result = table.m_next++;
      } while (result == 0 || result == INVALID_SOCKET || table.m_sockets.count(result));
      table.m_sockets.emplace(result, std::move(accepted));
    }
  }
  if (wake) {
    // The accepted socket is the poll thread's to watch; the listening one may be a thread's.
    WakeAsyncSelect();
    if (claimedBy) WakeAsyncSelect(claimedBy);
  }
  if (fd < 0) {
    WSASetLastError(ErrnoToWsaError(err));
    return INVALID_SOCKET;
  }
  if (address) WriteAddress(address, addressLength, peer, peerPort);
  return result;
}

int send(SOCKET s, const char* buffer, int length, int flags) {
  std::unique_lock<std::mutex> lock;
  auto entry = LookupSocketLocked(s, &lock);
  if (!entry) return SOCKET_ERROR;
  if (length < 0 || (!buffer && length > 0)) return Fail(WSAEFAULT);
  if (flags & ~MSG_OOB) return Fail(WSAEOPNOTSUPP);
  UpdateConnectStateLocked(*entry, -1);
  if (entry->m_type == SOCK_STREAM && entry->m_state != SocketState::CONNECTED) return Fail(WSAENOTCONN);
  if (entry->m_sendShut) return Fail(WSAESHUTDOWN);
  lock.unlock();
  long r = posix::Send(entry->m_fd, buffer, (size_t)length, (flags & MSG_OOB) != 0);
  if (r >= 0) return (int)r;
  int err = ErrnoToWsaError(errno);
  if (err == WSAEWOULDBLOCK) {
    // FD_WRITE comes again once the system takes data again.
    bool wake = false;
    DWORD claimedBy = 0;
    {
      auto lock = TableLock();
      if (IsAsyncLocked(*entry) && !entry->m_writeArmed) {
        entry->m_writeArmed = true;
        wake = true;
        claimedBy = entry->m_claimedBy;
      }
    }
    if (wake) WakeAsyncSelect(claimedBy);
  }
  return Fail(err);
}

int recv(SOCKET s, char* buffer, int length, int flags) {
  std::unique_lock<std::mutex> lock;
  auto entry = LookupSocketLocked(s, &lock);
  if (!entry) return SOCKET_ERROR;
  if (length < 0 || (!buffer && length > 0)) return Fail(WSAEFAULT);
  if (flags & ~(MSG_OOB | MSG_PEEK)) return Fail(WSAEOPNOTSUPP);
  UpdateConnectStateLocked(*entry, -1);
  if (entry->m_type == SOCK_STREAM && entry->m_state != SocketState::CONNECTED) return Fail(WSAENOTCONN);
  lock.unlock();
  long r = posix::Receive(entry->m_fd, buffer, (size_t)length, (flags & MSG_PEEK) != 0, (flags & MSG_OOB) != 0);
  int err = r < 0 ? errno : 0;
  // Every recv enables FD_READ again: the poll thread posts another one when data (or the end of
  // the stream) is still there.
  bool wake = false;
  DWORD claimedBy = 0;
  {
    lock.lock();
    if (IsAsyncLocked(*entry) && !entry->m_readArmed) {
      entry->m_readArmed = true;
      // The window's own thread reading its socket (the usual case) watches it again itself as
      // soon as it looks at its queue; any other reader hands it to the watcher.
      wake = entry->m_windowThread != GetCurrentThreadId() || entry->m_claimedBy != 0 || !ThreadWatchesOwnSockets();
      claimedBy = entry->m_claimedBy;
    }
    lock.unlock();
  }
  if (wake) WakeAsyncSelect(claimedBy);
  if (r < 0) return Fail(ErrnoToWsaError(err));
  return (int)r;
}

int shutdown(SOCKET s, int how) {
  auto entry = LookupSocket(s);
  if (!entry) return SOCKET_ERROR;
  if (how < SD_RECEIVE || how > SD_BOTH) return Fail(WSAEINVAL);
  {
    auto lock = TableLock();
    UpdateConnectStateLocked(*entry, -1);
    if (entry->m_type == SOCK_STREAM && entry->m_state != SocketState::CONNECTED) return Fail(WSAENOTCONN);
  }
  if (posix::Shutdown(entry->m_fd, how) < 0) return FailErrno();
  if (how != SD_RECEIVE) {
    auto lock = TableLock();
    entry->m_sendShut = true;
  }
  return 0;
}

int ioctlsocket(SOCKET s, long command, u_long* argument) {
  auto entry = LookupSocket(s);
  if (!entry) return SOCKET_ERROR;
  if (!argument) return Fail(WSAEFAULT);
  switch ((DWORD)command) {
    case (DWORD)FIONBIO: {
      bool nonBlocking = *argument != 0;
      auto lock = TableLock();
      // A socket with an asynchronous selection must stay non-blocking.
      if (!nonBlocking && IsAsyncLocked(*entry)) return Fail(WSAEINVAL);
      if (posix::SetNonBlocking(entry->m_fd, nonBlocking) < 0) return FailErrno();
      entry->m_nonBlocking = nonBlocking;
      return 0;
    }
    case (DWORD)FIONREAD: {
      int count = 0;
      if (posix::Available(entry->m_fd, &count) < 0) return FailErrno();
      *argument = (u_long)std::max(count, 0);
      return 0;
    }
    default: return Fail(WSAEINVAL);
  }
}

int setsockopt(SOCKET s, int level, int name, const char* value, int length) {
  auto entry = LookupSocket(s);
  if (!entry) return SOCKET_ERROR;
  if (!value) return Fail(WSAEFAULT);
  auto intValue = [&](int* out) {
    if (length < (int)sizeof(int)) return false;
    memcpy(out, value, sizeof(int));
    return true;
  };
  posix::SocketOption option;
  if (level == SOL_SOCKET) {
    switch (name) {
      case SO_REUSEADDR: option = posix::SocketOption::REUSE_ADDRESS; break;
      case SO_KEEPALIVE: option = posix::SocketOption::KEEP_ALIVE; break;
      case SO_BROADCAST: option = posix::SocketOption::BROADCAST; break;
      case SO_SNDBUF: option = posix::SocketOption::SEND_BUFFER; break;
      case SO_RCVBUF: option = posix::SocketOption::RECEIVE_BUFFER; break;
      case SO_LINGER: {
        if (length < (int)sizeof(linger)) return Fail(WSAEFAULT);
        linger l;
        memcpy(&l, value, sizeof(l));
        if (posix::SetLinger(entry->m_fd, l.l_onoff != 0, l.l_linger) < 0) return FailErrno();
        return 0;
      }
      case SO_DONTLINGER: {
        int v;
        if (!intValue(&v)) return Fail(WSAEFAULT);
        if (posix::SetLinger(entry->m_fd, v == 0, 0) < 0) return FailErrno();
        return 0;
      }
      default: return Fail(WSAENOPROTOOPT);
    }
  } else if (level == IPPROTO_TCP) {
    if (name != TCP_NODELAY) return Fail(WSAENOPROTOOPT);
    option = posix::SocketOption::NO_DELAY;
  } else {
    return Fail(WSAEINVAL);
  }
  int v;
  if (!intValue(&v)) return Fail(WSAEFAULT);
  if (posix::SetOption(entry->m_fd, option, v) < 0) return FailErrno();
  return 0;
}

int getsockopt(SOCKET s, int level, int name, char* value, int* length) {
  if (level == SOL_SOCKET && name == SO_CONNECT_TIME) {
    // Asked before every request: the socket is looked up and its state read under one lock.
    std::unique_lock<std::mutex> lock;
    auto entry = LookupSocketLocked(s, &lock);
    if (!entry) return SOCKET_ERROR;
    if (!value || !length) return Fail(WSAEFAULT);
    DWORD seconds = 0xFFFFFFFFu;
    UpdateConnectStateLocked(*entry, -1);
    // The count runs from the moment the connection was made until the socket is closed; a close
    // by the peer is reported through FD_CLOSE and recv, not here.
    if (entry->m_state == SocketState::CONNECTED) {
      auto elapsed = std::chrono::steady_clock::now() - entry->m_connectedAt;
      seconds = (DWORD)std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    }
    lock.unlock();
    if (*length < (int)sizeof(int)) return Fail(WSAEFAULT);
    const int v = (int)seconds;
    memcpy(value, &v, sizeof(int));
    *length = sizeof(int);
    return 0;
  }
  auto entry = LookupSocket(s);
  if (!entry) return SOCKET_ERROR;
  if (!value || !length) return Fail(WSAEFAULT);
  auto putInt = [&](int v) {
    if (*length < (int)sizeof(int)) return Fail(WSAEFAULT);
    memcpy(value, &v, sizeof(int));
    *length = sizeof(int);
    return 0;
  };
  posix::SocketOption option;
  if (level == SOL_SOCKET) {
    switch (name) {
      case SO_ERROR: {
        int err = 0;
        {
          auto lock = TableLock();
          UpdateConnectStateLocked(*entry, -1);
          err = entry->m_connectError;
          entry->m_connectError = 0;
        }
        if (err == 0) {
          int posixErr = 0;
          if (posix::TakeError(entry->m_fd, &posixErr) < 0) return FailErrno();
          err = ErrnoToWsaError(posixErr);
        }
        return putInt(err);
      }
      case SO_TYPE: return putInt(entry->m_type);
      case SO_ACCEPTCONN: {
        auto lock = TableLock();
        return putInt(entry->m_state == SocketState::LISTENING ? 1 : 0);
      }
      case SO_LINGER:
      case SO_DONTLINGER: {
        bool on = false;
        int seconds = 0;
        if (posix::GetLinger(entry->m_fd, &on, &seconds) < 0) return FailErrno();
        if (name == SO_DONTLINGER) return putInt(on ? 0 : 1);
        if (*length < (int)sizeof(linger)) return Fail(WSAEFAULT);
        linger l;
        l.l_onoff = on ? 1 : 0;
        l.l_linger = (unsigned short)std::clamp(seconds, 0, 0xFFFF);
        memcpy(value, &l, sizeof(l));
        *length = sizeof(l);
        return 0;
      }
      case SO_REUSEADDR: option = posix::SocketOption::REUSE_ADDRESS; break;
      case SO_KEEPALIVE: option = posix::SocketOption::KEEP_ALIVE; break;
      case SO_BROADCAST: option = posix::SocketOption::BROADCAST; break;
      case SO_SNDBUF: option = posix::SocketOption::SEND_BUFFER; break;
      case SO_RCVBUF: option = posix::SocketOption::RECEIVE_BUFFER; break;
      default: return Fail(WSAENOPROTOOPT);
    }
  } else if (level == IPPROTO_TCP) {
    if (name != TCP_NODELAY) return Fail(WSAENOPROTOOPT);
    option = posix::SocketOption::NO_DELAY;
  } else {
    return Fail(WSAEINVAL);
  }
  int v = 0;
  if (posix::GetOption(entry->m_fd, option, &v) < 0) return FailErrno();
  return putInt(v);
}

int getpeername(SOCKET s, sockaddr* name, int* nameLength) {
  auto entry = LookupSocket(s);
  if (!entry) return SOCKET_ERROR;
  if (!name || !nameLength || *nameLength < (int)sizeof(sockaddr_in)) return Fail(WSAEFAULT);
  {
    auto lock = TableLock();
    UpdateConnectStateLocked(*entry, -1);
    if (entry->m_state != SocketState::CONNECTED) return Fail(WSAENOTCONN);
  }
  uint32_t address;
  uint16_t port;
  if (posix::PeerName(entry->m_fd, &address, &port) < 0) return FailErrno();
  WriteAddress(name, nameLength, address, port);
  return 0;
}

int getsockname(SOCKET s, sockaddr* name, int* nameLength) {
  auto entry = LookupSocket(s);
  if (!entry) return SOCKET_ERROR;
  if (!name || !nameLength || *nameLength < (int)sizeof(sockaddr_in)) return Fail(WSAEFAULT);
  uint32_t address;
  uint16_t port;
  if (posix::SocketName(entry->m_fd, &address, &port) < 0) return FailErrno();
  // An unbound socket has no name in WinSock.
  if (port == 0) return Fail(WSAEINVAL);
  WriteAddress(name, nameLength, address, port);
  return 0;
}

int select(int ignored, fd_set* readfds, fd_set* writefds, fd_set* exceptfds, const timeval* timeout) {
  if (!CheckStarted()) return SOCKET_ERROR;
  fd_set* sets[3] = {readfds, writefds, exceptfds};
  struct Item {
    SOCKET m_socket;
    int m_set;
    std::shared_ptr<SocketEntry> m_entry;
    bool m_ready = false;
    // The system reported a hang-up or an error that does not make the socket ready for its set
    // (an error is no out-of-band data): asking again would only return the same at once.
    bool m_muted = false;
  };
  std::vector<Item> items;
  for (int k = 0; k < 3; ++k) {
    if (!sets[k]) continue;
    if (sets[k]->fd_count > FD_SETSIZE) return Fail(WSAEINVAL);
    for (UINT i = 0; i < sets[k]->fd_count; ++i) {
      auto entry = LookupSocket(sets[k]->fd_array[i]);
      if (!entry) return SOCKET_ERROR;
      items.push_back(Item{sets[k]->fd_array[i], k, std::move(entry)});
    }
  }
  if (items.empty()) return Fail(WSAEINVAL);
  if (timeout && (timeout->tv_sec < 0 || timeout->tv_usec < 0)) return Fail(WSAEINVAL);
  using Clock = std::chrono::steady_clock;
  Clock::time_point deadline{};
  if (timeout) {
    deadline = Clock::now() + std::chrono::seconds(timeout->tv_sec) + std::chrono::microseconds(timeout->tv_usec);
  }

  std::vector<pollfd> polls(items.size());
  int readyCount = 0;
  for (;;) {
    // What each socket can become under WinSock's rules decides what the system is asked for;
    // a socket that cannot become ready stays out of the poll set (the system would report an
    // unconnected socket as hung up at once, and the wait would spin).
    bool immediate = false;
    {
      auto lock = TableLock();
      for (size_t i = 0; i < items.size(); ++i) {
        SocketEntry& e = *items[i].m_entry;
        UpdateConnectStateLocked(e, -1);
        short events = 0;
        if (e.m_state == SocketState::CONNECTING) {
          events = POLLOUT;
        } else if (items[i].m_set == 0) {
          if (e.m_state == SocketState::CONNECTED || e.m_state == SocketState::LISTENING) events = POLLIN;
        } else if (items[i].m_set == 1) {
          if (e.m_state == SocketState::CONNECTED) events = POLLOUT;
        } else {
          if (e.m_state == SocketState::UNCONNECTED && e.m_connectError != 0) immediate = true;
          if (e.m_state == SocketState::CONNECTED) events = POLLPRI;
        }
        if (items[i].m_muted) events = 0;
        polls[i].fd = events ? e.m_fd : -1;
        polls[i].events = events;
        polls[i].revents = 0;
      }
    }
    int waitMs = -1;
    if (immediate) {
      waitMs = 0;
    } else if (timeout) {
      auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
      waitMs = left <= 0 ? 0 : (int)std::min<long long>((left + 999) / 1000, 0x7FFFFFFF);
    }
    int r = ::poll(polls.data(), polls.size(), waitMs);
    if (r < 0 && errno != EINTR) return FailErrno();
    {
      auto lock = TableLock();
      readyCount = 0;
      for (size_t i = 0; i < items.size(); ++i) {
        SocketEntry& e = *items[i].m_entry;
        short rev = r > 0 ? polls[i].revents : 0;
        if (e.m_state == SocketState::CONNECTING && (rev & (POLLOUT | POLLERR | POLLHUP))) {
          UpdateConnectStateLocked(e, rev);
          // The poll bits were asked for the connect; the state it reached is judged below.
          rev = e.m_state == SocketState::CONNECTED ? (short)posix::PollOne(e.m_fd, POLLIN | POLLOUT | POLLPRI, 0) : 0;
          if (rev < 0) rev = 0;
        }
        bool ready = false;
        if (items[i].m_set == 0) {
          ready = (e.m_state == SocketState::CONNECTED || e.m_state == SocketState::LISTENING) &&
                  (rev & (POLLIN | POLLHUP | POLLERR));
        } else if (items[i].m_set == 1) {
          ready = e.m_state == SocketState::CONNECTED && (rev & (POLLOUT | POLLHUP | POLLERR));
        } else {
          ready = (e.m_state == SocketState::UNCONNECTED && e.m_connectError != 0) ||
                  (e.m_state == SocketState::CONNECTED && (rev & POLLPRI));
        }
        items[i].m_ready = ready;
        if (ready) ++readyCount;
        else if (rev & (POLLERR | POLLHUP | POLLNVAL)) items[i].m_muted = true;
      }
    }
    if (readyCount > 0) break;
    if (timeout && Clock::now() >= deadline) break;
  }
  for (fd_set* set : sets)
    if (set) set->fd_count = 0;
  for (const Item& item : items) {
    if (!item.m_ready) continue;
    fd_set* set = sets[item.m_set];
    set->fd_array[set->fd_count++] = item.m_socket;
  }
  return readyCount;
}

ULONG inet_addr(const char* text) {
  uint32_t v;
  if (!ParseDotted(text, &v)) return INADDR_NONE;
  return htonl(v);
}

char* inet_ntoa(in_addr address) {
  thread_local char text[16];
  const unsigned char* b = reinterpret_cast<const unsigned char*>(&address.s_addr);
  snprintf(text, sizeof(text), "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  return text;
}

USHORT htons(USHORT value) { return __builtin_bswap16(value); }
USHORT ntohs(USHORT value) { return __builtin_bswap16(value); }
ULONG htonl(ULONG value) { return __builtin_bswap32(value); }
ULONG ntohl(ULONG value) { return __builtin_bswap32(value); }
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the byte-order calls assume a little-endian host");

hostent* gethostbyname(const char* name) {
  if (!CheckStarted()) return nullptr;
  if (!name) {
    WSASetLastError(WSAEFAULT);
    return nullptr;
  }
  std::string text = name;
  uint32_t dotted;
  if (ParseDotted(name, &dotted)) return FillHostRecord(text, {htonl(dotted)});
  // The empty name is the local host.
  bool isLocalHost = EndsWithNoCase(text, "localhost") && (text.size() == 9 || text[text.size() - 10] == '.');
  if (text.empty() || isLocalHost) {
    return FillHostRecord(text.empty() ? "localhost" : text, {htonl(INADDR_LOOPBACK)});
  }
  if (!IsHostNameSyntax(text) || EndsWithNoCase(text, ".invalid") || EndsWithNoCase(text, ".invalid.")) {
    WSASetLastError(WSAHOST_NOT_FOUND);
    return nullptr;
  }
  std::vector<uint32_t> addresses;
  std::string canonical;
  switch (posix::ResolveIPv4(text, &addresses, &canonical)) {
    case posix::RESOLVE_OK: return FillHostRecord(canonical.empty() ? text : canonical, addresses);
    case posix::RESOLVE_TRY_AGAIN: WSASetLastError(WSATRY_AGAIN); return nullptr;
    case posix::RESOLVE_NOT_FOUND: WSASetLastError(WSAHOST_NOT_FOUND); return nullptr;
    default: WSASetLastError(WSANO_RECOVERY); return nullptr;
  }
}
