#include "platform/user/DialogTemplate.h"

#include <cstring>

#include "platform/base/Gbk.h"
#include "platform/user/Resources.h"

namespace {

const char* const PREDEFINED[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};

bool SameAsciiNoCase(const std::string& a, const char* b) {
  size_t n = strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

class Writer {
 public:
  void Word(WORD v) {
    m_bytes.push_back(static_cast<BYTE>(v & 0xFF));
    m_bytes.push_back(static_cast<BYTE>(v >> 8));
  }
  void Dword(DWORD v) {
    Word(static_cast<WORD>(v & 0xFFFF));
    Word(static_cast<WORD>(v >> 16));
  }
  void Short(short v) { Word(static_cast<WORD>(v)); }
  void Byte(BYTE v) { m_bytes.push_back(v); }
  // A zero-terminated UTF-16 string from GBK text.
  void String(const std::string& gbk) {
    for (wchar_t c : GbkToWide(gbk)) {
      uint32_t cp = static_cast<uint32_t>(c);
      if (cp >= 0x10000) {
        cp -= 0x10000;
        Word(static_cast<WORD>(0xD800 + (cp >> 10)));
        Word(static_cast<WORD>(0xDC00 + (cp & 0x3FF)));
      } else {
        Word(static_cast<WORD>(cp));
      }
    }
    Word(0);
  }
  // A name that may be a number: 0xFFFF and the number, else the string.
  void NameOrOrdinal(const std::optional<WORD>& ordinal, const std::string& name) {
    if (ordinal) {
      Word(0xFFFF);
      Word(*ordinal);
    } else {
      String(name);
    }
  }
  void AlignDword() {
    while (m_bytes.size() % 4) m_bytes.push_back(0);
  }
  std::vector<BYTE>& Bytes() { return m_bytes; }

 private:
  std::vector<BYTE> m_bytes;
};

class Reader {
 public:
  Reader(const BYTE* bytes, size_t size) : m_bytes(bytes), m_size(size) {}
  bool Word(WORD& v) {
    if (m_pos > m_size || m_size - m_pos < 2) return false;
    v = static_cast<WORD>(m_bytes[m_pos] | m_bytes[m_pos + 1] << 8);
    m_pos += 2;
    return true;
  }
  bool Dword(DWORD& v) {
    WORD lo, hi;
    if (!Word(lo) || !Word(hi)) return false;
    v = lo | static_cast<DWORD>(hi) << 16;
    return true;
  }
  bool Short(short& v) {
    WORD w;
    if (!Word(w)) return false;
    v = static_cast<short>(w);
    return true;
  }
  bool Byte(BYTE& v) {
    if (m_pos >= m_size) return false;
    v = m_bytes[m_pos++];
    return true;
  }
  bool String(std::string& out) {
    std::wstring wide;
    for (;;) {
      WORD u;
      if (!Word(u)) return false;
      if (u == 0) break;
      if (u >= 0xD800 && u < 0xDC00) {
        WORD lo;
        if (!Word(lo)) return false;
        if (lo < 0xDC00 || lo > 0xDFFF) {
          wide.push_back(L'\xFFFD');
          continue;
        }
        wide.push_back(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00)));
      } else {
        wide.push_back(static_cast<wchar_t>(u));
      }
    }
    out = WideToGbk(wide);
    return true;
  }
  bool NameOrOrdinal(WORD& ordinal, std::string& name) {
    WORD first;
    if (m_pos > m_size || m_size - m_pos < 2) return false;
    first = static_cast<WORD>(m_bytes[m_pos] | m_bytes[m_pos + 1] << 8);
    if (first == 0xFFFF) {
      m_pos += 2;
      return Word(ordinal);
    }
    ordinal = 0;
    return String(name);
  }
  bool Skip(size_t n) {
    if (m_pos > m_size || m_size - m_pos < n) return false;
    m_pos += n;
    return true;
  }
  void AlignDword() { m_pos = (m_pos + 3) & ~static_cast<size_t>(3); }
  const BYTE* Here() const { return m_bytes + m_pos; }

 private:
  const BYTE* m_bytes;
  size_t m_size;
  size_t m_pos = 0;
};

}  // namespace

DialogTemplate::DialogTemplate(DWORD style, short x, short y, short cx, short cy, const std::string& caption)
    : m_style(style), m_x(x), m_y(y), m_cx(cx), m_cy(cy), m_caption(caption) {}

DialogTemplate& DialogTemplate::Font(const std::string& face, WORD pointSize, WORD weight, bool italic,
                                     BYTE charSet) {
  m_style |= DS_SETFONT;
  m_face = face;
  m_pointSize = pointSize;
  m_weight = weight;
  m_italic = italic;
  m_charSet = charSet;
  return *this;
}

DialogTemplate& DialogTemplate::ExStyle(DWORD exStyle) {
  m_exStyle = exStyle;
  return *this;
}

DialogTemplate& DialogTemplate::Extended(DWORD helpId) {
  m_extended = true;
  m_helpId = helpId;
  return *this;
}

DialogTemplate& DialogTemplate::Menu(WORD id) {
  m_menuOrdinal = id;
  m_menuName.clear();
  return *this;
}

DialogTemplate& DialogTemplate::Menu(const std::string& name) {
  m_menuOrdinal.reset();
  m_menuName = name;
  return *this;
}

DialogTemplate& DialogTemplate::ClassName(const std::string& name) {
  m_className = name;
  return *this;
}

DialogTemplate& DialogTemplate::Add(const std::string& className, const std::string& text, int id, DWORD style,
                                    short x, short y, short cx, short cy, DWORD exStyle, DWORD helpId) {
  Item item;
  item.className = className;
  item.text = text;
  item.id = static_cast<DWORD>(id);
  item.style = style | WS_CHILD | WS_VISIBLE;
  item.exStyle = exStyle;
  item.helpId = helpId;
  item.x = x;
  item.y = y;
  item.cx = cx;
  item.cy = cy;
  m_items.push_back(std::move(item));
  return *this;
}

DialogTemplate& DialogTemplate::AddWithOrdinal(const std::string& className, WORD textOrdinal, int id, DWORD style,
                                               short x, short y, short cx, short cy, DWORD exStyle) {
  Add(className, "", id, style, x, y, cx, cy, exStyle);
  m_items.back().textOrdinal = textOrdinal;
  return *this;
}

DialogTemplate& DialogTemplate::Hidden() {
  if (!m_items.empty()) m_items.back().style &= ~static_cast<DWORD>(WS_VISIBLE);
  return *this;
}

DialogTemplate& DialogTemplate::Data(const std::vector<BYTE>& data) {
  if (!m_items.empty()) m_items.back().data = data;
  return *this;
}

std::vector<BYTE> DialogTemplate::Bytes() const {
  Writer w;
  const WORD count = static_cast<WORD>(m_items.size());
  if (m_extended) {
    w.Word(1);
    w.Word(0xFFFF);
    w.Dword(m_helpId);
    w.Dword(m_exStyle);
    w.Dword(m_style);
  } else {
    w.Dword(m_style);
    w.Dword(m_exStyle);
  }
  w.Word(count);
  w.Short(m_x);
  w.Short(m_y);
  w.Short(m_cx);
  w.Short(m_cy);
  if (m_menuOrdinal || !m_menuName.empty()) {
    w.NameOrOrdinal(m_menuOrdinal, m_menuName);
  } else {
    w.Word(0);
  }
  w.String(m_className);
  w.String(m_caption);
  if (m_style & DS_SETFONT) {
    w.Word(m_pointSize);
    if (m_extended) {
      w.Word(m_weight);
      w.Byte(m_italic ? 1 : 0);
      w.Byte(m_charSet);
    }
    w.String(m_face);
  }
  for (const Item& item : m_items) {
    w.AlignDword();
    if (m_extended) {
      w.Dword(item.helpId);
      w.Dword(item.exStyle);
      w.Dword(item.style);
    } else {
      w.Dword(item.style);
      w.Dword(item.exStyle);
    }
    w.Short(item.x);
    w.Short(item.y);
    w.Short(item.cx);
    w.Short(item.cy);
    if (m_extended) {
      w.Dword(item.id);
    } else {
      w.Word(static_cast<WORD>(item.id));
    }
    std::optional<WORD> classOrdinal;
    for (WORD i = 0; i < 6; ++i) {
      if (SameAsciiNoCase(item.className, PREDEFINED[i])) classOrdinal = static_cast<WORD>(0x0080 + i);
    }
    w.NameOrOrdinal(classOrdinal, item.className);
    w.NameOrOrdinal(item.textOrdinal, item.text);
    w.Word(static_cast<WORD>(item.data.size()));
    for (BYTE b : item.data) w.Byte(b);
  }
  return std::move(w.Bytes());
}

bool DialogTemplate::Register(WORD id) const { return platform::AddResource(RT_DIALOG, MAKEINTRESOURCEA(id), Bytes()); }

namespace platform {

const char* PredefinedClassName(WORD ordinal) {
  return ordinal >= 0x0080 && ordinal <= 0x0085 ? PREDEFINED[ordinal - 0x0080] : nullptr;
}

bool ParseDialogTemplate(const BYTE* bytes, size_t size, ParsedDialog& out) {
  out = ParsedDialog{};
  if (!bytes) return false;
  Reader r(bytes, size);
  WORD first = 0, second = 0;
  if (!r.Word(first) || !r.Word(second)) return false;
  out.extended = first == 1 && second == 0xFFFF;
  WORD count = 0;
  if (out.extended) {
    if (!r.Dword(out.helpId) || !r.Dword(out.exStyle) || !r.Dword(out.style)) return false;
  } else {
    out.style = first | static_cast<DWORD>(second) << 16;
    if (!r.Dword(out.exStyle)) return false;
  }
  if (!r.Word(count) || !r.Short(out.x) || !r.Short(out.y) || !r.Short(out.cx) || !r.Short(out.cy)) return false;
  // The menu: 0 for none, else a number or a name.
  if (!r.NameOrOrdinal(out.menuOrdinal, out.menuName)) return false;
  if (!r.NameOrOrdinal(out.classOrdinal, out.className)) return false;
  if (!r.String(out.caption)) return false;
  if (out.style & DS_SETFONT) {
    out.hasFont = true;
    if (!r.Word(out.pointSize)) return false;
    if (out.extended) {
      BYTE italic = 0;
      if (!r.Word(out.weight) || !r.Byte(italic) || !r.Byte(out.charSet)) return false;
      out.italic = italic != 0;
    }
    if (!r.String(out.face)) return false;
  }
  out.items.reserve(count);
  for (WORD i = 0; i < count; ++i) {
    r.AlignDword();
    ParsedDialogItem item;
    if (out.extended) {
      if (!r.Dword(item.helpId) || !r.Dword(item.exStyle) || !r.Dword(item.style)) return false;
    } else {
      if (!r.Dword(item.style) || !r.Dword(item.exStyle)) return false;
    }
    if (!r.Short(item.x) || !r.Short(item.y) || !r.Short(item.cx) || !r.Short(item.cy)) return false;
    if (out.extended) {
      if (!r.Dword(item.id)) return false;
    } else {
      WORD id;
      if (!r.Word(id)) return false;
      item.id = id;
    }
    if (!r.NameOrOrdinal(item.classOrdinal, item.className)) return false;
    if (item.classOrdinal) {
      const char* name = PredefinedClassName(item.classOrdinal);
      if (!name) return false;
      item.className = name;
    }
    if (!r.NameOrOrdinal(item.textOrdinal, item.text)) return false;
    WORD dataSize = 0;
    if (!r.Word(dataSize)) return false;
    const BYTE* data = r.Here();
    if (!r.Skip(dataSize)) return false;
    item.data.assign(data, data + dataSize);
    out.items.push_back(std::move(item));
  }
  return true;
}

}  // namespace platform
