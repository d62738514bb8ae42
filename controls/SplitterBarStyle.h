// The two halves of the styled splitter that do not need a splitter window: the size rule that
// shares a splitter's width or height among its columns or rows, and the drawing of its bars
// and outer border in the five bar styles. The splitter window calls both from its layout and
// drawing overrides.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/gdi/Gdi.h"

// The part types of a splitter's drawing, as the platform splitter numbers them.
enum SplitterPartType { SPLIT_PART_BOX = 0, SPLIT_PART_BAR = 1, SPLIT_PART_INTERSECTION = 2, SPLIT_PART_BORDER = 3 };

// What a part's drawing needs from the platform splitter's own drawing.
enum SplitterBaseDraw {
  SPLIT_DRAW_NOTHING = 0,     // this style draws nothing for the part, not even the base
  SPLIT_DRAW_BASE_ONLY = 1,   // the platform's own drawing, nothing on top
  SPLIT_DRAW_OWN_ONLY = 2,    // only the style's own drawing (PaintSplitterPart)
  SPLIT_DRAW_BASE_THEN_OWN = 3,  // the platform's drawing, then the style's own on top
};

struct SplitterBarLook {
  int style = 0;  // 0 to 4
  COLORREF color = 0;
  HBITMAP verticalBar = nullptr;    // tiled on bars higher than wide
  HBITMAP horizontalBar = nullptr;  // tiled on bars wider than high
  HBITMAP gripper = nullptr;        // style 3: copied to the bar's top-left corner
};

class SplitterBarStyle {
 public:
  // Which drawing a part gets for a style; hasDc is false when the caller only invalidates.
  static SplitterBaseDraw PlanPart(int style, int type, bool hasDc);

  // The style's own drawing of a part (bars and the outer border); the rectangle is in the
  // splitter's client coordinates, where the bar pictures are anchored.
  static void PaintPart(HDC dc, const SplitterBarLook& look, int type, const RECT& rect);

  // Tiles the bitmap over the rectangle so that its pixel (x mod width, y mod height) lands at
  // the point (x, y): neighbouring bars continue one pattern. A null or empty bitmap draws
  // nothing.
  static void TileBitmap(HDC dc, HBITMAP bitmap, const RECT& rect);

  // Shares `available` pixels among count entries of a column or row list, each with the
  // members nMinSize, nIdealSize and nCurSize; gap is the space between two entries.
  template <class Info>
  static void LayoutRowCol(Info* infos, int count, int available, int gap) {
    if (!infos || count <= 0) return;
    int left = available < 0 ? 0 : available;
    for (int i = 0; i < count; ++i) {
      Info& info = infos[i];
      bool last = i == count - 1;
      // Every entry but the last asks for its ideal size (0 when that is below its minimum);
      // the last asks for whatever remains.
      int size = last ? left : (info.nIdealSize < info.nMinSize ? 0 : info.nIdealSize);
      if (left == 0) {
        size = 0;
      } else if (left < info.nMinSize && i != 0) {
        // Too small to show: the entry disappears and its space goes to the one before it.
        size = 0;
        infos[i - 1].nCurSize += left + 2;
        left = 0;
      } else if (size != 0) {
        if (size > left) {
          size = left;
          left = 0;
        } else {
          left -= size;
        }
      }
      info.nCurSize = size;
      if (last) break;
      if (left > gap) {
        left -= gap;
      } else {
        info.nCurSize += left;
        if (info.nCurSize > gap - 2) info.nCurSize -= gap - 2;
        left = 0;
      }
    }
  }
};
