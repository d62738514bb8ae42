// The encryption layer of the packet transform: AES (128, 192 or 256-bit keys) in ECB mode with
// zero padding. The hall link uses it on its own to encipher its records.
#pragma once

#include "net/LayerHeader.h"
#include "platform/base/WinTypes.h"

#define CRYPT_LAYER_FLAG 0x100

class CCryptLayer {
 public:
  virtual ~CCryptLayer() = default;

  // Output size for an input of length bytes, in both directions: the input rounded down to a
  // whole block plus one block. 0 when that does not fit 32 bits.
  static DWORD GetOutputSize(DWORD length) {
    const DWORD whole = length - length % 16;
    return whole > 0xFFFFFFFFu - 16 ? 0 : whole + 16;
  }

  // Returns 0 unless flags holds CRYPT_LAYER_FLAG, the key is 128, 192 or 256 bits and the
  // input is there. With LAYER_WRAP it enciphers, with LAYER_UNWRAP it deciphers, into output,
  // which must hold *outLength = GetOutputSize(length) bytes; the bytes written are length
  // rounded up to a whole block. With a null output only *outLength is reported.
  int Transform(const BYTE* key, DWORD keyBits, const BYTE* input, DWORD length, BYTE* output,
                DWORD* outLength, DWORD flags);

  // Each whole 16-byte block is enciphered on its own; a trailing partial block is padded with
  // zeros first. Writes length rounded up to a multiple of 16 bytes. 1 / 0.
  static int AesEcbEncrypt(const BYTE* key, DWORD keyBits, const BYTE* input, DWORD length,
                           BYTE* output);
  // Each whole block is deciphered on its own; a trailing partial block (which a well-formed
  // peer never sends) is zero-filled to 16 bytes before it is deciphered. 1 / 0.
  static int AesEcbDecrypt(const BYTE* key, DWORD keyBits, const BYTE* input, DWORD length,
                           BYTE* output);

  // The cipher keyed once for several runs over the parts of one packet, as AesEcbEncrypt or
  // AesEcbDecrypt would run over each part. It uses the context this thread keeps for the
  // direction, so it is for use right where it is made: any other run of the cipher in the same
  // direction on the same thread may key that context again.
  class Keyed {
   public:
    Keyed(const BYTE* key, DWORD keyBits, bool encrypt);
    // False when the key size is not 128, 192 or 256 bits, the key is missing or the context
    // could not be made.
    bool Usable() const { return m_context != nullptr; }
    // Runs over length bytes like AesEcbEncrypt / AesEcbDecrypt. 1 / 0.
    int Run(const BYTE* input, DWORD length, BYTE* output) const;

   private:
    void* m_context;
  };
};
