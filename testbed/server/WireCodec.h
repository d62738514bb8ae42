// The server's side of the game protocol's framing: packets to units and units to packets,
// with the same packet transform the client uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/ByteBuffer.h"
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

// The head fields of one unit.
struct UnitHead {
  DWORD kind = 0;
  DWORD segmentSerial = 0;
  DWORD crcFlag = 0;
  DWORD requestSerial = 0;
  DWORD segmentNumber = 0;
  DWORD lastFlag = 0;
  DWORD replyWanted = 0;
};

// One unit as read off the wire.
struct Unit : UnitHead {
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
// The same into *out, which is emptied first and keeps its block for the next packet.
void EncodePacketInto(const WireParams& params, DWORD kind, DWORD requestSerial, DWORD code, const BYTE* data,
                      size_t length, DWORD* segmentSerialCounter, Spoil spoil, Bytes* out);

// The same into a buffer of the network library, which is emptied first: a packet of one unit is
// framed where it was encoded, without a copy.
void EncodeUnits(const WireParams& params, DWORD kind, DWORD requestSerial, DWORD code, const BYTE* data,
                 size_t length, DWORD* segmentSerialCounter, Spoil spoil, CByteBuffer* units);

// One unit as it lies in a received stream: the payload points into the stream.
struct UnitView : UnitHead {
  const BYTE* payload = nullptr;
  size_t payloadLength = 0;
};

// Reads the unit at the front of the `available` bytes at `bytes` (its CRC fields are zeroed
// where they lie when it is checked). Returns the unit's size in bytes, 0 when more bytes are
// needed, -1 when the bytes are not a valid unit (bad length or CRC).
long ReadUnit(const WireParams& params, BYTE* bytes, size_t available, UnitView* unit);

// Cuts the next unit from the front of `stream`. Returns 1 with the unit removed, 0 when more
// bytes are needed, -1 when the stream is not a valid unit (bad length or CRC).
int TakeUnit(const WireParams& params, Bytes* stream, Unit* unit);

// Decodes the joined payloads of one packet: 1 with the code and data, 0 when they do not decode.
int DecodePacket(const WireParams& params, const std::vector<Bytes>& payloads, DWORD requestSerial, DWORD* code,
                 Bytes* data);
// The same for payloads already joined in one block.
int DecodePacket(const WireParams& params, const BYTE* joined, size_t length, DWORD* code, Bytes* data);

// The packet key that the client uses too (net/SharedKeys.h).
const BYTE* DefaultPacketKey();

}  // namespace testbed
