#include "controls/ImageDataObject.h"

#include <cstring>
#include <new>

CImageDataObject::CImageDataObject() : m_refCount(0), m_release(FALSE) {
  std::memset(&m_medium, 0, sizeof m_medium);
  std::memset(&m_format, 0, sizeof m_format);
}

HRESULT CImageDataObject::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_INVALIDARG;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
    *object = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CImageDataObject::AddRef() { return ++m_refCount; }

ULONG CImageDataObject::Release() {
  if (--m_refCount == 0) {
    if (m_release) ReleaseStgMedium(&m_medium);
    delete this;
    return 0;
  }
  return m_refCount;
}

HRESULT CImageDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
  if (!medium) return E_INVALIDARG;
  HANDLE copy = OleDuplicateData(m_medium.hBitmap, CF_BITMAP, 0);
  if (!copy) return E_HANDLE;
  medium->tymed = TYMED_GDI;
  medium->hBitmap = static_cast<HBITMAP>(copy);
  medium->pUnkForRelease = nullptr;
  return S_OK;
}

HRESULT CImageDataObject::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }
HRESULT CImageDataObject::QueryGetData(FORMATETC*) { return E_NOTIMPL; }
HRESULT CImageDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) { return E_NOTIMPL; }

HRESULT CImageDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL) {
  if (!format || !medium) return E_INVALIDARG;
  m_format = *format;
  m_medium = *medium;
  return S_OK;
}

HRESULT CImageDataObject::EnumFormatEtc(DWORD, IEnumFORMATETC**) { return E_NOTIMPL; }
HRESULT CImageDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return E_NOTIMPL; }
HRESULT CImageDataObject::DUnadvise(DWORD) { return E_NOTIMPL; }
HRESULT CImageDataObject::EnumDAdvise(IEnumSTATDATA**) { return E_NOTIMPL; }

HRESULT InsertBitmapIntoRichEdit(IRichEditOle* richEditOle, HBITMAP bitmap) {
  if (!richEditOle || !bitmap) return E_INVALIDARG;

  CImageDataObject* holder = new (std::nothrow) CImageDataObject;
  if (!holder) return E_OUTOFMEMORY;
  IDataObject* dataObject = nullptr;
  holder->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&dataObject));

  FORMATETC format{};
  format.cfFormat = CF_BITMAP;
  format.ptd = nullptr;
  format.dwAspect = DVASPECT_CONTENT;
  format.lindex = -1;
  format.tymed = TYMED_GDI;
  STGMEDIUM medium{};
  medium.tymed = TYMED_GDI;
  medium.hBitmap = bitmap;
  medium.pUnkForRelease = nullptr;
  dataObject->SetData(&format, &medium, TRUE);

  // Every interface taken below is released on every path, so that a failed insertion leaks
  // nothing.
  IOleClientSite* site = nullptr;
  ILockBytes* lockBytes = nullptr;
  IStorage* storage = nullptr;
  IOleObject* oleObject = nullptr;
  HRESULT hr = richEditOle->GetClientSite(&site);
  if (SUCCEEDED(hr)) hr = CreateILockBytesOnHGlobal(nullptr, TRUE, &lockBytes);
  if (SUCCEEDED(hr)) {
    hr = StgCreateDocfileOnILockBytes(lockBytes, STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_READWRITE, 0, &storage);
  }
  if (SUCCEEDED(hr)) {
    hr = OleCreateStaticFromData(dataObject, IID_IOleObject, OLERENDER_FORMAT, &format, site, storage,
                                 reinterpret_cast<void**>(&oleObject));
  }
  if (SUCCEEDED(hr)) hr = OleSetContainedObject(oleObject, TRUE);
  CLSID clsid{};
  if (SUCCEEDED(hr)) hr = oleObject->GetUserClassID(&clsid);
  if (SUCCEEDED(hr)) {
    REOBJECT reobject;
    std::memset(&reobject, 0, sizeof reobject);
    reobject.cbStruct = sizeof(REOBJECT);
    reobject.clsid = clsid;
    reobject.cp = static_cast<LONG>(REO_CP_SELECTION);
    reobject.dvaspect = DVASPECT_CONTENT;
    reobject.dwFlags = 0;
    reobject.poleobj = oleObject;
    reobject.polesite = site;
    reobject.pstg = storage;
    hr = richEditOle->InsertObject(&reobject);
  }

  if (oleObject) oleObject->Release();
  if (site) site->Release();
  if (storage) storage->Release();
  if (lockBytes) lockBytes->Release();
  dataObject->Release();
  return hr;
}
