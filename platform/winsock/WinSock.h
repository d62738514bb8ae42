// WinSock 1.1 over the system's sockets: the types, constants, error codes and calls that the
// program's network code uses, with WinSock's values and behaviour.
//
// A SOCKET is a 32-bit number from our own table (it travels in 32-bit record fields); it is never
// a system descriptor, and a closed socket's number is not given out again soon, so a late call
// or notification for it cannot reach another socket. Errors are WinSock's codes, read with
// WSAGetLastError (the same per-thread value as GetLastError, as on Windows).
//
// The names are the system's own socket words with other meanings, so a source file includes
// either this header or the system's socket headers (<sys/socket.h>, <netinet/in.h>,
// <arpa/inet.h>, <netdb.h>, <sys/ioctl.h>), never both. fd_set is WinSock's (a count and an array
// of sockets); the system's <sys/select.h>, which every C++ file reaches through <cstdlib>, is
// included first so that its bit-mask fd_set and FD_ macros can be replaced here.
#pragma once

#include <sys/select.h>
#include <sys/time.h>
#include <sys/types.h>

#include "platform/base/WinError.h"
#include "platform/base/WinTypes.h"

typedef UINT SOCKET;
#define INVALID_SOCKET ((SOCKET)(~0u))
#define SOCKET_ERROR (-1)

// Error codes.
#define WSABASEERR 10000
#define WSAEINTR 10004
#define WSAEBADF 10009
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEMFILE 10024
#define WSAEWOULDBLOCK 10035
#define WSAEINPROGRESS 10036
#define WSAEALREADY 10037
#define WSAENOTSOCK 10038
#define WSAEDESTADDRREQ 10039
#define WSAEMSGSIZE 10040
#define WSAEPROTOTYPE 10041
#define WSAENOPROTOOPT 10042
#define WSAEPROTONOSUPPORT 10043
#define WSAESOCKTNOSUPPORT 10044
#define WSAEOPNOTSUPP 10045
#define WSAEPFNOSUPPORT 10046
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETDOWN 10050
#define WSAENETUNREACH 10051
#define WSAENETRESET 10052
#define WSAECONNABORTED 10053
#define WSAECONNRESET 10054
#define WSAENOBUFS 10055
#define WSAEISCONN 10056
#define WSAENOTCONN 10057
#define WSAESHUTDOWN 10058
#define WSAETOOMANYREFS 10059
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAELOOP 10062
#define WSAENAMETOOLONG 10063
#define WSAEHOSTDOWN 10064
#define WSAEHOSTUNREACH 10065
#define WSASYSNOTREADY 10091
#define WSAVERNOTSUPPORTED 10092
#define WSANOTINITIALISED 10093
#define WSAHOST_NOT_FOUND 11001
#define WSATRY_AGAIN 11002
#define WSANO_RECOVERY 11003
#define WSANO_DATA 11004

// Address families, socket types, protocols.
#define AF_UNSPEC 0
#define AF_INET 2
#define PF_INET AF_INET
#define SOCK_STREAM 1
#define SOCK_DGRAM 2
#define IPPROTO_IP 0
#define IPPROTO_TCP 6
#define IPPROTO_UDP 17

#define INADDR_ANY ((ULONG)0x00000000)
#define INADDR_LOOPBACK ((ULONG)0x7f000001)
#define INADDR_BROADCAST ((ULONG)0xffffffff)
#define INADDR_NONE ((ULONG)0xffffffff)

// Socket options.
#define SOL_SOCKET 0xffff
#define SO_DEBUG 0x0001
#define SO_ACCEPTCONN 0x0002
#define SO_REUSEADDR 0x0004
#define SO_KEEPALIVE 0x0008
#define SO_BROADCAST 0x0020
#define SO_LINGER 0x0080
#define SO_DONTLINGER ((int)(~SO_LINGER))
#define SO_SNDBUF 0x1001
#define SO_RCVBUF 0x1002
#define SO_ERROR 0x1007
#define SO_TYPE 0x1008
// Seconds the socket has been connected (a DWORD), 0xFFFFFFFF while it is not connected.
#define SO_CONNECT_TIME 0x700C
#define TCP_NODELAY 0x0001

#define MSG_OOB 0x1
#define MSG_PEEK 0x2

#define SD_RECEIVE 0
#define SD_SEND 1
#define SD_BOTH 2

#ifdef FIONREAD
#undef FIONREAD
#endif
#ifdef FIONBIO
#undef FIONBIO
#endif
#define FIONREAD 0x4004667F
#define FIONBIO 0x8004667E

// WSAAsyncSelect events and the lParam of their notification.
#define FD_READ 0x01
#define FD_WRITE 0x02
#define FD_OOB 0x04
#define FD_ACCEPT 0x08
#define FD_CONNECT 0x10
#define FD_CLOSE 0x20
#define WSAMAKESELECTREPLY(event, error) ((LPARAM)(DWORD)MAKELONG(event, error))
#define WSAGETSELECTEVENT(lParam) LOWORD(lParam)
#define WSAGETSELECTERROR(lParam) HIWORD(lParam)

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

struct WSADATA {
  WORD wVersion;
  WORD wHighVersion;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
};
typedef WSADATA* LPWSADATA;

struct in_addr {
  ULONG s_addr;  // network order
};
typedef in_addr IN_ADDR;
typedef in_addr* LPIN_ADDR;

struct sockaddr {
  unsigned short sa_family;
  char sa_data[14];
};
typedef sockaddr SOCKADDR;
typedef sockaddr* PSOCKADDR;
typedef sockaddr* LPSOCKADDR;

struct sockaddr_in {
  short sin_family;
  unsigned short sin_port;  // network order
  in_addr sin_addr;
  char sin_zero[8];
};
typedef sockaddr_in SOCKADDR_IN;
typedef sockaddr_in* PSOCKADDR_IN;
typedef sockaddr_in* LPSOCKADDR_IN;

struct hostent {
  char* h_name;
  char** h_aliases;
  short h_addrtype;
  short h_length;
  char** h_addr_list;  // network-order IPv4 addresses, null-terminated
};
#define h_addr h_addr_list[0]
typedef hostent HOSTENT;
typedef hostent* PHOSTENT;
typedef hostent* LPHOSTENT;

struct linger {
  unsigned short l_onoff;
  unsigned short l_linger;
};
typedef linger LINGER;

// WinSock's fd_set: the sockets themselves, not a bit mask, so any SOCKET value fits and the
// first argument of select is not needed.
#undef FD_SETSIZE
#undef FD_SET
#undef FD_CLR
#undef FD_ISSET
#undef FD_ZERO
#define FD_SETSIZE 64
struct WinSockFdSet {
  UINT fd_count;
  SOCKET fd_array[FD_SETSIZE];
};
#define fd_set WinSockFdSet
int WSAFDIsSet(SOCKET s, fd_set* set);
#define FD_ZERO(set) (((fd_set*)(set))->fd_count = 0)
#define FD_ISSET(s, set) WSAFDIsSet((SOCKET)(s), (fd_set*)(set))
#define FD_SET(s, set)                                                         \
  do {                                                                         \
    fd_set* pxqdSet_ = (fd_set*)(set);                                         \
    SOCKET pxqdSock_ = (SOCKET)(s);                                            \
    UINT pxqdI_ = 0;                                                           \
    while (pxqdI_ < pxqdSet_->fd_count && pxqdSet_->fd_array[pxqdI_] != pxqdSock_) \
      ++pxqdI_;                                                                \
    if (pxqdI_ == pxqdSet_->fd_count && pxqdSet_->fd_count < FD_SETSIZE)       \
      pxqdSet_->fd_array[pxqdSet_->fd_count++] = pxqdSock_;                    \
  } while (0)
#define FD_CLR(s, set)                                                         \
  do {                                                                         \
    fd_set* pxqdSet_ = (fd_set*)(set);                                         \
    SOCKET pxqdSock_ = (SOCKET)(s);                                            \
    for (UINT pxqdI_ = 0; pxqdI_ < pxqdSet_->fd_count; ++pxqdI_) {             \
      if (pxqdSet_->fd_array[pxqdI_] == pxqdSock_) {                           \
        pxqdSet_->fd_array[pxqdI_] = pxqdSet_->fd_array[--pxqdSet_->fd_count]; \
        break;                                                                 \
      }                                                                        \
    }                                                                          \
  } while (0)

// Start-up. Every other call fails with WSANOTINITIALISED until WSAStartup has succeeded and
// after the matching WSACleanup.
int WSAStartup(WORD versionRequested, LPWSADATA data);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int error);

SOCKET socket(int af, int type, int protocol);
int closesocket(SOCKET s);
int bind(SOCKET s, const sockaddr* name, int nameLength);
// A blocking socket waits for the outcome; a non-blocking one always answers WSAEWOULDBLOCK and
// reports the outcome later (select, SO_ERROR, FD_CONNECT), as WinSock does.
int connect(SOCKET s, const sockaddr* name, int nameLength);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, sockaddr* address, int* addressLength);
int send(SOCKET s, const char* buffer, int length, int flags);
int recv(SOCKET s, char* buffer, int length, int flags);
int shutdown(SOCKET s, int how);
int ioctlsocket(SOCKET s, long command, u_long* argument);
int setsockopt(SOCKET s, int level, int name, const char* value, int length);
int getsockopt(SOCKET s, int level, int name, char* value, int* length);
int getpeername(SOCKET s, sockaddr* name, int* nameLength);
int getsockname(SOCKET s, sockaddr* name, int* nameLength);
// WinSock's select: the first argument is ignored, the sets hold sockets, all sets empty is
// WSAEINVAL. A socket whose non-blocking connect failed is reported in exceptfds only, never as
// writable; a socket counts as writable only once it is connected.
int select(int ignored, fd_set* readfds, fd_set* writefds, fd_set* exceptfds, const timeval* timeout);

// "a.b.c.d" (and the shorter a.b.c, a.b, a forms, each part decimal, octal or hex); INADDR_NONE
// when the text is not an address.
ULONG inet_addr(const char* text);
// Dotted text in a buffer of the calling thread, valid until its next call.
char* inet_ntoa(in_addr address);
USHORT htons(USHORT value);
USHORT ntohs(USHORT value);
ULONG htonl(ULONG value);
ULONG ntohl(ULONG value);
// IPv4 addresses of a host name (a dotted address is accepted too), in a record of the calling
// thread valid until its next call. Null with WSAHOST_NOT_FOUND (or WSATRY_AGAIN, WSANO_RECOVERY)
// when the name does not resolve. "localhost" is always 127.0.0.1 and names under ".invalid"
// never resolve, without asking the resolver.
hostent* gethostbyname(const char* name);

// Asks for notifications of the events in `events` (FD_ bits): each is posted to `window` as
// message `message` with wParam = the socket and lParam = WSAMAKESELECTREPLY(event, error). The
// socket becomes non-blocking. WinSock's re-enabling rules hold: after FD_READ the next one comes
// only after a recv; FD_WRITE comes once when the socket is (or becomes) connected and again only
// after a send failed with WSAEWOULDBLOCK; FD_ACCEPT after an accept; FD_CONNECT and FD_CLOSE
// once. A new call replaces the previous selection and re-enables every event; events 0 cancels.
int WSAAsyncSelect(SOCKET s, HWND window, UINT message, long events);
