// The thin layer between the WinSock calls and the system's own socket calls.
//
// The WinSock names (socket, connect, send, fd_set, sockaddr_in, ...) are the same words as the
// system's, with other types and values, so the two sets of declarations cannot meet in one
// source file. This header is the meeting point: it speaks only in plain integers (descriptors,
// IPv4 addresses and ports in network order, errno values), and PosixSocket.cpp is the only file
// that includes the system's socket headers. Every function returns -1 with errno set on failure,
// as the system calls do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::posix {

// The socket options that the WinSock layer passes through (their WinSock numbers differ).
enum class SocketOption { REUSE_ADDRESS, KEEP_ALIVE, SEND_BUFFER, RECEIVE_BUFFER, NO_DELAY, BROADCAST };

// type: 1 stream, 2 datagram (the WinSock and the system numbers agree).
int Socket(int type);
int Close(int fd);
int Connect(int fd, uint32_t address, uint16_t port);
int Bind(int fd, uint32_t address, uint16_t port);
int Listen(int fd, int backlog);
int Accept(int fd, uint32_t* address, uint16_t* port);
// Never raises SIGPIPE: a send on a broken connection fails with EPIPE instead.
long Send(int fd, const void* data, size_t length, bool outOfBand);
long Receive(int fd, void* buffer, size_t length, bool peek, bool outOfBand);
// how: 0 receive, 1 send, 2 both (the WinSock and the system numbers agree).
int Shutdown(int fd, int how);
int SetNonBlocking(int fd, bool nonBlocking);
// Bytes that a receive would return at once.
int Available(int fd, int* count);
// The pending error of the socket (0 when none); reading it clears it.
int TakeError(int fd, int* error);
int PeerName(int fd, uint32_t* address, uint16_t* port);
int SocketName(int fd, uint32_t* address, uint16_t* port);
int SetOption(int fd, SocketOption option, int value);
int GetOption(int fd, SocketOption option, int* value);
int SetLinger(int fd, bool on, int seconds);
int GetLinger(int fd, bool* on, int* seconds);

// Waits until the descriptor is ready for any of the events (POLLIN/POLLOUT/... bits of
// <poll.h>); returns the ready bits, 0 on time-out, -1 on failure. A negative time-out waits
// without limit.
int PollOne(int fd, short events, int milliseconds);

// IPv4 addresses of a host name, in network order. Returns 0, or one of the RESOLVE_ results.
enum ResolveResult { RESOLVE_OK = 0, RESOLVE_NOT_FOUND, RESOLVE_TRY_AGAIN, RESOLVE_FAILED };
int ResolveIPv4(const std::string& name, std::vector<uint32_t>* addresses, std::string* canonical);

// A descriptor that the poll thread waits on beside its sockets, to be woken by other threads.
int CreateWakeDescriptor();
void SignalWakeDescriptor(int fd);
void DrainWakeDescriptor(int fd);

// A watch set holds one socket with the events (poll bits) it is watched for; polling the set's
// own descriptor for POLLIN tells whether the socket is ready for one of them. The events can be
// changed while another thread polls the set, and take effect for that poll at once.
int CreateWatchSet();
// Watches the socket for `events` from now on; `member` says whether it is in the set already.
// A member with no events stays in the set, disabled, so that no hang-up or error of it wakes
// the set's pollers more than once (taking the events disables it), and enabling it again is cheap.
int UpdateWatchSet(int set, int fd, bool member, short events);
// The poll bits the socket is ready for among its registered events; 0 when none.
short TakeWatchSetEvents(int set);

}  // namespace platform::posix
