// Wraps a packet stream in the compression layer and then the encryption layer (encode), or
// removes them in the opposite order (decode). Built on the stack for one encode or decode.
#pragma once

#include "net/ByteBuffer.h"
#include "net/CryptLayer.h"
#include "net/PacketRecord.h"
#include "net/ZipLayer.h"

#define TRANSFORM_ENCODE 1
#define TRANSFORM_DECODE 2

class CPacketTransformer {
 public:
  // The key bytes are not owned and must outlive the transformer. Crypt flags 0 = no encryption
  // layer, else the header value (CRYPT_LAYER_FLAG); zip flags 0 = no compression layer, else
  // the header value (ZIP_LAYER_FLAG).
  CPacketTransformer(const BYTE* key, DWORD keyBits, DWORD cryptFlags, DWORD zipFlags);
  virtual ~CPacketTransformer() = default;

  // The virtual operations below keep this order.
  // TRANSFORM_ENCODE: zip then crypt; TRANSFORM_DECODE: crypt then zip. 1 = done, 0 = failed.
  virtual int Process(CByteBuffer& buffer, int direction);
  // Stores the four values; returns 1.
  virtual int Init(const BYTE* key, DWORD keyBits, DWORD cryptFlags, DWORD zipFlags);
  // LAYER_WRAP puts the layer's header (and payload) in front; LAYER_UNWRAP removes it.
  virtual int ZipStep(CByteBuffer& buffer, DWORD flags);
  virtual int CryptStep(CByteBuffer& buffer, DWORD flags);
  // A reserved slot that nothing calls; it does nothing and returns 0.
  virtual int TransformFile(LPCSTR sourcePath, LPCSTR targetPath, DWORD blockSize, DWORD flags);

  // Replaces the buffer's content by the record's packet stream (AppendPacketStream) encoded as
  // Process encodes it, byte for byte. 1 = done; 0 for a record that makes no stream or an
  // encoding that fails, the content then being undefined.
  int EncodeRecord(CByteBuffer& buffer, const PacketRecord& record);

 private:
  // Encode with the encryption layer on and the compression layer off, in the buffer itself.
  int EncipherInPlace(CByteBuffer& buffer);
  // The same setting straight from the record: its data is enciphered where it lies, into the
  // buffer, and never copied as plain bytes.
  int EncipherRecord(CByteBuffer& buffer, const PacketRecord& record);
  // True when the encryption layer alone applies and the steps are this class's own.
  bool EnciphersOnly() const;
  // Puts the header of a layer that was not applied in front of the content.
  static void WrapUnapplied(CByteBuffer& buffer);
  // Replaces the content by a header with these values and the payload.
  static void ReplaceWithLayer(CByteBuffer& buffer, DWORD flags, DWORD inputLength,
                               const BYTE* payload, DWORD payloadLength);

  const BYTE* m_key;
  DWORD m_keyBits;
  DWORD m_cryptFlags;
  DWORD m_zipFlags;
  CZipLayer m_zipLayer;
  CCryptLayer m_cryptLayer;
};
