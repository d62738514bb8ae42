// The server's side of the game protocol's framing: packets to units and units to packets,
// with the same packet transform the client uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

namespace testbed {

using Bytes = std::vector<BYTE>;

struct WireParams {
  const BYTE* key = nullptr;
  DWORD keyBits = 128;
  DWORD cryptFlags = 0x100;
  DWORD zipFlags = 0;
  DWORD largestPayload = 4000;
};

// One unit as read off the wire.
struct Unit {
  DWORD kind = 0;
  DWORD segmentSerial = 0;
  DWORD crcFlag = 0;
  DWORD requestSerial = 0;
  DWORD segmentNumber = 0;
  DWORD lastFlag = 0;
  DWORD replyWanted = 0;
  Bytes payload;
};

// How a packet's units are to be spoiled, for tests of the client's defences.
enum class Spoil {
  NONE,
  BAD_CRC,           // every unit's CRC is off by one
  SHORT_UNIT,        // a unit whose length word says 56 (no payload)
  OVERLONG_UNIT,     // a unit whose length word exceeds the largest payload + 56
  LENGTH_MISMATCH,   // payload length word disagrees with the unit length
};

// Encodes a packet (code and data) into the bytes of its units. serialCounter is the session's
// segment serial counter and is advanced.
Bytes EncodePacket(const WireParams& params, DWORD kind, DWORD requestSerial, DWORD code, const Bytes& data,
                   DWORD* segmentSerialCounter, Spoil spoil = Spoil::NONE);

// Cuts the next unit from the front of `stream`. Returns 1 with the unit removed, 0 when more
// bytes are needed, -1 when the stream is not a valid unit (bad length or CRC).
int TakeUnit(const WireParams& params, Bytes* stream, Unit* unit);

// Decodes the joined payloads of one packet: 1 with the code and data, 0 when they do not decode.
int DecodePacket(const WireParams& params, const std::vector<Bytes>& payloads, DWORD requestSerial, DWORD* code,
                 Bytes* data);

// The packet key that the client uses too (net/SharedKeys.h).
const BYTE* DefaultPacketKey();

}  // namespace testbed
