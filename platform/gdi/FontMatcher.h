// Maps the face names the program asks for to one font file on this machine, through
// fontconfig. Every face the program names ("宋体", "新宋体", "Tahoma", "MS Sans Serif", "Arial",
// "System", the stock fonts' faces, and names we do not know) must show GBK text, so all of them
// map to one CJK font with GB2312 coverage: WenQuanYi Zen Hei Sharp, whose embedded bitmap
// strikes (12 to 16 pixels) give crisp small text. The choice does not depend on which other
// fonts a machine has, nor on its fontconfig substitution rules:
//  1. the faces of that family are listed (not matched) and the one closest in weight and slant
//     wins, ties going to the lower file name and face index;
//  2. without the family (fonts-wqy-zenhei not installed): the first font, by file name and
//     index, whose coverage holds Simplified Chinese;
//  3. without any such font: fontconfig's match for "sans-serif" (GBK text then shows
//     missing-glyph boxes);
//  4. without any font at all: no file; text is laid out in blank cells half an em wide (a full
//     em for CJK) and nothing is drawn.
#pragma once

#include <string>

// The file and style that a face name and weight resolve to.
struct FontMatch {
  std::string file;        // empty when no usable font exists on the machine
  int faceIndex = 0;       // index of the face inside a collection file (.ttc)
  std::string family;      // fontconfig family name of the chosen face (UTF-8)
  int fileWeight = 400;    // weight of the face found in the file (Windows scale)
  bool emboldened = false; // bold asked for but the file has no bold face: glyphs are emboldened
  bool slanted = false;    // italic asked for but the file has no italic face: glyphs are slanted
};

class FontMatcher {
 public:
  // The family every face name maps to.
  static constexpr const char* PREFERRED_FAMILY = "WenQuanYi Zen Hei Sharp";

  // faceGbk is the LOGFONT face name in GBK; weight is on the Windows scale (0 = normal);
  // weights of 600 and more are bold. "System" (any case) is always bold, as the Windows
  // system font is. Results are cached; the call is thread-safe.
  static FontMatch Match(const std::string& faceGbk, int weight, bool italic);

  // True for the face names that stand for the system font.
  static bool IsSystemFace(const std::string& faceGbk);
};
