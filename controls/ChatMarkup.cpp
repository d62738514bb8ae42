#include "controls/ChatMarkup.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/base/Gbk.h"

namespace {

// Finds a key as the markup's writers place it: its first occurrence counts, and only when it
// follows the tag's '<', a ',' or a ' '. A later, well-placed occurrence is not looked for, so
// that tags keep reading as they always have.
size_t FindKey(std::string_view tag, std::string_view key) {
  size_t pos = tag.find(key);
  if (pos == std::string_view::npos || pos == 0) return std::string_view::npos;
  char before = tag[pos - 1];
  if (before != '<' && before != ',' && before != ' ') return std::string_view::npos;
  return pos + key.size();
}

// The value of a text key: from just after the key up to the first ',' after it, or when there
// is none up to the first '>' after it.
std::string_view KeyValue(std::string_view tag, size_t start) {
  size_t end = tag.find(',', start);
  if (end == std::string_view::npos) end = tag.find('>', start);
  if (end == std::string_view::npos) end = tag.size();
  return tag.substr(start, end - start);
}

// Cuts a value to at most max bytes without splitting a double-byte character.
std::string Bounded(std::string_view value, size_t max) {
  size_t n = value.size() < max ? value.size() : max;
  return std::string(value.substr(0, GbkSafeCut(value.data(), n)));
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

const char* ChatMarkup::DefaultFace() { return "宋体"; }

int ChatMarkup::ReadNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) return static_cast<int>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

std::vector<std::string_view> ChatMarkup::Cut(std::string_view text) {
  std::vector<std::string_view> pieces;
  size_t next = text.find('<');
  pieces.push_back(text.substr(0, next));
  while (next != std::string_view::npos) {
    size_t start = next;
    next = text.find('<', start + 1);
    pieces.push_back(text.substr(start, next == std::string_view::npos ? next : next - start));
  }
  return pieces;
}

bool ChatMarkup::SplitPiece(std::string_view piece, std::string_view& tag, std::string_view& text) {
  size_t close = piece.find('>');
  if (piece.empty() || piece[0] != '<' || close == std::string_view::npos) {
    tag = std::string_view();
    text = piece;
    return false;
  }
  tag = piece.substr(0, close + 1);
  text = piece.substr(close + 1);
  return true;
}

ChatTagFormat ChatMarkup::ParseTag(std::string_view tag, int largestSize, bool linksEnabled) {
  ChatTagFormat format;
  format.face = DefaultFace();

  size_t at = FindKey(tag, "s=");
  if (at != std::string_view::npos) {
    format.size = ReadNumber(tag.substr(at));
    if (format.size > largestSize) format.size = largestSize;
  }
  at = FindKey(tag, "c=");
  if (at != std::string_view::npos) format.color = static_cast<COLORREF>(ReadNumber(tag.substr(at)));
  at = FindKey(tag, "f=");
  if (at != std::string_view::npos) format.face = Bounded(KeyValue(tag, at), FACE_MAX);
  at = FindKey(tag, "l=");
  if (at != std::string_view::npos) format.linkTarget = Bounded(KeyValue(tag, at), LINK_MAX);
  at = FindKey(tag, "e=");
  if (at != std::string_view::npos) {
    for (char letter : KeyValue(tag, at)) {
      switch (letter) {
        case 'u': format.underline = true; break;
        case 'b': format.bold = true; break;
        case 'i': format.italic = true; break;
        case 'l': format.link = format.link || linksEnabled; break;
        case 'p': format.sign = 1; break;
        default: break;
      }
    }
  }
  at = FindKey(tag, "z=");
  if (at != std::string_view::npos) {
    // The picture number is at most three characters, and never read past the tag's end: a
    // tag such as "<z=5>" gives 5, "<z=1234>" gives 123.
    std::string_view digits = tag.substr(at, 3);
    format.hasPicture = true;
    format.picture = ReadNumber(digits);
  }
  return format;
}

std::vector<ChatPiece> ChatMarkup::Parse(std::string_view text, int largestSize, bool linksEnabled) {
  std::vector<ChatPiece> out;
  for (std::string_view piece : Cut(text)) {
    if (piece.empty()) continue;
    ChatPiece result;
    std::string_view tag, body;
    result.hasTag = SplitPiece(piece, tag, body);
    if (result.hasTag) result.format = ParseTag(tag, largestSize, linksEnabled);
    result.text = std::string(body);
    out.push_back(std::move(result));
  }
  return out;
}

bool ChatMarkup::FormatPicturePath(const char* folder, int n, char* out, size_t outSize) {
  if (!out || outSize == 0) return false;
  int written = std::snprintf(out, outSize, "%s%d.bmp", folder ? folder : "", n);
  if (written < 0 || static_cast<size_t>(written) >= outSize) {
    out[0] = '\0';
    return false;
  }
  return true;
}
