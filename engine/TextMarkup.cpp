#include "engine/TextMarkup.h"

#include <cstdint>
#include <cstring>

#include "engine/EngineUtil.h"

namespace {

struct KeyName {
  const char* name;
  MarkupKey key;
};

const KeyName TEXT_MARKUP_TAGS[] = {
    {"color", MarkupKey::Color},
    {"c", MarkupKey::C},
    {"rgb", MarkupKey::Rgb},
    {"/color", MarkupKey::EndColor},
    {"size", MarkupKey::Size},
    {"/size", MarkupKey::EndSize},
    {"fontname", MarkupKey::FontName},
    {"/fontname", MarkupKey::EndFontName},
    {"bold", MarkupKey::Bold},
    {"/bold", MarkupKey::EndBold},
    {"underline", MarkupKey::Underline},
    {"/underline", MarkupKey::EndUnderline},
    {"italic", MarkupKey::Italic},
    {"/italic", MarkupKey::EndItalic},
    {"rowspace", MarkupKey::RowSpace},
    {"/rowspace", MarkupKey::EndRowSpace},
    {"pitch", MarkupKey::Pitch},
    {"/pitch", MarkupKey::EndPitch},
    {"rightmargin", MarkupKey::RightMargin},
    {"/rightmargin", MarkupKey::EndRightMargin},
    {"leftmargin", MarkupKey::LeftMargin},
    {"/leftmargin", MarkupKey::EndLeftMargin},
    {"break", MarkupKey::Break},
};

}  // namespace

size_t TextMarkup::FindTag(const char* text, size_t length, size_t pos) {
  if (!text || pos >= length || text[pos] != '<') return 0;
  const size_t limit = pos + 1 + MAX_TAG_CONTENT;
  for (size_t i = pos + 1; i < length && i <= limit; i++) {
    if (text[i] == '>') return i - pos - 1;
    if (text[i] == 0) return 0;
  }
  return 0;
}

std::string ReadTagHead(const std::string& text, size_t* pos, char separator) {
  size_t i = *pos;
  while (i < text.size() && text[i] == ' ') i++;
  const size_t end = text.find(separator, i);
  std::string head = text.substr(i, end == std::string::npos ? std::string::npos : end - i);
  *pos = end == std::string::npos ? text.size() : end + 1;
  return head;
}

std::string ReadTagKey(const char* text, size_t* consumed) {
  size_t i = 0;
  while (text[i] == ' ' || text[i] == ';') i++;
  const size_t begin = i;
  while (text[i] && text[i] != '=' && text[i] != ';') i++;
  *consumed = i;
  return std::string(text + begin, i - begin);
}

std::string ReadTagValue(const char* text, size_t* consumed) {
  size_t i = 0;
  if (text[i] != '=') {
    *consumed = 0;
    return std::string();
  }
  while (text[i] == '=' || text[i] == ' ') i++;
  const size_t begin = i;
  while (text[i] && text[i] != ';') i++;
  *consumed = i;
  return std::string(text + begin, i - begin);
}

MarkupTag TextMarkup::Read(const char* content, size_t length) {
  MarkupTag tag;
  // The content is copied into a zeroed buffer of 256 bytes, so that it ends at its first 0 byte
  // and after 255 bytes at most.
  char buffer[MAX_TAG_CONTENT + 1] = {};
  if (content) std::memcpy(buffer, content, length < MAX_TAG_CONTENT ? length : MAX_TAG_CONTENT);
  AsciiLower(buffer);
  tag.text = buffer;
  size_t pos = 0;
  const std::string head = ReadTagHead(tag.text, &pos, ':');
  if (head == "script") {
    tag.kind = MarkupTag::Script;
    return tag;
  }
  if (head == "//") {
    tag.kind = MarkupTag::Comment;
    return tag;
  }
  const size_t size = tag.text.size();
  pos = 0;
  while (pos < size) {
    size_t consumed = 0;
    MarkupItem item;
    item.key = ReadTagKey(buffer + pos, &consumed);
    pos += consumed;
    if (pos >= size) {
      // A key that reaches the end is applied once with the empty value.
      tag.items.push_back(item);
      break;
    }
    item.value = ReadTagValue(buffer + pos, &consumed);
    pos += consumed;
    tag.items.push_back(item);
  }
  if (tag.items.empty()) tag.items.push_back(MarkupItem());
  return tag;
}

MarkupKey TextMarkup::KeyOf(const std::string& key) {
  for (const KeyName& k : TEXT_MARKUP_TAGS) {
    if (key == k.name) return k.key;
  }
  return MarkupKey::None;
}

int TextMarkup::ParseNumber(const std::string& text) {
  const char* p = text.c_str();
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') p++;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; p++) {
    if (value <= 0x80000000LL) value = value * 10 + (*p - '0');
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int>(value);
}

bool TextMarkup::ParseRgb(const std::string& text, DWORD* colour) {
  std::vector<std::string> parts;
  if (SplitList(text.c_str(), parts) != 3) return false;
  const DWORD r = static_cast<DWORD>(ParseNumber(parts[0])) & 255;
  const DWORD g = static_cast<DWORD>(ParseNumber(parts[1])) & 255;
  const DWORD b = static_cast<DWORD>(ParseNumber(parts[2])) & 255;
  if (colour) *colour = r + g * 256 + b * 65536;
  return true;
}

bool TextMarkup::IsApplicable(const MarkupItem& item) {
  const MarkupKey key = KeyOf(item.key);
  if (key == MarkupKey::None) return false;
  if (key == MarkupKey::Rgb) return ParseRgb(item.value, nullptr);
  return true;
}

bool TextMarkup::IsAccepted(const MarkupTag& tag) {
  if (tag.kind != MarkupTag::Items) return true;
  return !tag.items.empty() && IsApplicable(tag.items[0]);
}
