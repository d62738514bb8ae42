#!/bin/sh
# Makes a received packet block with tools other than the client's own code: Python's zlib for
# the compression layer (sync flush, never finished) and the openssl command line for AES-128-ECB.
# The test decodes packet.bin with the key 000102...0f and expects record-data.bin as the data.
#
#   packet.bin       envelope (socket 0x1234, serial 7, reply wanted 1, connection 3, 0, 0),
#                    then the chunks (largest payload 4000) of the encoded packet
#   record-data.bin  the record's 6000 data bytes; the record's code is 211000
set -eu
cd "$(dirname "$0")"
key=000102030405060708090a0b0c0d0e0f
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Record data: text that compresses well followed by hash output that does not, so that the
# encoded packet needs two chunks.
python3 - "$tmp" <<'PY'
import hashlib, struct, sys, zlib
tmp = sys.argv[1]
data = b"".join(b"line %04d of the fixture record\n" % i for i in range(60))
seed = b"fixture"
while len(data) < 6000:
    seed = hashlib.sha256(seed).digest()
    data += seed
data = data[:6000]
open("record-data.bin", "wb").write(data)
stream = struct.pack("<6I", 0, 211000, 0, 0, 0, 0) + struct.pack("<I", len(data)) + data
z = zlib.compressobj(-1)
zipped = z.compress(stream) + z.flush(zlib.Z_SYNC_FLUSH)
layer = struct.pack("<5I", 0x400, len(stream), 0, 0, len(zipped)) + zipped
# The crypt layer enciphers the zip layer padded with zeros to whole blocks plus padding room.
size = len(layer) - len(layer) % 16 + 16
open(tmp + "/plain.bin", "wb").write(layer + b"\0" * (size - len(layer)))
open(tmp + "/zip-layer-length", "w").write(str(len(layer)))
PY
openssl enc -aes-128-ecb -nopad -K "$key" -in "$tmp/plain.bin" -out "$tmp/cipher.bin"

python3 - "$tmp" <<'PY'
import struct, sys
tmp = sys.argv[1]
cipher = open(tmp + "/cipher.bin", "rb").read()
inner = int(open(tmp + "/zip-layer-length").read())
encoded = struct.pack("<5I", 0x100, inner, 0, 0, len(cipher)) + cipher
chunks = b""
for i in range(0, len(encoded), 4000):
    part = encoded[i:i + 4000]
    chunks += struct.pack("<I", len(part)) + part
envelope = struct.pack("<6i", 0x1234, 7, 1, 3, 0, 0)
open("packet.bin", "wb").write(envelope + chunks)
PY
