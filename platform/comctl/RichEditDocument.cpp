#include "platform/comctl/RichEditDocument.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/base/Gbk.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Text.h"

namespace platform {

namespace {

// Tab stops every half inch at 96 pixels an inch.
constexpr int TAB_WIDTH = 48;

bool IsCjk(WCHAR c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) ||
         (c >= 0xAC00 && c <= 0xD7AF) || c == OBJECT_CHAR;
}

bool IsUrlChar(WCHAR c) {
  return c > 0x20 && c < 0x7F && c != '<' && c != '>' && c != '"' && c != '\'' && c != '{' && c != '}' &&
         c != '|' && c != '\\' && c != '^' && c != '`';
}

bool StartsWithNoCase(const std::wstring& text, size_t at, const wchar_t* prefix) {
  size_t n = std::wcslen(prefix);
  if (at + n > text.size()) return false;
  for (size_t i = 0; i < n; ++i) {
    WCHAR c = text[at + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<WCHAR>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// Twips to pixels at 96 DPI (1440 twips an inch), rounded.
int TwipsToPixels(LONG twips) { return static_cast<int>((static_cast<long long>(twips) * 96 + 720) / 1440); }

}  // namespace

RichEditDocument::RichEditDocument() {
  m_dc = CreateCompatibleDC(nullptr);
  Intern(RichCharFormat{});
}

RichEditDocument::~RichEditDocument() {
  for (Picture& p : m_pictures) p.object->Release();
  if (m_dc) {
    SelectObject(m_dc, GetStockObject(SYSTEM_FONT));
    DeleteDC(m_dc);
  }
  for (FontInfo& f : m_fonts) {
    if (f.font) DeleteObject(f.font);
  }
}

namespace {

template <class T>
void AppendBytes(std::string& key, const T& value) {
  key.append(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

uint32_t RichEditDocument::Intern(const RichCharFormat& format) {
  std::string key = format.face;
  key += '\0';
  AppendBytes(key, format.effects);
  AppendBytes(key, format.height);
  AppendBytes(key, format.offset);
  AppendBytes(key, format.color);
  AppendBytes(key, format.charSet);
  AppendBytes(key, format.pitchAndFamily);
  AppendBytes(key, format.weight);
  auto [it, added] = m_formatIndex.try_emplace(std::move(key), static_cast<uint32_t>(m_formats.size()));
  if (added) {
    m_formats.push_back(format);
    m_formatFont.push_back(-1);
  }
  return it->second;
}

std::string RichEditDocument::GetText(LONG start, LONG end, bool crlf) const {
  start = std::clamp<LONG>(start, 0, Length());
  end = std::clamp<LONG>(end, start, Length());
  std::wstring wide;
  wide.reserve(static_cast<size_t>(end - start));
  for (LONG i = start; i < end; ++i) {
    WCHAR c = m_text[static_cast<size_t>(i)];
    if (c == PARA_CHAR) {
      wide += crlf ? L"\r\n" : L"\r";
    } else if (c == OBJECT_CHAR) {
      wide += L' ';
    } else {
      wide += c;
    }
  }
  return WideToGbk(wide);
}

const RichEditDocument::Picture* RichEditDocument::PictureAt(LONG cp) const {
  auto it = std::lower_bound(m_pictures.begin(), m_pictures.end(), cp,
                             [](const Picture& p, LONG v) { return p.cp < v; });
  return (it != m_pictures.end() && it->cp == cp) ? &*it : nullptr;
}

bool RichEditDocument::Replace(LONG start, LONG end, std::wstring_view text, uint32_t formatId, IOleObject* object) {
  start = std::clamp<LONG>(start, 0, Length());
  end = std::clamp<LONG>(end, start, Length());
  Picture added{};
  if (object) {
    HBITMAP bitmap = StaticObjectBitmap(object);
    BITMAP bm{};
    if (!bitmap || GetObjectA(bitmap, sizeof bm, &bm) != sizeof bm) return false;
    added = Picture{0, object, bitmap, bm.bmWidth, bm.bmHeight};
  }
  // Pictures inside the replaced range go; those after it move.
  auto first = std::lower_bound(m_pictures.begin(), m_pictures.end(), start,
                                [](const Picture& p, LONG v) { return p.cp < v; });
  auto last = first;
  while (last != m_pictures.end() && last->cp < end) {
    last->object->Release();
    ++last;
  }
  first = m_pictures.erase(first, last);
  LONG inserted = static_cast<LONG>(text.size()) + (object ? 1 : 0);
  LONG delta = inserted - (end - start);
  for (auto it = first; it != m_pictures.end(); ++it) it->cp += delta;

  std::wstring piece(text);
  if (object) piece += OBJECT_CHAR;
  m_text.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), piece);
  m_fmt.erase(m_fmt.begin() + start, m_fmt.begin() + end);
  m_fmt.insert(m_fmt.begin() + start, piece.size(), formatId);
  m_auto.erase(m_auto.begin() + start, m_auto.begin() + end);
  m_auto.insert(m_auto.begin() + start, piece.size(), 0);
  if (object) {
    added.cp = start + static_cast<LONG>(text.size());
    m_pictures.insert(first, added);
  }
  Invalidate(start);
  return true;
}

void RichEditDocument::Invalidate(LONG cp) {
  // Back to the start of cp's paragraph; a URL may also reach back over the paragraph's text,
  // which the paragraph's layout detects again.
  LONG ps = std::min(cp, Length());
  while (ps > 0 && m_text[static_cast<size_t>(ps - 1)] != PARA_CHAR) --ps;
  auto it = std::lower_bound(m_lines.begin(), m_lines.end(), ps,
                             [](const Line& l, LONG v) { return l.start < v; });
  m_lines.erase(it, m_lines.end());
  m_layoutDone = false;
}

void RichEditDocument::SetWrapWidth(int width) {
  if (width == m_wrapWidth) return;
  m_wrapWidth = width;
  Invalidate(0);
}

void RichEditDocument::SetAutoUrlDetect(bool on) {
  if (on == m_autoUrl) return;
  m_autoUrl = on;
  // Detected addresses change no widths (they are only drawn underlined), so the lines stay;
  // the flags are found again over the whole text, as no address spans a paragraph end.
  if (on) {
    DetectUrls(0, Length());
  } else {
    std::fill(m_auto.begin(), m_auto.end(), 0);
  }
}

RichEditDocument::FontInfo& RichEditDocument::Font(uint32_t formatId) {
  int32_t slot = m_formatFont[formatId];
  if (slot >= 0) return m_fonts[static_cast<size_t>(slot)];
  const RichCharFormat& f = m_formats[formatId];
  LOGFONTA lf{};
  // Sizes are kept as given; the font is made between 1 pixel and 1638 points.
  lf.lfHeight = -std::clamp(TwipsToPixels(std::clamp<LONG>(f.height, 0, 32760)), 1, 2184);
  lf.lfWeight = (f.effects & CFE_BOLD) ? FW_BOLD : f.weight;
  lf.lfItalic = (f.effects & CFE_ITALIC) ? 1 : 0;
  lf.lfUnderline = (f.effects & (CFE_UNDERLINE | CFE_LINK)) ? 1 : 0;
  lf.lfStrikeOut = (f.effects & CFE_STRIKEOUT) ? 1 : 0;
  lf.lfCharSet = f.charSet;
  lf.lfPitchAndFamily = f.pitchAndFamily;
  std::strncpy(lf.lfFaceName, f.face.c_str(), LF_FACESIZE - 1);
  std::string key(reinterpret_cast<const char*>(&lf), offsetof(LOGFONTA, lfFaceName));
  key += lf.lfFaceName;
  auto [it, added] = m_fontIndex.try_emplace(std::move(key), static_cast<int32_t>(m_fonts.size()));
  if (added) {
    FontInfo& info = m_fonts.emplace_back();
    info.font = CreateFontIndirectA(&lf);
    SelectObject(m_dc, info.font);
    TEXTMETRICA tm{};
    GetTextMetricsA(m_dc, &tm);
    info.ascent = tm.tmAscent;
    info.descent = tm.tmDescent;
  }
  m_formatFont[formatId] = it->second;
  return m_fonts[static_cast<size_t>(it->second)];
}

int RichEditDocument::CharWidth(LONG cp, int x) {
  WCHAR c = m_text[static_cast<size_t>(cp)];
  if (c == PARA_CHAR) return 0;
  if (c == L'\t') return TAB_WIDTH - (x % TAB_WIDTH);
  if (c == OBJECT_CHAR) {
    if (const Picture* p = PictureAt(cp)) return p->width;
  }
  FontInfo& info = Font(m_fmt[static_cast<size_t>(cp)]);
  auto it = info.widths.find(c);
  if (it != info.widths.end()) return it->second;
  SelectObject(m_dc, info.font);
  SIZE size{};
  GetTextExtentPoint32W(m_dc, &c, 1, &size);
  info.widths.emplace(c, size.cx);
  return size.cx;
}

const std::vector<RichEditDocument::Line>& RichEditDocument::Lines() {
  if (!m_layoutDone) LayoutFrom();
  return m_lines;
}

int RichEditDocument::TotalHeight() {
  const auto& lines = Lines();
  return lines.empty() ? 0 : lines.back().top + lines.back().height;
}

void RichEditDocument::LayoutFrom() {
  LONG from = m_lines.empty() ? 0 : m_lines.back().end;
  int top = m_lines.empty() ? 0 : m_lines.back().top + m_lines.back().height;
  LONG length = Length();
  while (from < length) {
    size_t pe = m_text.find(PARA_CHAR, static_cast<size_t>(from));
    LONG end = pe == std::wstring::npos ? length : static_cast<LONG>(pe) + 1;
    LayoutParagraph(from, end, top);
    from = end;
  }
  // After a final paragraph end (or in an empty text) the caret has an empty line of its own.
  if (length == 0 || m_text.back() == PARA_CHAR) AddLine(length, length, top);
  m_layoutDone = true;
}

void RichEditDocument::LayoutParagraph(LONG start, LONG end, int& top) {
  ++m_paragraphsLaidOut;
  if (m_autoUrl) DetectUrls(start, end);
  LONG textEnd = (end > start && m_text[static_cast<size_t>(end - 1)] == PARA_CHAR) ? end - 1 : end;
  LONG lineStart = start;
  LONG lastBreak = -1;
  int x = 0;
  for (LONG i = start; i < textEnd; ++i) {
    WCHAR c = m_text[static_cast<size_t>(i)];
    int w = CharWidth(i, x);
    if (m_wrapWidth > 0 && x + w > m_wrapWidth && i > lineStart && c != L' ') {
      LONG brk = lastBreak > lineStart ? lastBreak : i;
      AddLine(lineStart, brk, top);
      lineStart = brk;
      lastBreak = -1;
      x = 0;
      for (LONG j = brk; j < i; ++j) x += CharWidth(j, x);
      w = CharWidth(i, x);
    }
    x += w;
    if (c == L' ' || c == L'\t') {
      lastBreak = i + 1;
    } else if (i + 1 < textEnd && (IsCjk(c) || IsCjk(m_text[static_cast<size_t>(i + 1)]))) {
      lastBreak = i + 1;
    }
  }
  AddLine(lineStart, end, top);
}

void RichEditDocument::AddLine(LONG start, LONG end, int& top) {
  int ascent = 0, descent = 0;
  LONG last = end;
  if (start == end) {
    // The empty line after the last paragraph end takes the height of that paragraph end.
    uint32_t f = start > 0 ? m_fmt[static_cast<size_t>(start - 1)] : 0;
    FontInfo& info = Font(f);
    ascent = info.ascent;
    descent = info.descent;
  }
  uint32_t lastFormat = UINT32_MAX;
  for (LONG i = start; i < last; ++i) {
    if (m_text[static_cast<size_t>(i)] == OBJECT_CHAR) {
      if (const Picture* p = PictureAt(i)) {
        ascent = std::max(ascent, p->height);
        continue;
      }
    }
    uint32_t f = m_fmt[static_cast<size_t>(i)];
    if (f == lastFormat) continue;
    lastFormat = f;
    FontInfo& info = Font(f);
    ascent = std::max(ascent, info.ascent);
    descent = std::max(descent, info.descent);
  }
  m_lines.push_back(Line{start, end, top, ascent + descent, ascent});
  top += ascent + descent;
}

void RichEditDocument::DetectUrls(LONG start, LONG end) {
  std::fill(m_auto.begin() + start, m_auto.begin() + end, 0);
  static const wchar_t* const PREFIXES[] = {L"http://", L"https://", L"ftp://", L"mailto:", L"www.", L"file://"};
  for (LONG i = start; i < end;) {
    bool atWordStart = i == start || !IsUrlChar(m_text[static_cast<size_t>(i - 1)]);
    bool found = false;
    if (atWordStart) {
      for (const wchar_t* prefix : PREFIXES) {
        if (StartsWithNoCase(m_text, static_cast<size_t>(i), prefix)) {
          found = true;
          break;
        }
      }
    }
    if (!found) {
      ++i;
      continue;
    }
    LONG j = i;
    while (j < end && IsUrlChar(m_text[static_cast<size_t>(j)])) ++j;
    // Punctuation that ends a sentence is not part of the address.
    while (j > i && std::wcschr(L".,;:!?)", m_text[static_cast<size_t>(j - 1)])) --j;
    for (LONG k = i; k < j; ++k) m_auto[static_cast<size_t>(k)] = 1;
    i = std::max(j, i + 1);
  }
}

LONG RichEditDocument::LineFromChar(LONG cp) {
  const auto& lines = Lines();
  cp = std::clamp<LONG>(cp, 0, Length());
  // The last line whose start is at or before cp.
  auto it = std::upper_bound(lines.begin(), lines.end(), cp, [](LONG v, const Line& l) { return v < l.start; });
  if (it == lines.begin()) return 0;
  LONG index = static_cast<LONG>(it - lines.begin()) - 1;
  // A position at the very end of a text that ends in a paragraph end is on the empty last line,
  // which the search finds; any other end position belongs to the line it ends.
  return index;
}

LONG RichEditDocument::LineFromY(int y) {
  const auto& lines = Lines();
  if (lines.empty()) return 0;
  auto it = std::upper_bound(lines.begin(), lines.end(), y, [](int v, const Line& l) { return v < l.top; });
  if (it == lines.begin()) return 0;
  return static_cast<LONG>(it - lines.begin()) - 1;
}

LONG RichEditDocument::CharFromPoint(int x, int y) {
  const auto& lines = Lines();
  if (lines.empty()) return 0;
  const Line line = lines[static_cast<size_t>(LineFromY(y))];
  LONG end = line.end;
  if (end > line.start && m_text[static_cast<size_t>(end - 1)] == PARA_CHAR) --end;
  int cx = 0;
  for (LONG i = line.start; i < end; ++i) {
    int w = CharWidth(i, cx);
    if (x < cx + w / 2) return i;
    cx += w;
  }
  // Past the text: the end of a paragraph's last line, or the start of the next wrapped line
  // (which is also this line's end).
  return end;
}

LONG RichEditDocument::HitChar(int x, int y) {
  const auto& lines = Lines();
  if (lines.empty() || y < 0 || y >= TotalHeight() || x < 0) return -1;
  const Line line = lines[static_cast<size_t>(LineFromY(y))];
  int cx = 0;
  for (LONG i = line.start; i < line.end; ++i) {
    if (m_text[static_cast<size_t>(i)] == PARA_CHAR) break;
    int w = CharWidth(i, cx);
    if (x < cx + w) return i;
    cx += w;
  }
  return -1;
}

POINT RichEditDocument::PointFromChar(LONG cp) {
  const auto& lines = Lines();
  cp = std::clamp<LONG>(cp, 0, Length());
  if (lines.empty()) return POINT{0, 0};
  const Line line = lines[static_cast<size_t>(LineFromChar(cp))];
  int x = 0;
  for (LONG i = line.start; i < cp && i < line.end; ++i) x += CharWidth(i, x);
  return POINT{x, line.top};
}

bool RichEditDocument::IsLink(LONG cp) const {
  if (cp < 0 || cp >= Length()) return false;
  WCHAR c = m_text[static_cast<size_t>(cp)];
  if (c == PARA_CHAR) return false;
  return (m_formats[m_fmt[static_cast<size_t>(cp)]].effects & CFE_LINK) || m_auto[static_cast<size_t>(cp)];
}

CHARRANGE RichEditDocument::LinkRange(LONG cp) const {
  if (!IsLink(cp)) return CHARRANGE{cp, cp};
  LONG a = cp, b = cp + 1;
  while (a > 0 && IsLink(a - 1)) --a;
  while (b < Length() && IsLink(b)) ++b;
  return CHARRANGE{a, b};
}

void RichEditDocument::Draw(HDC dc, const RECT& clip, int scrollY, LONG selStart, LONG selEnd, bool showSelection) {
  const auto& lines = Lines();
  if (lines.empty()) return;
  COLORREF windowText = GetSysColor(COLOR_WINDOWTEXT);
  COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  COLORREF highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(SYSTEM_FONT));
  HDC pictureDc = CreateCompatibleDC(dc);
  std::vector<INT> dx;
  std::wstring run;
  for (LONG li = LineFromY(clip.top + scrollY); li < static_cast<LONG>(lines.size()); ++li) {
    const Line line = lines[static_cast<size_t>(li)];
    int y = line.top - scrollY;
    if (y >= clip.bottom) break;
    int x = clip.left;
    LONG i = line.start;
    while (i < line.end) {
      WCHAR c = m_text[static_cast<size_t>(i)];
      bool selected = showSelection && i >= selStart && i < selEnd;
      if (c == PARA_CHAR) {
        if (selected) {
          // A selected paragraph end shows as a small highlighted box, as in the usual editors.
          RECT box{x, y, x + std::max(1, Font(m_fmt[static_cast<size_t>(i)]).ascent / 3), y + line.height};
          FillSolidRect(dc, &box, highlight);
        }
        ++i;
        continue;
      }
      if (c == OBJECT_CHAR) {
        if (const Picture* p = PictureAt(i)) {
          int py = y + line.ascent - p->height;
          HGDIOBJ old = SelectObject(pictureDc, p->bitmap);
          if (old) {
            BitBlt(dc, x, py, p->width, p->height, pictureDc, 0, 0, SRCCOPY);
            SelectObject(pictureDc, old);
          }
          if (selected) {
            RECT box{x, py, x + p->width, py + p->height};
            InvertRect(dc, &box);
          }
          x += p->width;
          ++i;
          continue;
        }
      }
      // A run: characters of one format and one selection state, up to a tab, picture or end.
      uint32_t f = m_fmt[static_cast<size_t>(i)];
      bool link = IsLink(i);
      run.clear();
      dx.clear();
      int width = 0;
      LONG j = i;
      while (j < line.end) {
        WCHAR cj = m_text[static_cast<size_t>(j)];
        if (cj == PARA_CHAR || cj == OBJECT_CHAR || m_fmt[static_cast<size_t>(j)] != f ||
            (showSelection && j >= selStart && j < selEnd) != selected || IsLink(j) != link) {
          break;
        }
        int w = CharWidth(j, x - clip.left + width);
        if (cj == L'\t') {
          run += L' ';
        } else {
          run += cj;
        }
        dx.push_back(w);
        width += w;
        ++j;
        if (cj == L'\t') break;
      }
      const DWORD effects = m_formats[f].effects;
      COLORREF colour = (effects & CFE_AUTOCOLOR) ? (link ? RGB(0, 0, 255) : windowText) : m_formats[f].color;
      uint32_t drawFormat = f;
      if (link && !(effects & (CFE_LINK | CFE_UNDERLINE))) {
        // Addresses found by the detection are drawn underlined like link text.
        RichCharFormat underlined = m_formats[f];
        underlined.effects |= CFE_UNDERLINE;
        drawFormat = Intern(underlined);
      }
      FontInfo* info = &Font(drawFormat);
      if (selected) {
        RECT box{x, y, x + width, y + line.height};
        FillSolidRect(dc, &box, highlight);
        colour = highlightText;
      }
      SelectObject(dc, info->font);
      SetTextColor(dc, colour);
      ExtTextOutW(dc, x, y + line.ascent - info->ascent, 0, nullptr, run.data(), static_cast<UINT>(run.size()),
                  dx.data());
      x += width;
      i = j;
    }
  }
  DeleteDC(pictureDc);
  SelectObject(dc, oldFont);
}

}  // namespace platform
