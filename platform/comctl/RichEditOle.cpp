#include "platform/comctl/RichEditOle.h"

#include <atomic>

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDataObject = {0x0000010E, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IOleObject = {0x00000112, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IOleClientSite = {0x00000118, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IStorage = {0x0000000B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_ILockBytes = {0x0000000A, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IRichEditOle = {0x00020D00, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const CLSID CLSID_StaticDib = {0x00000316, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const CLSID CLSID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

namespace {

// Reference counting shared by the small objects below: the object frees itself when its last
// reference goes, and QueryInterface hands out itself for IUnknown and its own interface.
template <class Interface>
class RefCounted final : public Interface {
 public:
  explicit RefCounted(const IID& iid) : m_iid(iid) {}
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, m_iid)) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }

 private:
  ~RefCounted() = default;
  std::atomic<ULONG> m_refs{1};
  IID m_iid;
};

// The static picture: its class is the static-bitmap class and it owns one bitmap.
class StaticPicture final : public IOleObject {
 public:
  explicit StaticPicture(HBITMAP bitmap) : m_bitmap(bitmap) {}
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleObject)) {
      *object = static_cast<IOleObject*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }
  HRESULT GetUserClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_StaticDib;
    return S_OK;
  }
  HBITMAP Bitmap() const { return m_bitmap; }

 private:
  ~StaticPicture() {
    if (m_bitmap) DeleteObject(m_bitmap);
  }
  std::atomic<ULONG> m_refs{1};
  HBITMAP m_bitmap;
};

}  // namespace

HANDLE OleDuplicateData(HANDLE source, CLIPFORMAT format, UINT /*flags*/) {
  if (format != CF_BITMAP || !source) return nullptr;
  HBITMAP from = static_cast<HBITMAP>(source);
  BITMAP bm{};
  if (GetObjectA(from, sizeof bm, &bm) != sizeof bm || bm.bmWidth <= 0 || bm.bmHeight <= 0) return nullptr;
  // The copy is a 32-bit bitmap whatever the source's depth, so that it draws the same on any DC.
  HBITMAP copy = CreateBitmap(bm.bmWidth, bm.bmHeight, 1, 32, nullptr);
  if (!copy) return nullptr;
  HDC src = CreateCompatibleDC(nullptr);
  HDC dst = CreateCompatibleDC(nullptr);
  HGDIOBJ oldSrc = src ? SelectObject(src, from) : nullptr;
  HGDIOBJ oldDst = dst ? SelectObject(dst, copy) : nullptr;
  bool ok = oldSrc && oldDst && BitBlt(dst, 0, 0, bm.bmWidth, bm.bmHeight, src, 0, 0, SRCCOPY);
  if (oldSrc) SelectObject(src, oldSrc);
  if (oldDst) SelectObject(dst, oldDst);
  if (src) DeleteDC(src);
  if (dst) DeleteDC(dst);
  if (!ok) {
    DeleteObject(copy);
    return nullptr;
  }
  return copy;
}

void ReleaseStgMedium(STGMEDIUM* medium) {
  if (!medium) return;
  if (medium->pUnkForRelease) {
    medium->pUnkForRelease->Release();
  } else if (medium->tymed == TYMED_GDI && medium->hBitmap) {
    DeleteObject(medium->hBitmap);
  }
  medium->tymed = TYMED_NULL;
  medium->hBitmap = nullptr;
  medium->pUnkForRelease = nullptr;
}

HRESULT CreateILockBytesOnHGlobal(HGLOBAL global, BOOL /*deleteOnRelease*/, ILockBytes** lockBytes) {
  if (!lockBytes) return E_POINTER;
  *lockBytes = nullptr;
  // Existing global memory cannot be wrapped: nothing in this program has any to give.
  if (global) return E_INVALIDARG;
  *lockBytes = new RefCounted<ILockBytes>(IID_ILockBytes);
  return S_OK;
}

HRESULT StgCreateDocfileOnILockBytes(ILockBytes* lockBytes, DWORD mode, DWORD reserved, IStorage** storage) {
  if (!storage) return STG_E_INVALIDPOINTER;
  *storage = nullptr;
  if (!lockBytes) return STG_E_INVALIDPOINTER;
  if (reserved != 0) return STG_E_INVALIDPARAMETER;
  // A new storage must be writable; the mode's other bits do not matter in memory.
  if ((mode & 3) == STGM_READ) return STG_E_INVALIDFLAG;
  *storage = new RefCounted<IStorage>(IID_IStorage);
  return S_OK;
}

HRESULT OleCreateStaticFromData(IDataObject* source, REFIID riid, DWORD renderOption, FORMATETC* format,
                                IOleClientSite* /*site*/, IStorage* storage, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!source || !storage) return E_INVALIDARG;
  if (!IsEqualIID(riid, IID_IOleObject) && !IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;
  if (renderOption != OLERENDER_FORMAT && renderOption != OLERENDER_DRAW) return E_INVALIDARG;
  FORMATETC wanted{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
  if (renderOption == OLERENDER_FORMAT) {
    if (!format) return E_INVALIDARG;
    if (format->cfFormat != CF_BITMAP || !(format->tymed & TYMED_GDI)) return DV_E_FORMATETC;
    wanted = *format;
  }
  STGMEDIUM medium{};
  HRESULT hr = source->GetData(&wanted, &medium);
  if (FAILED(hr)) return hr;
  if (medium.tymed != TYMED_GDI || !medium.hBitmap || GetObjectType(medium.hBitmap) != OBJ_BITMAP) {
    ReleaseStgMedium(&medium);
    return DV_E_TYMED;
  }
  HBITMAP bitmap = medium.hBitmap;
  if (medium.pUnkForRelease) {
    // The source still owns its handle: keep a copy of our own.
    bitmap = static_cast<HBITMAP>(OleDuplicateData(medium.hBitmap, CF_BITMAP, 0));
    ReleaseStgMedium(&medium);
    if (!bitmap) return E_OUTOFMEMORY;
  }
  *object = static_cast<IOleObject*>(new StaticPicture(bitmap));
  return S_OK;
}

HRESULT OleSetContainedObject(IUnknown* object, BOOL /*contained*/) { return object ? S_OK : E_INVALIDARG; }

namespace platform {

HBITMAP StaticObjectBitmap(IUnknown* object) {
  if (!object) return nullptr;
  auto* ole = dynamic_cast<StaticPicture*>(object);
  return ole ? ole->Bitmap() : nullptr;
}

IOleClientSite* NewClientSite() { return new RefCounted<IOleClientSite>(IID_IOleClientSite); }

}  // namespace platform
