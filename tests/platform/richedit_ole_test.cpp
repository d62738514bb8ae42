// Pictures in the rich-edit control through the OLE pieces, written the way the chat display
// inserts them, and a rendered chat log for a person to look at
// (build/tests/richedit-renderings/chat-log.png).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/comctl/RichEdit.h"
#include "platform/comctl/RichEditOle.h"
#include "platform/display/Display.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "tests/platform/PaintTestSupport.h"

namespace {

using painttest::Pump;

// A data object for one bitmap, as the chat display's picture insertion has it.
class ImageDataObject final : public IDataObject {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
      *object = static_cast<IDataObject*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    if (--m_refs == 0) {
      ++s_freed;
      delete this;
      return 0;
    }
    return m_refs;
  }
  HRESULT GetData(FORMATETC*, STGMEDIUM* medium) override {
    HANDLE copy = OleDuplicateData(m_medium.hBitmap, CF_BITMAP, 0);
    if (!copy) return E_HANDLE;
    medium->tymed = TYMED_GDI;
    medium->hBitmap = static_cast<HBITMAP>(copy);
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
  HRESULT GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT SetData(FORMATETC* format, STGMEDIUM* medium, BOOL) override {
    m_format = *format;
    m_medium = *medium;
    return S_OK;
  }
  HRESULT EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  HRESULT DUnadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

  static int s_freed;

 private:
  ~ImageDataObject() = default;
  ULONG m_refs = 0;
  STGMEDIUM m_medium{};
  FORMATETC m_format{};
};
int ImageDataObject::s_freed = 0;

// The insertion steps in their order; returns the first failing result.
HRESULT InsertBitmap(IRichEditOle* ole, HBITMAP bitmap) {
  auto* created = new ImageDataObject;
  IDataObject* data = nullptr;
  created->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&data));
  FORMATETC format{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
  STGMEDIUM medium{};
  medium.tymed = TYMED_GDI;
  medium.hBitmap = bitmap;
  data->SetData(&format, &medium, TRUE);
  IOleClientSite* site = nullptr;
  ole->GetClientSite(&site);
  ILockBytes* bytes = nullptr;
  HRESULT hr = CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes);
  IStorage* storage = nullptr;
  if (SUCCEEDED(hr)) hr = StgCreateDocfileOnILockBytes(bytes, STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_READWRITE, 0, &storage);
  IOleObject* object = nullptr;
  if (SUCCEEDED(hr)) {
    hr = OleCreateStaticFromData(data, IID_IOleObject, OLERENDER_FORMAT, &format, site, storage,
                                 reinterpret_cast<void**>(&object));
  }
  if (SUCCEEDED(hr)) hr = OleSetContainedObject(object, TRUE);
  REOBJECT reobject{};
  if (SUCCEEDED(hr)) {
    reobject.cbStruct = sizeof reobject;
    hr = object->GetUserClassID(&reobject.clsid);
  }
  if (SUCCEEDED(hr)) {
    reobject.cp = static_cast<LONG>(REO_CP_SELECTION);
    reobject.dvaspect = DVASPECT_CONTENT;
    reobject.poleobj = object;
    reobject.pstg = storage;
    reobject.polesite = site;
    hr = ole->InsertObject(&reobject);
  }
  if (object) object->Release();
  if (site) site->Release();
  if (storage) storage->Release();
  if (bytes) bytes->Release();
  data->Release();
  return hr;
}

HBITMAP SolidBitmap(int w, int h, COLORREF colour, COLORREF border) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bm = CreateBitmap(w, h, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bm);
  RECT all{0, 0, w, h};
  FillSolidRect(dc, &all, border);
  RECT inner{2, 2, w - 2, h - 2};
  FillSolidRect(dc, &inner, colour);
  SelectObject(dc, old);
  DeleteDC(dc);
  return bm;
}

CHARFORMATA Format(LONG height, COLORREF colour, DWORD effects) {
  CHARFORMATA cf{};
  cf.cbSize = sizeof cf;
  cf.dwMask = 0xE8000027;
  cf.dwEffects = effects;
  cf.yHeight = height;
  cf.crTextColor = colour;
  cf.bCharSet = 134;
  std::strcpy(cf.szFaceName, "宋体");
  return cf;
}

class RichEditOleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartDisplay(platform::DisplayBackend::HEADLESS);
    ASSERT_TRUE(AfxInitRichEdit());
    painttest::RegisterClasses();
  }
  void TearDown() override {
    if (m_parent) DestroyWindow(m_parent);
    Pump();
  }
  HWND Make(int width, int height, DWORD style) {
    m_parent = painttest::Make(WS_POPUP | WS_VISIBLE, 50, 400, width, height);
    HWND edit = CreateWindowExA(0, "RichEdit20A", nullptr, style, 0, 0, width, height, m_parent, nullptr, nullptr,
                                nullptr);
    EXPECT_NE(nullptr, edit);
    Pump();
    return edit;
  }
  static void Append(HWND edit, const char* text, const CHARFORMATA& format) {
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    CHARRANGE before{};
    SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&before));
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    CHARRANGE added{before.cpMin, -1};
    SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&added));
    SendMessageA(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageA(edit, EM_HIDESELECTION, TRUE, 0);
  }
  static IRichEditOle* Ole(HWND edit) {
    IRichEditOle* ole = nullptr;
    EXPECT_TRUE(SendMessageA(edit, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole)));
    return ole;
  }
  HWND m_parent = nullptr;
};

TEST_F(RichEditOleTest, DataObjectAnswersAsCom) {
  auto* data = new ImageDataObject;
  IDataObject* as = nullptr;
  ASSERT_EQ(S_OK, data->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&as)));
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, as->QueryInterface(IID_IOleObject, &other));
  EXPECT_EQ(nullptr, other);
  HBITMAP bm = SolidBitmap(4, 4, RGB(1, 2, 3), RGB(1, 2, 3));
  FORMATETC format{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
  STGMEDIUM medium{};
  medium.tymed = TYMED_GDI;
  medium.hBitmap = bm;
  as->SetData(&format, &medium, TRUE);
  // Every GetData gives a new copy, whatever is asked for.
  FORMATETC text{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM a{}, b{};
  ASSERT_EQ(S_OK, as->GetData(&format, &a));
  ASSERT_EQ(S_OK, as->GetData(&text, &b));
  EXPECT_NE(a.hBitmap, b.hBitmap);
  EXPECT_NE(bm, a.hBitmap);
  ReleaseStgMedium(&a);
  ReleaseStgMedium(&b);
  int freed = ImageDataObject::s_freed;
  EXPECT_EQ(0u, as->Release());
  EXPECT_EQ(freed + 1, ImageDataObject::s_freed);
  DeleteObject(bm);
}

TEST_F(RichEditOleTest, InsertedPictureKeepsItsOwnCopy) {
  HWND edit = Make(200, 80, WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY);
  Append(edit, "ab", Format(180, 0, 0));
  IRichEditOle* ole = Ole(edit);
  ASSERT_NE(nullptr, ole);
  HBITMAP bm = SolidBitmap(20, 24, RGB(0, 200, 0), RGB(0, 200, 0));
  SendMessageA(edit, EM_SETSEL, 1, 1);
  ASSERT_EQ(S_OK, InsertBitmap(ole, bm));
  // The caller's bitmap may go at once: the control draws its own copy.
  EXPECT_TRUE(DeleteObject(bm));
  EXPECT_EQ(1, ole->GetObjectCount());
  GETTEXTLENGTHEX chars{GTL_NUMCHARS, 936};
  EXPECT_EQ(3, SendMessageA(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&chars), 0));
  CHARRANGE sel{};
  SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
  EXPECT_EQ(2, sel.cpMin);  // the caret after the picture
  // The line is as tall as the picture; the picture sits on the baseline.
  POINTL pl{};
  SendMessageA(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&pl), 1);
  UpdateWindow(edit);
  EXPECT_EQ(RGB(0, 200, 0), painttest::PixelAt(edit, pl.x + 10, pl.y + 12));
  POINTL after{};
  SendMessageA(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&after), 2);
  EXPECT_EQ(pl.x + 20, after.x);

  // The control holds one reference to the object and lets it go with the window.
  REOBJECT info{};
  info.cbStruct = sizeof info;
  ASSERT_EQ(S_OK, ole->GetObject(0, &info, REO_GETOBJ_POLEOBJ));
  EXPECT_EQ(1, info.cp);
  EXPECT_EQ(20, info.sizel.cx);
  HBITMAP copy = platform::StaticObjectBitmap(info.poleobj);
  EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), GetObjectType(copy));
  DestroyWindow(m_parent);
  m_parent = nullptr;
  EXPECT_EQ(S_OK, ole->GetObjectCount() == 0 ? S_OK : E_FAIL);
  EXPECT_EQ(0u, info.poleobj->Release());
  EXPECT_EQ(0u, GetObjectType(copy));  // the copy went with the last reference
  // The interface outlives the window, but refuses work.
  IOleClientSite* site = nullptr;
  EXPECT_EQ(E_UNEXPECTED, ole->GetClientSite(&site));
  EXPECT_EQ(0u, ole->Release());
}

TEST_F(RichEditOleTest, FailuresInsertNothing) {
  HWND edit = Make(200, 80, WS_CHILD | WS_VISIBLE | ES_MULTILINE);
  IRichEditOle* ole = Ole(edit);
  // A data object without a bitmap: GetData's E_HANDLE comes back, nothing is inserted.
  EXPECT_EQ(E_HANDLE, InsertBitmap(ole, nullptr));
  EXPECT_EQ(0, ole->GetObjectCount());
  EXPECT_EQ(0, SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0));
  // Storage arguments are checked.
  ILockBytes* bytes = nullptr;
  ASSERT_EQ(S_OK, CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes));
  IStorage* storage = nullptr;
  EXPECT_EQ(STG_E_INVALIDPARAMETER, StgCreateDocfileOnILockBytes(bytes, 0x1012, 5, &storage));
  EXPECT_EQ(nullptr, storage);
  EXPECT_EQ(0u, bytes->Release());
  // An object of the wrong size record is refused.
  REOBJECT bad{};
  bad.cbStruct = 12;
  EXPECT_EQ(E_INVALIDARG, ole->InsertObject(&bad));
  ole->Release();
}

TEST_F(RichEditOleTest, RendersAChatLog) {
  HWND edit = Make(300, 220, WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL);
  HFONT font = CreateFontA(-12, 0, 0, 0, 400, 0, 0, 0, 134, 3, 2, 1, 2, "宋体");
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  SendMessageA(edit, EM_SETBKGNDCOLOR, 0, RGB(255, 255, 240));
  IRichEditOle* ole = Ole(edit);
  Append(edit, " 欢迎来到", Format(180, 0, 0));
  Append(edit, "四人麻将一号房\r\n", Format(180, 10715996, CFE_BOLD));
  Append(edit, " 您的位置：城东 第3桌\r\n", Format(180, 0, 0));
  Append(edit, " 我说：", Format(180, 0, 0));
  Append(edit, "大家好，今天手气怎么样？", Format(180, 8421440, 0));
  Append(edit, "\r\n", Format(180, 0, 0));
  Append(edit, " 张三说：", Format(180, 0, 0));
  SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), -1);
  HBITMAP face1 = SolidBitmap(24, 24, RGB(255, 200, 0), RGB(200, 80, 0));
  ASSERT_EQ(S_OK, InsertBitmap(ole, face1));
  DeleteObject(face1);
  Append(edit, " 还不错 ", Format(180, 0, 0));
  SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), -1);
  HBITMAP face2 = SolidBitmap(20, 20, RGB(120, 180, 255), RGB(0, 0, 160));
  ASSERT_EQ(S_OK, InsertBitmap(ole, face2));
  DeleteObject(face2);
  Append(edit, "\r\n", Format(180, 0, 0));
  Append(edit, "【系统】", Format(180, 255, 0));
  Append(edit, "活动详情请点击", Format(180, 0, 0));
  Append(edit, "这里", Format(180, RGB(0, 0, 255), CFE_LINK));
  Append(edit, "查看，奖励丰厚，名额有限，先到先得，a long tail to wrap the line\r\n", Format(180, 0, 0));
  Append(edit, " 李四", Format(240, RGB(230, 0, 160), CFE_BOLD | CFE_ITALIC));
  Append(edit, "进入第5桌 \r\n", Format(180, 255, 0));
  for (int i = 0; i < 12; ++i) {
    Append(edit, (" 记录 " + std::to_string(i) + " underline\r\n").c_str(), Format(180, RGB(0, 100, 0), CFE_UNDERLINE));
  }
  SendMessageA(edit, WM_VSCROLL, SB_TOP, 0);
  UpdateWindow(m_parent);
  UpdateWindow(edit);
  EXPECT_TRUE(painttest::SaveWindowPng(edit, "chat-log"));
  SendMessageA(edit, WM_VSCROLL, SB_BOTTOM, 0);
  GETTEXTLENGTHEX chars{GTL_NUMCHARS, 936};
  LONG length = static_cast<LONG>(SendMessageA(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&chars), 0));
  SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(length - 60), length - 35);
  SendMessageA(edit, EM_HIDESELECTION, FALSE, 0);
  SetFocus(edit);
  UpdateWindow(edit);
  EXPECT_TRUE(painttest::SaveWindowPng(edit, "chat-log-bottom"));
  ole->Release();
  DeleteObject(font);
}

}  // namespace
