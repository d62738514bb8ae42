// DrawText's layout as a pure function: which characters go on which line and where, the
// ellipsis, the '&' prefixes and the size DT_CALCRECT reports. Drawing (DrawTextA/W) takes the
// placed characters from here; nothing in this file touches a device context.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "platform/base/WinTypes.h"

#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_TABSTOP 0x00000080
#define DT_NOCLIP 0x00000100
#define DT_EXTERNALLEADING 0x00000200
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_INTERNAL 0x00001000
#define DT_EDITCONTROL 0x00002000
#define DT_PATH_ELLIPSIS 0x00004000
#define DT_END_ELLIPSIS 0x00008000
#define DT_MODIFYSTRING 0x00010000
#define DT_RTLREADING 0x00020000
#define DT_WORD_ELLIPSIS 0x00040000
#define DT_NOFULLWIDTHCHARBREAK 0x00080000
#define DT_HIDEPREFIX 0x00100000
#define DT_PREFIXONLY 0x00200000

struct PlacedChar {
  char32_t ch;
  int x;             // left edge of the character's cell
  int advance;
  bool underline;    // the character followed an '&' prefix
};

struct LayoutLine {
  int x = 0;         // left edge of the line
  int y = 0;         // top of the line's cells
  int width = 0;     // sum of the advances (tabs included)
  std::vector<PlacedChar> chars;
};

struct TextLayoutResult {
  std::vector<LayoutLine> lines;
  int height = 0;     // DrawText's return value
  RECT calcRect{};    // what DT_CALCRECT writes back
};

class TextLayout {
 public:
  using Advance = std::function<int(char32_t)>;

  // Lays out text in rect with DrawText's format flags. Horizontal alignment: DT_LEFT,
  // DT_CENTER, DT_RIGHT. Vertical alignment DT_VCENTER and DT_BOTTOM act with DT_SINGLELINE only.
  // Line breaks: "\r\n", "\n" and "\r" (ignored and not drawn with DT_SINGLELINE); a break at
  // the very end starts no new line. DT_WORDBREAK breaks after spaces (which the break swallows)
  // and before and after every CJK character; a word longer than the line runs past the edge,
  // except with DT_EDITCONTROL, which breaks it between characters. DT_END_ELLIPSIS cuts a line
  // that is too wide and ends it with "...". Without DT_NOPREFIX, "&x" underlines x and "&&" is
  // one '&' (DT_HIDEPREFIX removes the '&' without underlining). DT_EXPANDTABS puts tab stops
  // every 8 average character widths. The return value (height) is the height of the text, or
  // with DT_VCENTER / DT_BOTTOM when drawing, the distance from rect.top to the text's bottom;
  // empty text gives 0. DT_CALCRECT keeps left and top and sets right and bottom to bound the
  // text.
  static TextLayoutResult Layout(std::wstring_view text, const RECT& rect, UINT format, const Advance& advance,
                                 int lineHeight, int aveCharWidth);
};
