// Fitting a short caption into a button's box: the font height, letter spacing, line spacing and
// position that make it fill the box on one line, or on two for an even number of double-byte
// characters, shortened with ".." when it cannot be made large enough.
#pragma once

#include <cstdint>

#include "platform/base/WinTypes.h"

// The layout values the fitting chooses; they go into the plane's font description.
struct CaptionFit {
  int32_t height = 0;
  int32_t pitch = 0;
  int32_t rowSpace = 0;
  int32_t leftMargin = 0;
};

// Fits the GBK caption (shortened in place when needed) into a width x height box. A margin or
// fixed height of 0 is chosen by the routine. Returns where the text goes; the left margin
// written equals the returned x.
POINT FitTextInBox(int32_t width, int32_t height, char* caption, CaptionFit* fit,
                   int32_t marginX, int32_t marginY, int32_t fixedHeight);

// Shortens a caption by one step, keeping GBK pairs whole: ".." replaces its last three or four
// bytes; a caption of 3 or 4 bytes keeps only its first character.
void ShortenCaption(char* caption);
