#include "controls/ChatRichEdit.h"

#include <cstring>
#include <string>

#include "controls/ImageDataObject.h"
#include "controls/ChatMarkup.h"
#include "net/SystemHelpers.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"

namespace {

// Keeps the rich-edit library loaded for the life of the process and frees it at the end.
struct RichEditLibraryHolder {
  HMODULE module = nullptr;
  ~RichEditLibraryHolder() {
    if (module) FreeLibrary(module);
  }
};

RichEditLibraryHolder& LibraryHolder() {
  static RichEditLibraryHolder holder;
  return holder;
}

// Every effect bit but bold, italic, underline, link and automatic colour: all the effects of
// the piece's mask start off.
const DWORD PIECE_MASK = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_LINK | CFM_CHARSET | CFM_FACE | CFM_COLOR | CFM_SIZE;
const DWORD PIECE_EFFECTS = 0xBFFFFFD8;
const BYTE GB2312_CHARSET_ = 134;

void CopyBounded(char* destination, size_t size, const std::string& source) {
  size_t n = source.size() < size - 1 ? source.size() : size - 1;
  std::memcpy(destination, source.data(), n);
  destination[n] = '\0';
}

}  // namespace

int InitRichEditLibrary() {
  if (!AfxInitRichEdit()) return 0;
  RichEditLibraryHolder& holder = LibraryHolder();
  if (!holder.module) holder.module = LoadLibrary("RICHED20.DLL");
  return holder.module ? 1 : 0;
}

BEGIN_MESSAGE_MAP(CChatRichEdit, CRichEditCtrl)
END_MESSAGE_MAP()

CChatRichEdit::CChatRichEdit() : m_largestSize(2000), m_linksEnabled(1) {}

CChatRichEdit::~CChatRichEdit() = default;

BOOL CChatRichEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  if (!InitRichEditLibrary()) return FALSE;
  return CWnd::Create(RICHEDIT_CLASSA, nullptr, dwStyle, rect, pParentWnd, nID);
}

void CChatRichEdit::SetAutoUrlDetect(BOOL enable) { SendMessage(EM_AUTOURLDETECT, enable, 0); }

void CChatRichEdit::SetDefaultFont() {
  LOGFONT lf;
  std::memset(&lf, 0, sizeof lf);
  std::strcpy(lf.lfFaceName, ChatMarkup::DefaultFace());
  lf.lfHeight = -12;
  lf.lfWeight = 400;
  lf.lfCharSet = GB2312_CHARSET_;
  lf.lfOutPrecision = 3;
  lf.lfClipPrecision = 2;
  lf.lfQuality = 1;
  lf.lfPitchAndFamily = 2;
  m_font.DeleteObject();
  m_font.CreateFontIndirect(&lf);
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_font.GetSafeHandle()), TRUE);
}

CString CChatRichEdit::GetLinkTarget(LPCTSTR word, int& sign) const {
  ChatFormatRecord record;
  if (!word || !m_wordMap.Lookup(word, record)) return CString();
  sign = record.sign;
  return CString(record.linkTarget);
}

HRESULT CChatRichEdit::AppendText(LPCTSTR text) {
  int linesBefore = GetLineCount();
  HRESULT hr = S_OK;
  std::string_view all(text ? text : "");
  for (std::string_view piece : ChatMarkup::Cut(all)) {
    hr = AppendPiece(piece.data(), piece.size());
    if (FAILED(hr)) break;
  }
  int linesAfter = GetLineCount();
  DWORD os = 0;
  GetOsVersionFlags(&os);
  if (os < 0x10) {
    LineScroll(linesAfter - linesBefore);
  } else {
    SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
  }
  return hr;
}

HRESULT CChatRichEdit::AppendPiece(const char* piece, size_t length) {
  if (length == 0) return S_OK;

  ChatFormatRecord record;
  std::memset(&record, 0, sizeof record);
  record.charFormat.cbSize = sizeof(CHARFORMAT);
  GetDefaultCharFormat(record.charFormat);
  record.charFormat.dwMask = PIECE_MASK;
  record.charFormat.dwEffects = PIECE_EFFECTS;
  record.charFormat.bCharSet = GB2312_CHARSET_;

  std::string_view tag, body;
  if (ChatMarkup::SplitPiece(std::string_view(piece, length), tag, body)) {
    HRESULT hr = ParseTag(tag.data(), tag.size(), record);
    if (FAILED(hr)) return hr;
  }
  std::string text(body);

  SetSel(-1, -1);
  CHARRANGE before{0, 0};
  GetSel(before);
  ReplaceSel(text.c_str(), FALSE);

  if (record.charFormat.dwEffects & CFE_LINK) m_wordMap.SetAt(text.c_str(), record);

  CHARRANGE after{0, 0};
  GetSel(after);
  CHARRANGE range{before.cpMin, after.cpMax};
  SetSel(range);
  SetSelectionCharFormat(record.charFormat);
  HideSelection(TRUE, FALSE);
  return S_OK;
}

HRESULT CChatRichEdit::ParseTag(const char* tag, size_t length, ChatFormatRecord& record) {
  ChatTagFormat format = ChatMarkup::ParseTag(std::string_view(tag, length), m_largestSize, m_linksEnabled != 0);
  if (format.hasPicture) {
    HRESULT hr = InsertPicture(format.picture);
    if (FAILED(hr)) return hr;
  }
  CHARFORMAT& cf = record.charFormat;
  cf.yHeight = format.size;
  cf.crTextColor = format.color;
  CopyBounded(cf.szFaceName, sizeof cf.szFaceName, format.face);
  if (format.bold) cf.dwEffects |= CFE_BOLD;
  if (format.italic) cf.dwEffects |= CFE_ITALIC;
  if (format.underline) cf.dwEffects |= CFE_UNDERLINE;
  if (format.link) cf.dwEffects |= CFE_LINK;
  CopyBounded(record.linkTarget, sizeof record.linkTarget, format.linkTarget);
  record.sign = format.sign;
  return S_OK;
}

HRESULT CChatRichEdit::InsertPicture(int number) {
  char path[MAX_PATH];
  // A folder too long for the picture's path shows no picture, as a missing file does.
  if (!ChatMarkup::FormatPicturePath(m_pictureFolder, number, path, sizeof path)) return S_OK;
  if (!FileExists(path, 0)) return S_OK;
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImage(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  if (!bitmap) return S_OK;
  SetSel(-1, -1);
  IRichEditOle* ole = GetIRichEditOle();
  HRESULT hr = ole ? InsertBitmapIntoRichEdit(ole, bitmap) : E_NOINTERFACE;
  if (ole) ole->Release();
  // The inserted picture holds its own copy, so the loaded bitmap is freed here: one GDI object
  // per picture shown would otherwise stay behind for the life of the chat.
  DeleteObject(bitmap);
  return hr;
}
