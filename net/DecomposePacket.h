// The receive direction of the packet transform: a reassembled block (the envelope's six words
// followed by the chunks of the encoded packet) becomes an envelope and a record.
#pragma once

#include "net/PacketRecord.h"

// Returns 1 with two new heap objects (delete the envelope; FreePacketData and delete the
// record), or 0 and nothing when the block does not decode: framing, layers, or a record whose
// length does not fit the decoded stream.
int DecomposePacket(const BYTE* block, DWORD blockLength, PacketEnvelope** envelope,
                    PacketRecord** record, const BYTE* key, DWORD keyBits, DWORD cryptFlags,
                    DWORD zipFlags, int largestPayload);

// The same decoding into records the caller holds: 1 with *envelope and *record filled (the
// record's data block is new and the caller's to free), or 0 with both left as they were.
// Layer settings are not needed: every layer says in its header whether it was applied.
int DecomposePacketInto(const BYTE* block, DWORD blockLength, PacketEnvelope* envelope, PacketRecord* record,
                        const BYTE* key, DWORD keyBits, int largestPayload);

// Decodes an encoded packet stream (the contents of its chunks joined, no envelope) into a record
// the caller holds: 1 with *record filled (its data block is new and the caller's to free), or 0
// with it left as it was.
int DecodePacketStream(const BYTE* encoded, DWORD encodedLength, PacketRecord* record, const BYTE* key,
                       DWORD keyBits);
