// The text of a rich-edit control and its layout: characters with a format each, embedded
// pictures, and the wrapped lines that the control draws and hit-tests.
//
// Layout is lazy and incremental: an edit or a format change forgets the lines from the start of
// the paragraph it touched onwards, and the next question about lines lays out only those
// paragraphs again. Appending at the end therefore costs the appended paragraphs only.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/comctl/RichEdit.h"
#include "platform/comctl/RichEditOle.h"
#include "platform/gdi/Gdi.h"

namespace platform {

// The character format of one character, as the control keeps it.
struct RichCharFormat {
  DWORD effects = CFE_AUTOCOLOR;  // CFE_BOLD, CFE_ITALIC, CFE_UNDERLINE, CFE_STRIKEOUT, CFE_PROTECTED,
                                  // CFE_LINK, CFE_AUTOCOLOR
  LONG height = 180;              // twips
  LONG offset = 0;                // twips, kept and reported; the baseline is not moved
  COLORREF color = 0;
  BYTE charSet = 134;             // GB2312
  BYTE pitchAndFamily = 2;
  std::string face = "宋体";      // GBK, at most 31 bytes
  WORD weight = 400;
  bool operator==(const RichCharFormat& o) const {
    return effects == o.effects && height == o.height && offset == o.offset && color == o.color &&
           charSet == o.charSet && pitchAndFamily == o.pitchAndFamily && face == o.face && weight == o.weight;
  }
};

// The object-replacement character that stands for an embedded picture.
inline constexpr WCHAR OBJECT_CHAR = 0xFFFC;
// The paragraph end.
inline constexpr WCHAR PARA_CHAR = L'\r';

class RichEditDocument {
 public:
  struct Line {
    LONG start;   // first character
    LONG end;     // one past the last character (the paragraph end included)
    int top;      // document pixels
    int height;
    int ascent;   // baseline below top
  };
  struct Picture {
    LONG cp;
    IOleObject* object;  // one reference held
    HBITMAP bitmap;      // owned by the object
    int width;
    int height;
  };

  RichEditDocument();
  ~RichEditDocument();
  RichEditDocument(const RichEditDocument&) = delete;
  RichEditDocument& operator=(const RichEditDocument&) = delete;

  LONG Length() const { return static_cast<LONG>(m_text.size()); }
  const std::wstring& Text() const { return m_text; }
  // The GBK text of [start, end); paragraph ends become "\r\n" when crlf is set, else "\r";
  // pictures become a space.
  std::string GetText(LONG start, LONG end, bool crlf) const;

  // Formats are interned: equal formats share one id.
  uint32_t Intern(const RichCharFormat& format);
  const RichCharFormat& Format(uint32_t id) const { return m_formats[id]; }
  // The format id of the character at cp (cp within the text).
  uint32_t FormatIdAt(LONG cp) const { return m_fmt[static_cast<size_t>(cp)]; }
  bool IsAutoLink(LONG cp) const { return m_auto[static_cast<size_t>(cp)] != 0; }

  // Replaces [start, end) by text (already normalised: '\r' for paragraph ends) in one format.
  // An object, when given, becomes one OBJECT_CHAR after the text and the document takes over
  // the caller's reference. Returns false (and changes nothing) when the object is no picture.
  bool Replace(LONG start, LONG end, std::wstring_view text, uint32_t formatId, IOleObject* object = nullptr);
  // Gives every character of [start, end) the format that `change` makes of its own.
  template <class Change>
  void ChangeFormats(LONG start, LONG end, Change change) {
    if (start >= end) return;
    uint32_t lastFrom = UINT32_MAX, lastTo = 0;
    for (LONG i = start; i < end; ++i) {
      uint32_t& f = m_fmt[static_cast<size_t>(i)];
      if (f != lastFrom) {
        lastFrom = f;
        RichCharFormat next = m_formats[f];
        change(next);
        lastTo = Intern(next);
      }
      f = lastTo;
    }
    Invalidate(start);
  }

  const std::vector<Picture>& Pictures() const { return m_pictures; }
  const Picture* PictureAt(LONG cp) const;

  // Layout. Width 0 or less means no wrapping.
  void SetWrapWidth(int width);
  int WrapWidth() const { return m_wrapWidth; }
  void SetAutoUrlDetect(bool on);
  bool AutoUrlDetect() const { return m_autoUrl; }
  const std::vector<Line>& Lines();
  int TotalHeight();
  LONG LineFromChar(LONG cp);
  // The line whose band holds document y (clamped to the first and last line).
  LONG LineFromY(int y);
  // The caret position nearest to a document point.
  LONG CharFromPoint(int x, int y);
  // The character under a document point, or -1 beyond the text of its line.
  LONG HitChar(int x, int y);
  // The top-left corner of the character at cp in document pixels.
  POINT PointFromChar(LONG cp);
  // Whether the character is link text, and the extent of the link it belongs to.
  bool IsLink(LONG cp) const;
  CHARRANGE LinkRange(LONG cp) const;

  // Draws the lines that meet [top, bottom) of the document, shifted up by scrollY, into dc.
  void Draw(HDC dc, const RECT& clip, int scrollY, LONG selStart, LONG selEnd, bool showSelection);

  // How many paragraphs have been laid out since construction (tests and benchmarks).
  uint64_t ParagraphsLaidOut() const { return m_paragraphsLaidOut; }

 private:
  struct FontInfo {
    HFONT font = nullptr;
    int ascent = 0;
    int descent = 0;
    std::unordered_map<WCHAR, int> widths;
  };
  FontInfo& Font(uint32_t formatId);
  int CharWidth(LONG cp, int x);
  void Invalidate(LONG cp);
  void LayoutFrom();
  void LayoutParagraph(LONG start, LONG end, int& top);
  void DetectUrls(LONG start, LONG end);
  void AddLine(LONG start, LONG end, int& top);

  std::wstring m_text;
  std::vector<uint32_t> m_fmt;
  std::vector<uint8_t> m_auto;
  // Formats and fonts live in deques so that references to them stay valid as more are made.
  // Formats that differ only in colour or link share one font.
  std::deque<RichCharFormat> m_formats;
  std::unordered_map<std::string, uint32_t> m_formatIndex;
  std::vector<int32_t> m_formatFont;  // per format: index into m_fonts, -1 until first needed
  std::deque<FontInfo> m_fonts;
  std::unordered_map<std::string, int32_t> m_fontIndex;
  std::vector<Picture> m_pictures;  // sorted by cp
  std::vector<Line> m_lines;
  LONG m_laidOutTo = 0;  // the lines cover [0, m_laidOutTo) when m_laidOutTo < Length()
  bool m_layoutDone = false;
  int m_wrapWidth = 0;
  bool m_autoUrl = false;
  HDC m_dc = nullptr;
  uint64_t m_paragraphsLaidOut = 0;
};

}  // namespace platform
