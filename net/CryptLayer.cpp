#include "net/CryptLayer.h"

#include <openssl/evp.h>

#include <climits>
#include <cstring>

namespace {

constexpr DWORD AES_BLOCK = 16;

// The cipher objects are fetched once per key size: fetching on every call would cost more than
// enciphering a whole packet. They live until the process ends.
const EVP_CIPHER* EcbCipher(DWORD keyBits) {
  static const EVP_CIPHER* const aes128 = EVP_CIPHER_fetch(nullptr, "AES-128-ECB", nullptr);
  static const EVP_CIPHER* const aes192 = EVP_CIPHER_fetch(nullptr, "AES-192-ECB", nullptr);
  static const EVP_CIPHER* const aes256 = EVP_CIPHER_fetch(nullptr, "AES-256-ECB", nullptr);
  switch (keyBits) {
    case 128: return aes128;
    case 192: return aes192;
    case 256: return aes256;
    default: return nullptr;
  }
}

// Runs the cipher over length bytes, padding a trailing partial block with zeros.
int RunEcb(const BYTE* key, DWORD keyBits, const BYTE* input, DWORD length, BYTE* output,
           bool encrypt) {
  const EVP_CIPHER* cipher = EcbCipher(keyBits);
  if (cipher == nullptr || key == nullptr || output == nullptr) return 0;
  if (input == nullptr && length != 0) return 0;
  // The cipher takes int lengths.
  if (length > static_cast<DWORD>(INT_MAX) - AES_BLOCK) return 0;
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  if (ctx == nullptr) return 0;
  int ok = EVP_CipherInit_ex(ctx, cipher, nullptr, key, nullptr, encrypt ? 1 : 0) == 1 &&
           EVP_CIPHER_CTX_set_padding(ctx, 0) == 1;
  const DWORD whole = length - length % AES_BLOCK;
  int written = 0;
  if (ok && whole != 0) {
    ok = EVP_CipherUpdate(ctx, output, &written, input, static_cast<int>(whole)) == 1 &&
         static_cast<DWORD>(written) == whole;
  }
  if (ok && whole != length) {
    BYTE last[AES_BLOCK] = {};
    memcpy(last, input + whole, length - whole);
    ok = EVP_CipherUpdate(ctx, output + whole, &written, last, AES_BLOCK) == 1 &&
         static_cast<DWORD>(written) == AES_BLOCK;
  }
  EVP_CIPHER_CTX_free(ctx);
  return ok ? 1 : 0;
}

}  // namespace

DWORD CCryptLayer::GetOutputSize(DWORD length) {
  const DWORD whole = length - length % AES_BLOCK;
  if (whole > 0xFFFFFFFFu - AES_BLOCK) return 0;
  return whole + AES_BLOCK;
}

int CCryptLayer::AesEcbEncrypt(const BYTE* key, DWORD keyBits, const BYTE* input, DWORD length,
                               BYTE* output) {
  return RunEcb(key, keyBits, input, length, output, true);
}

int CCryptLayer::AesEcbDecrypt(const BYTE* key, DWORD keyBits, const BYTE* input, DWORD length,
                               BYTE* output) {
  return RunEcb(key, keyBits, input, length, output, false);
}

int CCryptLayer::Transform(const BYTE* key, DWORD keyBits, const BYTE* input, DWORD length,
                           BYTE* output, DWORD* outLength, DWORD flags) {
  if ((flags & CRYPT_LAYER_FLAG) == 0 || outLength == nullptr) return 0;
  if (key == nullptr || EcbCipher(keyBits) == nullptr) return 0;
  if ((flags & (LAYER_WRAP | LAYER_UNWRAP)) == 0) return 0;
  const DWORD size = GetOutputSize(length);
  if (size == 0) return 0;
  *outLength = size;
  if (output == nullptr) return 1;
  if ((flags & LAYER_WRAP) != 0) return AesEcbEncrypt(key, keyBits, input, length, output);
  return AesEcbDecrypt(key, keyBits, input, length, output);
}
