// The read-only log of the table chat: a rich-edit control ("RichEdit20A") that appends lines
// written in the chat markup (ChatMarkup.h), with inline pictures and linked words. Words
// formatted as links are remembered so that a click on one can be turned into its target.
#pragma once

#include "platform/comctl/RichEdit.h"
#include "platform/mfc/GdiObject.h"
#include "platform/mfc/Map.h"
#include "platform/mfc/RichEditCtrl.h"
#include "platform/mfc/String.h"

// The format of one piece of text.
struct ChatFormatRecord {
  CHARFORMAT charFormat;
  char linkTarget[256];
  int sign;  // 1: the link is opened with the user's signature appended
};

// Linked words and the formats that made them links, compared byte for byte. Entries are only
// added or overwritten; clearing the display keeps them.
class CChatWordMap : public CMap<CString, LPCTSTR, ChatFormatRecord, const ChatFormatRecord&> {
 public:
  CChatWordMap() : CMap(10) { InitHashTable(17); }
};

// Runs the framework's rich-edit initialisation and loads the rich-edit library once for the
// life of the process; 1 when the library is loaded.
int InitRichEditLibrary();

class CChatRichEdit : public CRichEditCtrl {
 public:
  CChatRichEdit();
  ~CChatRichEdit() override;

  virtual void SetAutoUrlDetect(BOOL enable);
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) override;

  void SetDefaultFont();
  void SetPictureFolder(LPCTSTR folder) { m_pictureFolder = folder; }
  void EnableLinks(BOOL enable) { m_linksEnabled = enable ? 1 : 0; }
  // The cap in twips for the size key of a tag.
  void SetLargestSize(int twips) { m_largestSize = twips; }
  int GetLargestSize() const { return m_largestSize; }

  // Appends one marked-up text at the end and scrolls to the end. Returns S_OK, or the result
  // of a picture insertion that failed: the pieces before it stay and the rest of the text is
  // not appended.
  HRESULT AppendText(LPCTSTR text);

  // The link target of a word that a tag made a link, with its sign flag; an empty text, and
  // the flag left alone, for any other word.
  CString GetLinkTarget(LPCTSTR word, int& sign) const;

 protected:
  HRESULT AppendPiece(const char* piece, size_t length);
  // Fills the record from a tag; a picture key inserts its picture at once.
  HRESULT ParseTag(const char* tag, size_t length, ChatFormatRecord& record);
  HRESULT InsertPicture(int number);

  int m_largestSize;
  CFont m_font;
  CString m_pictureFolder;
  int m_linksEnabled;
  CChatWordMap m_wordMap;

  DECLARE_MESSAGE_MAP()
};
