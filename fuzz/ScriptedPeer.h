// The far end of a loopback connection for the fuzz targets of network handshakes, kept apart from
// the WinSock declarations that the client side includes.
#pragma once

#include <cstdint>
#include <string>

namespace fuzzpeer {

// A listening socket on 127.0.0.1 for the whole run; aborts when none can be opened.
int Listen(uint16_t* port);
// Accepts one client, sends `reply`, closes its sending side and reads until the client goes.
// Gives up after a few seconds without a client or without a word from it.
void Answer(int listenFd, const std::string& reply);

}  // namespace fuzzpeer
