#include "engine/CaptionFit.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsLead(char c) { return static_cast<unsigned char>(c) >= 0x80; }

}  // namespace

void ShortenCaption(char* caption) {
  const size_t n = std::strlen(caption);
  if (n == 3 || n == 4) {
    caption[IsLead(caption[0]) ? 2 : 1] = 0;
    return;
  }
  if (n < 3) return;
  int k = 0;
  for (size_t i = n - std::min<size_t>(n, 4); i < n; ++i) k += IsLead(caption[i]) ? 1 : 0;
  const size_t cut = (k % 2 == 1) ? n - 3 : n - 4;
  caption[cut] = '.';
  caption[cut + 1] = '.';
  caption[cut + 2] = 0;
}

POINT FitTextInBox(int32_t w, int32_t h, char* caption, CaptionFit* fit, int32_t mx, int32_t my,
                   int32_t fh) {
  POINT result{0, 0};
  if (caption == nullptr || fit == nullptr) return result;
  bool shortened = false;
  // Each pass either returns or shortens the caption, so the passes are bounded by its length.
  for (;;) {
    const int32_t n = static_cast<int32_t>(std::strlen(caption));
    if (n == 0) return result;
    int32_t hm = mx;
    int32_t vm = my;
    int32_t s = mx ? 2 * (w - 2 * hm) / n : 2 * w / (n + 2);
    const int32_t limit = my ? h - 2 * vm : static_cast<int32_t>(h / 1.5);
    s = std::min(s, limit);
    if (!mx) hm = s / 2;
    if (!my) vm = s / 4;
    int32_t height = (fh ? fh : s) / 2 * 2;
    const int32_t minHeight = std::max(12, h < w ? h / 5 : w / 5);
    if (fh) {
      bool emptied = false;
      while ((w - 2 * hm) - height * static_cast<int32_t>(std::strlen(caption)) / 2 < 0) {
        if (std::strlen(caption) < 3) {
          caption[0] = 0;
          emptied = true;
          break;
        }
        ShortenCaption(caption);
        shortened = true;
      }
      if (emptied) return result;
    }
    const int32_t len = static_cast<int32_t>(std::strlen(caption));
    int32_t singles = 0;
    int32_t doubles = 0;
    for (int32_t i = 0; i < len;) {
      if (IsLead(caption[i]) && i + 1 < len) {
        ++doubles;
        i += 2;
      } else {
        ++singles;
        i += 1;
      }
    }
    const bool hasSingle = singles > 0;
    // Every character after the first weighs 1 when single-byte and 2 when double-byte.
    int32_t S = singles;
    int32_t D = doubles;
    if (IsLead(caption[0]) && len > 1) {
      --D;
    } else {
      --S;
    }
    const int32_t G = S + 2 * D;
    int32_t x = std::max(hm, (w - height * len / 2) / (G + 2));
    int32_t y = (h - height) / 2;
    int32_t pitch = 0;
    if ((len > 2 || (len > 1 && hasSingle)) && G > 0) pitch = ((w - 2 * x) - height * len / 2) / G;
    x = (w - pitch * G - height * len / 2) / 2;
    fit->height = height;
    fit->pitch = pitch;
    fit->rowSpace = 0;
    fit->leftMargin = x;
    result = POINT{x, y};
    if (len % 4 == 0 && singles == 0 && !shortened && !fh) {
      int32_t s2 = mx ? 4 * (w - 2 * hm) / len : 2 * w / (len / 2 + 2);
      const int32_t limit2 = my ? (h - 2 * vm) / 2 : h / 3;
      s2 = std::min(s2, limit2);
      if (!mx) hm = s2 / 2;
      if (height <= s2) {
        height = s2 / 2 * 2;
        const int32_t L = (2 * D - 2) / 2;
        x = std::max(hm, (w - height * len / 4) / (L + 2));
        y = std::max(my, (h - 2 * height) / 3);
        pitch = (len < 5 || L <= 0) ? 0 : ((w - 2 * x) - height * len / 4) / L;
        fit->rowSpace = h - 2 * y - 2 * height;
        x = (w - pitch * L - height * len / 4) / 2;
        fit->height = height;
        fit->pitch = pitch;
        fit->leftMargin = x;
        result = POINT{x, y};
      }
    }
    if (height < minHeight && len > 4 && !fh) {
      ShortenCaption(caption);
      shortened = true;
      continue;
    }
    return result;
  }
}
