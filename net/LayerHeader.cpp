#include "net/LayerHeader.h"

#include "net/WireBytes.h"

void LayerHeader::Write(BYTE* out) const {
  WriteU32Le(out, flags);
  WriteU32Le(out + 4, inputLength);
  WriteU32Le(out + 8, reserved[0]);
  WriteU32Le(out + 12, reserved[1]);
  WriteU32Le(out + 16, payloadLength);
}

LayerHeader LayerHeader::Read(const BYTE* in) {
  LayerHeader header;
  header.flags = ReadU32Le(in);
  header.inputLength = ReadU32Le(in + 4);
  header.reserved[0] = ReadU32Le(in + 8);
  header.reserved[1] = ReadU32Le(in + 12);
  header.payloadLength = ReadU32Le(in + 16);
  return header;
}
