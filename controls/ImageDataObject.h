// Puts a bitmap into a rich-edit control as an embedded static picture at the current
// selection. The control only takes embedded objects through its OLE interface, so the bitmap
// is wrapped in a minimal data object, a static object is made from it in a memory storage, and
// that object is handed to the control.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/comctl/RichEditOle.h"

// A data object for one bitmap. It always answers GetData with a fresh copy of its bitmap,
// whatever format is asked for, so the picture made from it does not depend on the bitmap the
// caller stored.
class CImageDataObject : public IDataObject {
 public:
  CImageDataObject();

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetData(FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT QueryGetData(FORMATETC* format) override;
  HRESULT GetCanonicalFormatEtc(FORMATETC* formatIn, FORMATETC* formatOut) override;
  HRESULT SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
  HRESULT EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) override;
  HRESULT DAdvise(FORMATETC* format, DWORD advf, IAdviseSink* sink, DWORD* connection) override;
  HRESULT DUnadvise(DWORD connection) override;
  HRESULT EnumDAdvise(IEnumSTATDATA** enumerator) override;

 protected:
  virtual ~CImageDataObject() = default;

 private:
  ULONG m_refCount;
  BOOL m_release;  // never set: the stored medium stays the caller's
  STGMEDIUM m_medium;
  FORMATETC m_format;
};

// Inserts the bitmap at the control's selection. Returns S_OK, or the result code of the step
// that failed, in which case nothing was inserted and every interface taken on the way has been
// released again. The caller keeps its bitmap and may delete it at once: the inserted picture
// holds its own copy.
HRESULT InsertBitmapIntoRichEdit(IRichEditOle* richEditOle, HBITMAP bitmap);
