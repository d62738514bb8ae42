// The chat markup: the small tag language in which every chat line, system notice and game
// message is written. A text is cut before every '<'; each piece holds at most one tag at its
// start, and the tag's format applies to the rest of that piece only. This reader is pure: the
// chat display turns its pieces into rich-edit formats, pictures and text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/WinTypes.h"

// What one tag says. A tag always writes size, colour, face and link target, so any tag, also
// "<>" or an unknown one such as "<notify>", gives its text the plain tag format unless it says
// otherwise.
struct ChatTagFormat {
  int size = 180;  // twips
  COLORREF color = 0;
  std::string face;        // at most FACE_MAX bytes
  std::string linkTarget;  // at most LINK_MAX bytes
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool link = false;
  int sign = 0;  // 1: the link is opened with the user's signature appended
  bool hasPicture = false;
  int picture = 0;  // the picture number of a "z=" key, valid when hasPicture
};

// One piece of a marked-up text as the display appends it: an optional tag, then its text.
// A piece without a tag is drawn in the control's own default format.
struct ChatPiece {
  bool hasTag = false;
  ChatTagFormat format;
  std::string text;
};

class ChatMarkup {
 public:
  static constexpr int DEFAULT_SIZE = 180;
  static constexpr size_t FACE_MAX = 31;
  static constexpr size_t LINK_MAX = 255;
  // The default face of the markup ("宋体" in GBK).
  static const char* DefaultFace();

  // Cuts the text immediately before every '<'. The first piece is the text before the first
  // '<' and may be empty; every further piece starts with '<'.
  static std::vector<std::string_view> Cut(std::string_view text);

  // Splits a piece into its tag (up to and including the first '>') and its text. A piece that
  // does not start with '<' or holds no '>' has no tag: the whole piece is text, so a lone '<'
  // is shown as it stands.
  static bool SplitPiece(std::string_view piece, std::string_view& tag, std::string_view& text);

  // Reads a tag. A key counts only at its first occurrence and only when the character before
  // it is '<', ',' or ' '. The size is cut to largestSize; the effect letter l makes a link
  // only while links are enabled.
  static ChatTagFormat ParseTag(std::string_view tag, int largestSize, bool linksEnabled);

  // The whole reading of a text, in the order the display works: empty pieces are left out.
  static std::vector<ChatPiece> Parse(std::string_view text, int largestSize, bool linksEnabled);

  // The path of picture n in the given folder ("%s%d.bmp"). Returns false, leaving out empty,
  // when the path does not fit in outSize bytes with its terminator.
  static bool FormatPicturePath(const char* folder, int n, char* out, size_t outSize);

  // The decimal number at the start of the text as the C library's atoi reads it (leading
  // white space, a sign, digits), but saturated to the int range instead of overflowing, and
  // never reading past the view.
  static int ReadNumber(std::string_view text);
};
