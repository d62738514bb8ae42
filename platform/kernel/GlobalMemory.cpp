#include "platform/kernel/GlobalMemory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/base/WinError.h"

namespace {

// Sizes of the blocks handed out, so that a stray pointer is refused rather than freed.
struct Blocks {
  std::mutex lock;
  std::unordered_map<void*, SIZE_T> sizes;
};

Blocks& TheBlocks() {
  static Blocks* b = new Blocks;
  return *b;
}

bool Known(HGLOBAL block, SIZE_T* size) {
  Blocks& b = TheBlocks();
  std::lock_guard<std::mutex> g(b.lock);
  auto it = b.sizes.find(block);
  if (it == b.sizes.end()) return false;
  if (size) *size = it->second;
  return true;
}

class HGlobalStream : public IStream {
 public:
  HGlobalStream(HGLOBAL block, BOOL owns) : m_block(block), m_owns(owns) {}
  HRESULT Read(void* destination, ULONG count, ULONG* done) override {
    SIZE_T size = 0;
    if (!Known(m_block, &size)) return E_FAIL;
    const ULONGLONG left = m_position < size ? size - m_position : 0;
    const ULONG n = static_cast<ULONG>(std::min<ULONGLONG>(count, left));
    if (n > 0) std::memcpy(destination, static_cast<const BYTE*>(m_block) + m_position, n);
    m_position += n;
    if (done) *done = n;
    return n < count ? S_FALSE : S_OK;
  }
  HRESULT Write(const void* source, ULONG count, ULONG* done) override {
    // Writing stays inside the block: fixed blocks do not grow.
    SIZE_T size = 0;
    if (!Known(m_block, &size)) return E_FAIL;
    const ULONGLONG left = m_position < size ? size - m_position : 0;
    const ULONG n = static_cast<ULONG>(std::min<ULONGLONG>(count, left));
    if (n > 0) std::memcpy(static_cast<BYTE*>(m_block) + m_position, source, n);
    m_position += n;
    if (done) *done = n;
    return n < count ? STG_E_MEDIUMFULL : S_OK;
  }
  HRESULT Seek(LONGLONG offset, DWORD origin, ULONGLONG* position) override {
    const LONGLONG base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? static_cast<LONGLONG>(m_position)
                                                                                 : static_cast<LONGLONG>(Size());
    if (origin > STREAM_SEEK_END || base + offset < 0) return STG_E_INVALIDFUNCTION;
    m_position = static_cast<ULONGLONG>(base + offset);
    if (position) *position = m_position;
    return S_OK;
  }
  ULONGLONG Size() const override {
    SIZE_T size = 0;
    return Known(m_block, &size) ? size : 0;
  }
  ULONG Release() override {
    if (m_owns) GlobalFree(m_block);
    delete this;
    return 0;
  }

 private:
  HGLOBAL m_block;
  BOOL m_owns;
  ULONGLONG m_position = 0;
};

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  void* p = (flags & GMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
  if (!p) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Blocks& b = TheBlocks();
  std::lock_guard<std::mutex> g(b.lock);
  b.sizes[p] = bytes;
  return p;
}

LPVOID GlobalLock(HGLOBAL block) { return Known(block, nullptr) ? block : nullptr; }

// A fixed block has no lock count: unlocking always reports it unlocked.
BOOL GlobalUnlock(HGLOBAL) { return FALSE; }

SIZE_T GlobalSize(HGLOBAL block) {
  SIZE_T size = 0;
  return Known(block, &size) ? size : 0;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  if (!block) return nullptr;
  Blocks& b = TheBlocks();
  {
    std::lock_guard<std::mutex> g(b.lock);
    if (b.sizes.erase(block) == 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return block;
    }
  }
  std::free(block);
  return nullptr;
}

HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, IStream** stream) {
  if (!stream) return E_INVALIDARG;
  *stream = nullptr;
  if (!block) {
    block = GlobalAlloc(GMEM_FIXED, 0);
    if (!block) return E_OUTOFMEMORY;
  } else if (!Known(block, nullptr)) {
    return E_INVALIDARG;
  }
  *stream = new HGlobalStream(block, deleteOnRelease);
  return S_OK;
}
