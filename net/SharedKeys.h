// The three 16-byte AES-128 keys that the client shares with the programs around it. They are
// deployment values: the game server must know the packet key, the hall must know the hall key,
// and the tool that writes the web pane's host whitelist must know the whitelist key. Keeping
// them in one place means the client, the testbed and the tools can never drift apart.
#pragma once

#include "platform/base/WinTypes.h"

#define SHARED_KEY_BYTES 16

// The key of the packet layer between the client and the game server (128 bits).
const BYTE* PacketKey();

// The key under which the hall enciphers the records it sends to the client (128 bits).
const BYTE* HallKey();

// The key under which each host name of the web pane's whitelist file is enciphered (128 bits).
const BYTE* WhitelistKey();
