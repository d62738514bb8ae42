// The few OLE pieces through which a program puts a picture into the rich-edit control: COM-style
// interfaces with reference counting, the rich edit's IRichEditOle (EM_GETOLEINTERFACE), static
// picture objects made from a data object's CF_BITMAP / TYMED_GDI medium, and in-memory lock
// bytes and storages for them to live in.
//
// The interfaces carry only the methods this program calls, in their usual order; the lock
// bytes, storages and client sites hold nothing a caller can read. A static object keeps its own
// bitmap (the one the data object's GetData handed out), so the caller may delete its bitmap
// once the object is made; the control holds a reference to every object it shows and releases
// it when the picture's character goes or the control is destroyed.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/gdi/Gdi.h"

typedef GUID IID;
typedef GUID CLSID;
typedef const GUID& REFIID;
typedef const GUID& REFCLSID;
typedef WORD CLIPFORMAT;

inline bool IsEqualGUID(REFIID a, REFIID b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         a.Data4[0] == b.Data4[0] && a.Data4[1] == b.Data4[1] && a.Data4[2] == b.Data4[2] &&
         a.Data4[3] == b.Data4[3] && a.Data4[4] == b.Data4[4] && a.Data4[5] == b.Data4[5] &&
         a.Data4[6] == b.Data4[6] && a.Data4[7] == b.Data4[7];
}
#define IsEqualIID IsEqualGUID
#define IsEqualCLSID IsEqualGUID
inline bool operator==(const GUID& a, const GUID& b) { return IsEqualGUID(a, b); }

extern const IID IID_IUnknown;
extern const IID IID_IDataObject;
extern const IID IID_IOleObject;
extern const IID IID_IOleClientSite;
extern const IID IID_IStorage;
extern const IID IID_ILockBytes;
extern const IID IID_IRichEditOle;
extern const CLSID CLSID_StaticDib;
extern const CLSID CLSID_NULL;

#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_UNEXPECTED ((HRESULT)0x8000FFFFL)
#define E_HANDLE ((HRESULT)0x80070006L)
#define DV_E_FORMATETC ((HRESULT)0x80040064L)
#define DV_E_TYMED ((HRESULT)0x80040069L)
#define OLE_E_STATIC ((HRESULT)0x8004000BL)
#define STG_E_INVALIDPOINTER ((HRESULT)0x80030009L)
#define STG_E_INVALIDPARAMETER ((HRESULT)0x80030057L)
#define STG_E_INVALIDFLAG ((HRESULT)0x800300FFL)

#define CF_TEXT 1
#define CF_BITMAP 2
#define CF_DIB 8

#define DVASPECT_CONTENT 1
#define DVASPECT_THUMBNAIL 2
#define DVASPECT_ICON 4
#define DVASPECT_DOCPRINT 8

#define TYMED_NULL 0
#define TYMED_HGLOBAL 1
#define TYMED_FILE 2
#define TYMED_ISTREAM 4
#define TYMED_ISTORAGE 8
#define TYMED_GDI 16
#define TYMED_MFPICT 32
#define TYMED_ENHMF 64

#define OLERENDER_NONE 0
#define OLERENDER_DRAW 1
#define OLERENDER_FORMAT 2
#define OLERENDER_ASIS 3

#define STGM_READ 0x00000000L
#define STGM_WRITE 0x00000001L
#define STGM_READWRITE 0x00000002L
#define STGM_SHARE_DENY_NONE 0x00000040L
#define STGM_SHARE_DENY_READ 0x00000030L
#define STGM_SHARE_DENY_WRITE 0x00000020L
#define STGM_SHARE_EXCLUSIVE 0x00000010L
#define STGM_CREATE 0x00001000L
#define STGM_DELETEONRELEASE 0x04000000L

// The object goes at the current selection (REOBJECT::cp).
#define REO_CP_SELECTION ((ULONG)-1L)
#define REO_IOB_SELECTION ((ULONG)-1L)
#define REO_GETOBJ_NO_INTERFACES 0x00000000L
#define REO_GETOBJ_POLEOBJ 0x00000001L
#define REO_GETOBJ_PSTG 0x00000002L
#define REO_GETOBJ_POLESITE 0x00000004L
#define REO_GETOBJ_ALL_INTERFACES 0x00000007L

struct DVTARGETDEVICE;
struct IEnumFORMATETC;
struct IEnumSTATDATA;
struct IAdviseSink;

struct SIZEL {
  LONG cx;
  LONG cy;
};

struct FORMATETC {
  CLIPFORMAT cfFormat;
  DVTARGETDEVICE* ptd;
  DWORD dwAspect;
  LONG lindex;
  DWORD tymed;
};
typedef FORMATETC* LPFORMATETC;

struct IUnknown;

struct STGMEDIUM {
  DWORD tymed;
  union {
    HBITMAP hBitmap;
    HANDLE hMetaFilePict;
    HANDLE hEnhMetaFile;
    HGLOBAL hGlobal;
    LPWSTR lpszFileName;
    void* pstm;
    void* pstg;
  };
  IUnknown* pUnkForRelease;
};
typedef STGMEDIUM* LPSTGMEDIUM;

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};
typedef IUnknown* LPUNKNOWN;

struct IDataObject : IUnknown {
  virtual HRESULT GetData(FORMATETC* format, STGMEDIUM* medium) = 0;
  virtual HRESULT GetDataHere(FORMATETC* format, STGMEDIUM* medium) = 0;
  virtual HRESULT QueryGetData(FORMATETC* format) = 0;
  virtual HRESULT GetCanonicalFormatEtc(FORMATETC* formatIn, FORMATETC* formatOut) = 0;
  virtual HRESULT SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) = 0;
  virtual HRESULT EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) = 0;
  virtual HRESULT DAdvise(FORMATETC* format, DWORD advf, IAdviseSink* sink, DWORD* connection) = 0;
  virtual HRESULT DUnadvise(DWORD connection) = 0;
  virtual HRESULT EnumDAdvise(IEnumSTATDATA** enumerator) = 0;

 protected:
  ~IDataObject() = default;
};
typedef IDataObject* LPDATAOBJECT;

// Byte arrays and storages in memory. Nothing in the program reads or writes them: they only
// give the embedded object a place, as the rich edit expects one.
struct ILockBytes : IUnknown {
 protected:
  ~ILockBytes() = default;
};
typedef ILockBytes* LPLOCKBYTES;

struct IStorage : IUnknown {
 protected:
  ~IStorage() = default;
};
typedef IStorage* LPSTORAGE;

struct IOleClientSite : IUnknown {
 protected:
  ~IOleClientSite() = default;
};
typedef IOleClientSite* LPOLECLIENTSITE;

struct IOleObject : IUnknown {
  virtual HRESULT GetUserClassID(CLSID* clsid) = 0;

 protected:
  ~IOleObject() = default;
};
typedef IOleObject* LPOLEOBJECT;

struct REOBJECT {
  DWORD cbStruct;
  LONG cp;
  CLSID clsid;
  IOleObject* poleobj;
  IStorage* pstg;
  IOleClientSite* polesite;
  SIZEL sizel;
  DWORD dvaspect;
  DWORD dwFlags;
  DWORD dwUser;
};

struct IRichEditOle : IUnknown {
  // The control's client site, with a reference for the caller.
  virtual HRESULT GetClientSite(IOleClientSite** site) = 0;
  virtual LONG GetObjectCount() = 0;
  // The object at index `index` (REO_IOB_SELECTION: the one at the selection's start); `flags`
  // say which interface pointers to fill in, each with a reference for the caller.
  virtual HRESULT GetObject(LONG index, REOBJECT* object, DWORD flags) = 0;
  // Puts the object at object->cp (REO_CP_SELECTION: replacing the selection) as one character
  // and takes a reference to it. The object must be a static picture made by
  // OleCreateStaticFromData; other objects are refused with E_INVALIDARG.
  virtual HRESULT InsertObject(REOBJECT* object) = 0;

 protected:
  ~IRichEditOle() = default;
};
typedef IRichEditOle* LPRICHEDITOLE;

// A copy of a CF_BITMAP handle (a new bitmap with the same size and pixels); null on failure or
// for other formats.
HANDLE OleDuplicateData(HANDLE source, CLIPFORMAT format, UINT flags);
// Frees what a medium holds: its release interface when it has one, else its bitmap.
void ReleaseStgMedium(STGMEDIUM* medium);
HRESULT CreateILockBytesOnHGlobal(HGLOBAL global, BOOL deleteOnRelease, ILockBytes** lockBytes);
HRESULT StgCreateDocfileOnILockBytes(ILockBytes* lockBytes, DWORD mode, DWORD reserved, IStorage** storage);
// Makes a static picture from the data object's CF_BITMAP in a TYMED_GDI medium (GetData with
// `format`); the object owns the bitmap GetData gave. `riid` must be IID_IOleObject or
// IID_IUnknown.
HRESULT OleCreateStaticFromData(IDataObject* source, REFIID riid, DWORD renderOption, FORMATETC* format,
                                IOleClientSite* site, IStorage* storage, void** object);
HRESULT OleSetContainedObject(IUnknown* object, BOOL contained);

namespace platform {

// The picture of a static object made by OleCreateStaticFromData (owned by the object), or null
// for any other object.
HBITMAP StaticObjectBitmap(IUnknown* object);
// The client site a rich-edit control hands out: an object with nothing but its references.
IOleClientSite* NewClientSite();

}  // namespace platform
