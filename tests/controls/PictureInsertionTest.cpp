// The data object that carries a bitmap into the rich edit, and the insertion itself.
#include <gtest/gtest.h>

#include <vector>

#include "controls/ImageDataObject.h"
#include "platform/comctl/RichEdit.h"
#include "platform/display/Display.h"
#include "platform/user/User.h"
#include "tests/controls/ControlRendering.h"

namespace {

HBITMAP SolidBitmap(int w, int h, COLORREF c) {
  std::vector<uint32_t> bits(static_cast<size_t>(w) * h, (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
  return CreateBitmap(w, h, 1, 32, bits.data());
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  return c;
}

// A data object held through its interface, as the insertion holds it.
IDataObject* NewDataObject(HBITMAP bitmap) {
  IDataObject* data = nullptr;
  CImageDataObject* object = new CImageDataObject;
  EXPECT_EQ(object->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&data)), S_OK);
  FORMATETC format{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
  STGMEDIUM medium{};
  medium.tymed = TYMED_GDI;
  medium.hBitmap = bitmap;
  EXPECT_EQ(data->SetData(&format, &medium, TRUE), S_OK);
  return data;
}

TEST(ImageDataObject, InterfacesAndReferences) {
  HBITMAP bitmap = SolidBitmap(4, 4, RGB(10, 20, 30));
  IDataObject* data = NewDataObject(bitmap);

  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(data->QueryInterface(IID_IOleObject, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(data->AddRef(), 2u);  // the refused query added no reference

  IUnknown* unknown = nullptr;
  EXPECT_EQ(data->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(data));
  EXPECT_EQ(unknown->Release(), 2u);

  FORMATETC any{};
  STGMEDIUM medium{};
  EXPECT_EQ(data->GetDataHere(&any, &medium), E_NOTIMPL);
  EXPECT_EQ(data->QueryGetData(&any), E_NOTIMPL);
  EXPECT_EQ(data->GetCanonicalFormatEtc(&any, &any), E_NOTIMPL);
  EXPECT_EQ(data->EnumFormatEtc(0, nullptr), E_NOTIMPL);
  EXPECT_EQ(data->DAdvise(&any, 0, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(data->DUnadvise(0), E_NOTIMPL);
  EXPECT_EQ(data->EnumDAdvise(nullptr), E_NOTIMPL);

  EXPECT_EQ(data->Release(), 1u);
  EXPECT_EQ(data->Release(), 0u);  // frees itself; the stored bitmap stays the caller's
  EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
  DeleteObject(bitmap);
}

TEST(ImageDataObject, GetDataAnswersAFreshCopyWhateverTheFormat) {
  HBITMAP bitmap = SolidBitmap(3, 2, RGB(200, 100, 50));
  IDataObject* data = NewDataObject(bitmap);
  FORMATETC text{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM first{}, second{};
  ASSERT_EQ(data->GetData(&text, &first), S_OK);
  ASSERT_EQ(data->GetData(&text, &second), S_OK);
  EXPECT_EQ(first.tymed, static_cast<DWORD>(TYMED_GDI));
  EXPECT_EQ(first.pUnkForRelease, nullptr);
  EXPECT_NE(first.hBitmap, bitmap);
  EXPECT_NE(first.hBitmap, second.hBitmap);
  EXPECT_EQ(PixelOf(first.hBitmap, 2, 1), RGB(200, 100, 50));
  DeleteObject(first.hBitmap);
  DeleteObject(second.hBitmap);
  data->Release();

  // Without a bitmap to copy there is nothing to hand out.
  DeleteObject(bitmap);
  IDataObject* empty = NewDataObject(bitmap);
  STGMEDIUM none{};
  EXPECT_EQ(empty->GetData(&text, &none), E_HANDLE);
  empty->Release();
}

class Insertion : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartDisplay(platform::DisplayBackend::HEADLESS);
    ASSERT_TRUE(AfxInitRichEdit());
    m_edit = CreateWindowExA(0, RICHEDIT_CLASSA, "", WS_POPUP | WS_VISIBLE | ES_MULTILINE, 0, 0, 200, 60, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_TRUE(m_edit);
    SendMessageA(m_edit, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&m_ole));
    ASSERT_TRUE(m_ole);
  }
  void TearDown() override {
    if (m_ole) m_ole->Release();
    DestroyWindow(m_edit);
  }
  HWND m_edit = nullptr;
  IRichEditOle* m_ole = nullptr;
};

TEST_F(Insertion, PictureKeepsItsOwnCopyOfTheBitmap) {
  SendMessageA(m_edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("ab"));
  HBITMAP bitmap = SolidBitmap(8, 6, RGB(0, 128, 255));
  ASSERT_EQ(InsertBitmapIntoRichEdit(m_ole, bitmap), S_OK);
  DeleteObject(bitmap);  // the caller frees its handle at once

  ASSERT_EQ(m_ole->GetObjectCount(), 1);
  REOBJECT object{};
  object.cbStruct = sizeof object;
  ASSERT_EQ(m_ole->GetObject(0, &object, REO_GETOBJ_POLEOBJ), S_OK);
  EXPECT_EQ(object.cp, 2);  // at the selection, after the text
  HBITMAP shown = platform::StaticObjectBitmap(object.poleobj);
  ASSERT_TRUE(shown);
  EXPECT_NE(shown, bitmap);
  EXPECT_EQ(PixelOf(shown, 7, 5), RGB(0, 128, 255));
  object.poleobj->Release();
}

TEST_F(Insertion, RefusedInputsInsertNothing) {
  HBITMAP bitmap = SolidBitmap(2, 2, RGB(1, 2, 3));
  EXPECT_EQ(InsertBitmapIntoRichEdit(nullptr, bitmap), E_INVALIDARG);
  EXPECT_EQ(InsertBitmapIntoRichEdit(m_ole, nullptr), E_INVALIDARG);
  DeleteObject(bitmap);
  // A handle that is no longer a bitmap fails in the data object's copy; everything taken on
  // the way is released (the sanitizer build checks that nothing leaks).
  EXPECT_EQ(InsertBitmapIntoRichEdit(m_ole, bitmap), E_HANDLE);
  EXPECT_EQ(m_ole->GetObjectCount(), 0);
}

}  // namespace
