#include "platform/gdi/TextLayout.h"

#include <algorithm>

namespace {

struct Item {
  char32_t ch;
  bool underline;
};

constexpr int TAB_STOP_CHARS = 8;

bool IsSpace(char32_t c) {
  return c == ' ' || c == '\t';
}

// CJK characters (and the full-width forms) each count as a word of their own.
bool IsCjk(char32_t c) {
  return c >= 0x2E80 && !(c >= 0xFE70 && c <= 0xFEFF) && !(c >= 0xFF61 && c <= 0xFFDC && c != 0xFF5E);
}

// Splits text into its logical lines and resolves the '&' prefixes.
std::vector<std::vector<Item>> SplitLines(std::wstring_view text, UINT format) {
  std::vector<std::vector<Item>> lines(1);
  bool single = (format & DT_SINGLELINE) != 0;
  bool prefix = (format & DT_NOPREFIX) == 0;
  bool hide = (format & DT_HIDEPREFIX) != 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (!single && i + 1 < text.size()) lines.emplace_back();
      continue;
    }
    if (prefix && c == '&') {
      if (i + 1 >= text.size()) break;  // a trailing '&' prefixes nothing
      char32_t next = static_cast<char32_t>(text[i + 1]);
      if (next == '&') {
        lines.back().push_back({'&', false});
        ++i;
        continue;
      }
      if (next == '\r' || next == '\n') continue;  // nothing to underline on this line
      lines.back().push_back({next, !hide});
      ++i;
      continue;
    }
    lines.back().push_back({c, false});
  }
  return lines;
}

class LineBuilder {
 public:
  LineBuilder(const TextLayout::Advance& advance, UINT format, int aveCharWidth)
      : m_advance(advance), m_expandTabs((format & DT_EXPANDTABS) != 0),
        m_tabWidth(std::max(1, aveCharWidth * TAB_STOP_CHARS)) {}

  // The advance of item at pen position x (tabs depend on where they start).
  int Width(char32_t c, int x) const {
    if (c == '\t' && m_expandTabs) return (x / m_tabWidth + 1) * m_tabWidth - x;
    return m_advance(c);
  }

  int Measure(const std::vector<Item>& items, size_t from, size_t to) const {
    int x = 0;
    for (size_t i = from; i < to; ++i) x += Width(items[i].ch, x);
    return x;
  }

  LayoutLine Place(const std::vector<Item>& items, size_t from, size_t to) const {
    LayoutLine line;
    int x = 0;
    for (size_t i = from; i < to; ++i) {
      int w = Width(items[i].ch, x);
      if (!(items[i].ch == '\t' && m_expandTabs)) line.chars.push_back({items[i].ch, x, w, items[i].underline});
      x += w;
    }
    line.width = x;
    return line;
  }

  // Cuts a line to fit width together with "...".
  void Ellipsize(LayoutLine& line, int width) const {
    if (line.width <= width) return;
    int dots = 3 * m_advance('.');
    size_t keep = 0;
    int x = 0;
    while (keep < line.chars.size() && line.chars[keep].x + line.chars[keep].advance + dots <= width) {
      x = line.chars[keep].x + line.chars[keep].advance;
      ++keep;
    }
    line.chars.resize(keep);
    for (int i = 0; i < 3; ++i) {
      int w = m_advance('.');
      line.chars.push_back({'.', x, w, false});
      x += w;
    }
    line.width = x;
  }

 private:
  const TextLayout::Advance& m_advance;
  bool m_expandTabs;
  int m_tabWidth;
};

// Where the wrapped lines of one logical line start and end: [start, end) pairs, with the
// spaces at a break left out.
std::vector<std::pair<size_t, size_t>> WrapLine(const std::vector<Item>& items, const LineBuilder& b, int width,
                                                bool breakWords) {
  std::vector<std::pair<size_t, size_t>> out;
  size_t start = 0;
  size_t n = items.size();
  while (true) {
    // Walk units: a run of spaces, a CJK character, or a run of other characters.
    size_t pos = start;
    size_t lastEnd = start;      // end of the last unit that fits (spaces excluded)
    size_t lastNext = start;     // where the next line starts if we break there
    int x = 0;
    bool broke = false;
    while (pos < n) {
      size_t unitEnd = pos;
      bool spaces = IsSpace(items[pos].ch);
      if (spaces) {
        while (unitEnd < n && IsSpace(items[unitEnd].ch)) ++unitEnd;
      } else if (IsCjk(items[pos].ch)) {
        unitEnd = pos + 1;
      } else {
        while (unitEnd < n && !IsSpace(items[unitEnd].ch) && !IsCjk(items[unitEnd].ch)) ++unitEnd;
      }
      int ux = x;
      for (size_t i = pos; i < unitEnd; ++i) ux += b.Width(items[i].ch, ux);
      if (spaces) {
        x = ux;
        pos = unitEnd;
        lastNext = unitEnd;
        continue;
      }
      if (ux > width) {
        if (lastEnd > start) {
          out.emplace_back(start, lastEnd);
          start = lastNext;
          broke = true;
          break;
        }
        if (breakWords) {
          // Break inside the word: as many characters as fit, at least one.
          size_t cut = pos;
          int cx = x;
          while (cut < unitEnd) {
            int w = b.Width(items[cut].ch, cx);
            if (cx + w > width && cut > start) break;
            cx += w;
            ++cut;
          }
          if (cut < unitEnd) {
            out.emplace_back(start, cut);
            start = cut;
            broke = true;
            break;
          }
        }
      }
      x = ux;
      pos = unitEnd;
      lastEnd = unitEnd;
      lastNext = unitEnd;
    }
    if (broke) {
      if (start >= n) break;
      continue;
    }
    // The rest fits (or cannot be broken): trailing spaces of the last line are kept only when
    // the line has nothing else.
    out.emplace_back(start, n);
    break;
  }
  return out;
}

}  // namespace

TextLayoutResult TextLayout::Layout(std::wstring_view text, const RECT& rect, UINT format, const Advance& advance,
                                    int lineHeight, int aveCharWidth) {
  TextLayoutResult result;
  result.calcRect = rect;
  if (text.empty()) {
    result.calcRect.right = rect.left;
    result.calcRect.bottom = rect.top;
    return result;
  }
  const bool single = (format & DT_SINGLELINE) != 0;
  const bool wrap = !single && (format & DT_WORDBREAK) != 0;
  const int width = rect.right - rect.left;
  LineBuilder builder(advance, format, aveCharWidth);

  for (const std::vector<Item>& logical : SplitLines(text, format)) {
    if (wrap) {
      for (auto [from, to] : WrapLine(logical, builder, width, (format & DT_EDITCONTROL) != 0)) {
        result.lines.push_back(builder.Place(logical, from, to));
      }
    } else {
      result.lines.push_back(builder.Place(logical, 0, logical.size()));
    }
  }
  if (format & DT_END_ELLIPSIS) {
    for (LayoutLine& line : result.lines) builder.Ellipsize(line, width);
  }

  int textHeight = lineHeight * static_cast<int>(result.lines.size());
  int top = rect.top;
  if (single && (format & DT_VCENTER)) top = rect.top + (rect.bottom - rect.top - textHeight) / 2;
  else if (single && (format & DT_BOTTOM)) top = rect.bottom - textHeight;

  int maxWidth = 0;
  for (size_t i = 0; i < result.lines.size(); ++i) {
    LayoutLine& line = result.lines[i];
    int x = rect.left;
    if (format & DT_CENTER) x = rect.left + (width - line.width) / 2;
    else if (format & DT_RIGHT) x = rect.right - line.width;
    for (PlacedChar& c : line.chars) c.x += x;
    line.x = x;
    line.y = top + lineHeight * static_cast<int>(i);
    maxWidth = std::max(maxWidth, line.width);
  }

  result.calcRect.right = rect.left + maxWidth;
  result.calcRect.bottom = rect.top + textHeight;
  if ((format & DT_CALCRECT) == 0 && single && (format & (DT_VCENTER | DT_BOTTOM))) {
    result.height = top + textHeight - rect.top;
  } else {
    result.height = textHeight;
  }
  return result;
}
