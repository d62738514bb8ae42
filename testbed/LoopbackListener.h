// A listening TCP socket on 127.0.0.1, shared by the testbed's servers.
#pragma once

#include <cstdint>

namespace testbed {

// Opens, binds and listens on 127.0.0.1:port (0 lets the system choose). Returns the socket, or -1
// when any step fails; boundPort receives the port actually bound.
int ListenOnLoopback(uint16_t port, int backlog, uint16_t* boundPort);

}  // namespace testbed
