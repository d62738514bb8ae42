#include "net/CryptLayer.h"

#include <openssl/evp.h>

#include <climits>
#include <cstring>

namespace {

constexpr DWORD AES_BLOCK = 16;

// The cipher objects are fetched once per key size: fetching on every call would cost more than
// enciphering a whole packet. They live until the process ends.
struct EcbCiphers {
  const EVP_CIPHER* aes128 = EVP_CIPHER_fetch(nullptr, "AES-128-ECB", nullptr);
  const EVP_CIPHER* aes192 = EVP_CIPHER_fetch(nullptr, "AES-192-ECB", nullptr);
  const EVP_CIPHER* aes256 = EVP_CIPHER_fetch(nullptr, "AES-256-ECB", nullptr);
};

const EVP_CIPHER* EcbCipher(DWORD keyBits) {
  static const EcbCiphers ciphers;
  switch (keyBits) {
    case 128: return ciphers.aes128;
    case 192: return ciphers.aes192;
    case 256: return ciphers.aes256;
    default: return nullptr;
  }
}

// A cipher context keyed once and kept for the next call with the same key. Each thread keeps
// one per direction: a connection enciphers on the threads that send and deciphers on its worker
// thread, so every connection reuses its contexts packet after packet, and no context is ever
// shared between threads. ECB keeps no state between blocks and padding is off, so a kept
// context enciphers each call's blocks exactly as a fresh one would.
class KeyedContext {
 public:
  ~KeyedContext() { EVP_CIPHER_CTX_free(m_ctx); }
  // The context when it is keyed with this key already (a usable key size), else null.
  EVP_CIPHER_CTX* Kept(const BYTE* key, DWORD keyBits) const {
    return m_keyBits == keyBits && m_keyBits != 0 && SameKey(key, keyBits) ? m_ctx : nullptr;
  }
  EVP_CIPHER_CTX* For(const EVP_CIPHER* cipher, const BYTE* key, DWORD keyBits, bool encrypt) {
    const size_t keyBytes = keyBits / 8;
    if (m_ctx != nullptr && m_keyBits == keyBits && SameKey(key, keyBits)) return m_ctx;
    if (m_ctx == nullptr) m_ctx = EVP_CIPHER_CTX_new();
    if (m_ctx == nullptr) return nullptr;
    m_keyBits = 0;
    if (EVP_CipherInit_ex(m_ctx, cipher, nullptr, key, nullptr, encrypt ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_set_padding(m_ctx, 0) != 1) {
      return nullptr;
    }
    memcpy(m_key, key, keyBytes);
    m_keyBits = keyBits;
    return m_ctx;
  }

 private:
  // Fixed sizes, so that the comparison is a few loads instead of a call.
  bool SameKey(const BYTE* key, DWORD keyBits) const {
    switch (keyBits) {
      case 128: return memcmp(m_key, key, 16) == 0;
      case 192: return memcmp(m_key, key, 24) == 0;
      default: return memcmp(m_key, key, 32) == 0;
    }
  }

  EVP_CIPHER_CTX* m_ctx = nullptr;
  BYTE m_key[32] = {};
  DWORD m_keyBits = 0;
};

thread_local KeyedContext t_encrypt;
thread_local KeyedContext t_decrypt;

// Runs the keyed cipher over whole blocks. EVP_Cipher goes straight to the cipher's block
// routine: ECB keeps no state and padding is off, so the update call's buffering of partial
// blocks has nothing to do here and would only cost its bookkeeping on every call.
bool CipherBlocks(EVP_CIPHER_CTX* ctx, BYTE* output, const BYTE* input, DWORD length) {
  return EVP_Cipher(ctx, output, input, static_cast<unsigned>(length)) == static_cast<int>(length);
}

// The thread's context for the key and direction, keyed; null when the key is not usable.
EVP_CIPHER_CTX* KeyedFor(const BYTE* key, DWORD keyBits, bool encrypt) {
  if (key == nullptr) return nullptr;
  KeyedContext& context = encrypt ? t_encrypt : t_decrypt;
  // Packet after packet the key is the one the context holds.
  if (EVP_CIPHER_CTX* kept = context.Kept(key, keyBits)) return kept;
  const EVP_CIPHER* cipher = EcbCipher(keyBits);
  if (cipher == nullptr) return nullptr;
  return context.For(cipher, key, keyBits, encrypt);
}

// Runs the keyed cipher over length bytes, padding a trailing partial block with zeros.
int RunKeyed(EVP_CIPHER_CTX* ctx, const BYTE* input, DWORD length, BYTE* output) {
  if (ctx == nullptr || output == nullptr) return 0;
  if (input == nullptr && length != 0) return 0;
  // The cipher takes int lengths.
  if (length > static_cast<DWORD>(INT_MAX) - AES_BLOCK) return 0;
  const DWORD whole = length - length % AES_BLOCK;
  if (whole != 0 && !CipherBlocks(ctx, output, input, whole)) return 0;
  if (whole != length) {
    BYTE last[AES_BLOCK] = {};
    memcpy(last, input + whole, length - whole);
    if (!CipherBlocks(ctx, output + whole, last, AES_BLOCK)) return 0;
  }
  return 1;
}

int RunEcb(const BYTE* key, DWORD keyBits, const BYTE* input, DWORD length, BYTE* output,
           bool encrypt) {
  if (output == nullptr || (input == nullptr && length != 0)) return 0;
  return RunKeyed(KeyedFor(key, keyBits, encrypt), input, length, output);
}

}  // namespace

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

CCryptLayer::Keyed::Keyed(const BYTE* key, DWORD keyBits, bool encrypt)
    : m_context(KeyedFor(key, keyBits, encrypt)) {}

int CCryptLayer::Keyed::Run(const BYTE* input, DWORD length, BYTE* output) const {
  EVP_CIPHER_CTX* ctx = static_cast<EVP_CIPHER_CTX*>(m_context);
  // Whole blocks, the usual case, go straight to the cipher.
  if (length % AES_BLOCK == 0 && length != 0 && length <= static_cast<DWORD>(INT_MAX) - AES_BLOCK &&
      ctx != nullptr && input != nullptr && output != nullptr) {
    return CipherBlocks(ctx, output, input, length) ? 1 : 0;
  }
  return RunKeyed(ctx, input, length, output);
}
