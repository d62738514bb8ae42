#include "platform/winsock/PosixSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::posix {

namespace {

sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
  sockaddr_in sa;
  memset(&sa, 0, sizeof(sa));
  sa.sin_family = AF_INET;
  sa.sin_port = port;
  sa.sin_addr.s_addr = address;
  return sa;
}

int SplitAddress(const sockaddr_in& sa, socklen_t length, uint32_t* address, uint16_t* port) {
  if (length < sizeof(sockaddr_in) || sa.sin_family != AF_INET) {
    errno = EAFNOSUPPORT;
    return -1;
  }
  if (address) *address = sa.sin_addr.s_addr;
  if (port) *port = sa.sin_port;
  return 0;
}

bool OptionName(SocketOption option, int* level, int* name) {
  switch (option) {
    case SocketOption::REUSE_ADDRESS: *level = SOL_SOCKET; *name = SO_REUSEADDR; return true;
    case SocketOption::KEEP_ALIVE: *level = SOL_SOCKET; *name = SO_KEEPALIVE; return true;
    case SocketOption::SEND_BUFFER: *level = SOL_SOCKET; *name = SO_SNDBUF; return true;
    case SocketOption::RECEIVE_BUFFER: *level = SOL_SOCKET; *name = SO_RCVBUF; return true;
    case SocketOption::NO_DELAY: *level = IPPROTO_TCP; *name = TCP_NODELAY; return true;
    case SocketOption::BROADCAST: *level = SOL_SOCKET; *name = SO_BROADCAST; return true;
  }
  errno = ENOPROTOOPT;
  return false;
}

}  // namespace

int Socket(int type) {
  int posixType = type == 2 ? SOCK_DGRAM : SOCK_STREAM;
  return ::socket(AF_INET, posixType | SOCK_CLOEXEC, 0);
}

int Close(int fd) { return ::close(fd); }

int Connect(int fd, uint32_t address, uint16_t port) {
  sockaddr_in sa = MakeAddress(address, port);
  int r = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa));
  // An interrupted blocking connect goes on in the background; waiting for it keeps the
  // blocking call's promise that it returns with the outcome.
  if (r < 0 && errno == EINTR) {
    if (PollOne(fd, POLLOUT, -1) < 0) return -1;
    int error = 0;
    if (TakeError(fd, &error) < 0) return -1;
    if (error != 0) {
      errno = error;
      return -1;
    }
    return 0;
  }
  return r;
}

int Bind(int fd, uint32_t address, uint16_t port) {
  sockaddr_in sa = MakeAddress(address, port);
  return ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa));
}

int Listen(int fd, int backlog) { return ::listen(fd, backlog); }

int Accept(int fd, uint32_t* address, uint16_t* port) {
  sockaddr_in sa;
  socklen_t length = sizeof(sa);
  int r;
  do {
    r = ::accept4(fd, reinterpret_cast<sockaddr*>(&sa), &length, SOCK_CLOEXEC);
  } while (r < 0 && errno == EINTR);
  if (r >= 0) SplitAddress(sa, length, address, port);
  return r;
}

long Send(int fd, const void* data, size_t length, bool outOfBand) {
  ssize_t r;
  do {
    r = ::send(fd, data, length, MSG_NOSIGNAL | (outOfBand ? MSG_OOB : 0));
  } while (r < 0 && errno == EINTR);
  return static_cast<long>(r);
}

long Receive(int fd, void* buffer, size_t length, bool peek, bool outOfBand) {
  ssize_t r;
  do {
    r = ::recv(fd, buffer, length, (peek ? MSG_PEEK : 0) | (outOfBand ? MSG_OOB : 0));
  } while (r < 0 && errno == EINTR);
  return static_cast<long>(r);
}

int Shutdown(int fd, int how) {
  int posixHow = how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR;
  return ::shutdown(fd, posixHow);
}

int SetNonBlocking(int fd, bool nonBlocking) {
  int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return -1;
  flags = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  return ::fcntl(fd, F_SETFL, flags);
}

int Available(int fd, int* count) { return ::ioctl(fd, FIONREAD, count); }

int TakeError(int fd, int* error) {
  socklen_t length = sizeof(*error);
  return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, error, &length);
}

int PeerName(int fd, uint32_t* address, uint16_t* port) {
  sockaddr_in sa;
  socklen_t length = sizeof(sa);
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&sa), &length) < 0) return -1;
  return SplitAddress(sa, length, address, port);
}

int SocketName(int fd, uint32_t* address, uint16_t* port) {
  sockaddr_in sa;
  socklen_t length = sizeof(sa);
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &length) < 0) return -1;
  return SplitAddress(sa, length, address, port);
}

int SetOption(int fd, SocketOption option, int value) {
  int level = 0, name = 0;
  if (!OptionName(option, &level, &name)) return -1;
  return ::setsockopt(fd, level, name, &value, sizeof(value));
}

int GetOption(int fd, SocketOption option, int* value) {
  int level = 0, name = 0;
  if (!OptionName(option, &level, &name)) return -1;
  socklen_t length = sizeof(*value);
  return ::getsockopt(fd, level, name, value, &length);
}

int SetLinger(int fd, bool on, int seconds) {
  struct linger l;
  l.l_onoff = on ? 1 : 0;
  l.l_linger = seconds;
  return ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof(l));
}

int GetLinger(int fd, bool* on, int* seconds) {
  struct linger l;
  socklen_t length = sizeof(l);
  if (::getsockopt(fd, SOL_SOCKET, SO_LINGER, &l, &length) < 0) return -1;
  *on = l.l_onoff != 0;
  *seconds = l.l_linger;
  return 0;
}

int PollOne(int fd, short events, int milliseconds) {
  pollfd p;
  p.fd = fd;
  p.events = events;
  p.revents = 0;
  int r;
  do {
    r = ::poll(&p, 1, milliseconds);
  } while (r < 0 && errno == EINTR);
  if (r <= 0) return r;
  return p.revents;
}

int ResolveIPv4(const std::string& name, std::vector<uint32_t>* addresses, std::string* canonical) {
  addrinfo hints;
  memset(&hints, 0, sizeof(hints));
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* list = nullptr;
  int r = ::getaddrinfo(name.c_str(), nullptr, &hints, &list);
  if (r != 0) {
    switch (r) {
      case EAI_NONAME:
#ifdef EAI_NODATA
      case EAI_NODATA:
#endif
      case EAI_ADDRFAMILY:
        return RESOLVE_NOT_FOUND;
      case EAI_AGAIN: return RESOLVE_TRY_AGAIN;
      default: return RESOLVE_FAILED;
    }
  }
  addresses->clear();
  canonical->clear();
  for (addrinfo* ai = list; ai; ai = ai->ai_next) {
    if (ai->ai_family != AF_INET || ai->ai_addrlen < sizeof(sockaddr_in)) continue;
    if (canonical->empty() && ai->ai_canonname) *canonical = ai->ai_canonname;
    uint32_t a = reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr;
    bool seen = false;
    for (uint32_t b : *addresses) seen = seen || a == b;
    if (!seen) addresses->push_back(a);
  }
  ::freeaddrinfo(list);
  return addresses->empty() ? RESOLVE_NOT_FOUND : RESOLVE_OK;
}

int CreateWakeDescriptor() { return ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

void SignalWakeDescriptor(int fd) {
  uint64_t one = 1;
  // A full counter still wakes the poll thread, so a failed write loses nothing.
  ssize_t r = ::write(fd, &one, sizeof(one));
  (void)r;
}

void DrainWakeDescriptor(int fd) {
  uint64_t value = 0;
  ssize_t r = ::read(fd, &value, sizeof(value));
  (void)r;
}

namespace {

// The poll bits that a watch set passes on, beside their epoll names.
const struct {
  short poll;
  uint32_t epoll;
} WATCH_BITS[] = {{POLLIN, EPOLLIN},     {POLLPRI, EPOLLPRI}, {POLLOUT, EPOLLOUT},
                  {POLLRDHUP, EPOLLRDHUP}, {POLLERR, EPOLLERR}, {POLLHUP, EPOLLHUP}};

}  // namespace

int CreateWatchSet() { return ::epoll_create1(EPOLL_CLOEXEC); }

int UpdateWatchSet(int set, int fd, bool member, short events) {
  if (!member && events == 0) return 0;
  epoll_event ev{};
  for (const auto& bit : WATCH_BITS) {
    if (events & bit.poll) ev.events |= bit.epoll;
  }
  // The system adds hang-ups and errors to every registration; a one-shot registration reports
  // them once at most.
  if (events == 0) ev.events = EPOLLONESHOT;
  ev.data.fd = fd;
  return ::epoll_ctl(set, member ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, &ev);
}

short TakeWatchSetEvents(int set) {
  epoll_event ev{};
  if (::epoll_wait(set, &ev, 1, 0) != 1) return 0;
  short bits = 0;
  for (const auto& bit : WATCH_BITS) {
    if (ev.events & bit.epoll) bits |= bit.poll;
  }
  return bits;
}

}  // namespace platform::posix
