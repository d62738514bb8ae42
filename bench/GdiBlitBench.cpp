// Blit throughput of the drawing layer beside pixman doing the same operations and a plain
// memcpy of the pixels as the ceiling, on a small icon-sized surface, a tile and a full screen.
// Rates are in destination megapixels per second (the "MP/s" counter).
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace {

struct Size {
  int w, h;
};
const Size SIZES[] = {{32, 32}, {64, 96}, {1024, 768}};

// A memory DC over a top-down 32-bit DIB section, filled with a pattern and a varied alpha.
struct Target {
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
  uint32_t* bits = nullptr;
  int w = 0, h = 0;
  Target(int width, int height, uint32_t seed) : w(width), h(height) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    dc = CreateCompatibleDC(nullptr);
    bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    old = SelectObject(dc, bmp);
    for (int i = 0; i < width * height; ++i) {
      uint32_t a = (uint32_t(i) * 7 + seed) & 0xFF;
      uint32_t c = (uint32_t(i) * 2654435761u + seed) & 0x00FFFFFF;
      // Premultiplied: no channel above the alpha.
      uint32_t r = ((c >> 16) & 0xFF) * a / 255, g = ((c >> 8) & 0xFF) * a / 255, b = (c & 0xFF) * a / 255;
      bits[i] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  ~Target() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  pixman_image_t* Image() const {
    return pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, bits, w * 4);
  }
};

void SetRate(benchmark::State& state, int64_t pixels) {
  state.counters["MP/s"] =
      benchmark::Counter(double(pixels) * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void BM_GdiBitBltSrcCopy(benchmark::State& state) {
  Size s = SIZES[state.range(0)];
  Target src(s.w, s.h, 1), dst(s.w, s.h, 2);
  for (auto _ : state) {
    BitBlt(dst.dc, 0, 0, s.w, s.h, src.dc, 0, 0, SRCCOPY);
    benchmark::DoNotOptimize(dst.bits[0]);
  }
  SetRate(state, int64_t(s.w) * s.h);
}

void BM_PixmanSrcCopy(benchmark::State& state) {
  Size s = SIZES[state.range(0)];
  Target src(s.w, s.h, 1), dst(s.w, s.h, 2);
  pixman_image_t* si = src.Image();
  pixman_image_t* di = dst.Image();
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, si, nullptr, di, 0, 0, 0, 0, 0, 0, s.w, s.h);
    benchmark::DoNotOptimize(dst.bits[0]);
  }
  pixman_image_unref(si);
  pixman_image_unref(di);
  SetRate(state, int64_t(s.w) * s.h);
}

// A part of a bigger bitmap: a 32x32 or 64x96 piece copied out of a full-screen sheet into
// another sheet, away from the edges of both (as a tile taken from a picture strip is drawn into
// the table's back buffer).
const Size PIECES[] = {{32, 32}, {64, 96}};
const int SHEET_W = 1024, SHEET_H = 768;
const int FROM_X = 301, FROM_Y = 117, TO_X = 517, TO_Y = 243;

void BM_GdiBitBltPiece(benchmark::State& state) {
  Size s = PIECES[state.range(0)];
  Target src(SHEET_W, SHEET_H, 1), dst(SHEET_W, SHEET_H, 2);
  for (auto _ : state) {
    BitBlt(dst.dc, TO_X, TO_Y, s.w, s.h, src.dc, FROM_X, FROM_Y, SRCCOPY);
    benchmark::DoNotOptimize(dst.bits[0]);
  }
  SetRate(state, int64_t(s.w) * s.h);
}

void BM_PixmanSrcPiece(benchmark::State& state) {
  Size s = PIECES[state.range(0)];
  Target src(SHEET_W, SHEET_H, 1), dst(SHEET_W, SHEET_H, 2);
  pixman_image_t* si = src.Image();
  pixman_image_t* di = dst.Image();
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, si, nullptr, di, FROM_X, FROM_Y, 0, 0, TO_X, TO_Y, s.w, s.h);
    benchmark::DoNotOptimize(dst.bits[0]);
  }
  pixman_image_unref(si);
  pixman_image_unref(di);
  SetRate(state, int64_t(s.w) * s.h);
}

void BM_MemcpyCeiling(benchmark::State& state) {
  Size s = SIZES[state.range(0)];
  std::vector<uint32_t> a(size_t(s.w) * size_t(s.h), 1), b(a.size(), 2);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size() * 4);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  SetRate(state, int64_t(s.w) * s.h);
}

void BM_GdiAlphaBlend(benchmark::State& state) {
  Size s = SIZES[state.range(0)];
  Target src(s.w, s.h, 1), dst(s.w, s.h, 2);
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  for (auto _ : state) {
    AlphaBlend(dst.dc, 0, 0, s.w, s.h, src.dc, 0, 0, s.w, s.h, bf);
    benchmark::DoNotOptimize(dst.bits[0]);
  }
  SetRate(state, int64_t(s.w) * s.h);
}

void BM_PixmanOver(benchmark::State& state) {
  Size s = SIZES[state.range(0)];
  Target src(s.w, s.h, 1), dst(s.w, s.h, 2);
  pixman_image_t* si = src.Image();
  pixman_image_t* di = dst.Image();
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, si, nullptr, di, 0, 0, 0, 0, 0, 0, s.w, s.h);
    benchmark::DoNotOptimize(dst.bits[0]);
  }
  pixman_image_unref(si);
  pixman_image_unref(di);
  SetRate(state, int64_t(s.w) * s.h);
}

// Stretching: the source is scaled up by 3/2 in both directions (range 1: the stretch mode).
void BM_GdiStretchBlt(benchmark::State& state) {
  Size s = SIZES[state.range(0)];
  int mode = int(state.range(1));
  Target src(s.w, s.h, 1), dst(s.w * 3 / 2, s.h * 3 / 2, 2);
  SetStretchBltMode(dst.dc, mode);
  for (auto _ : state) {
    StretchBlt(dst.dc, 0, 0, dst.w, dst.h, src.dc, 0, 0, s.w, s.h, SRCCOPY);
    benchmark::DoNotOptimize(dst.bits[0]);
  }
  SetRate(state, int64_t(dst.w) * dst.h);
}

// pixman's scaled copy: nearest for COLORONCOLOR; for HALFTONE the same work as the stretch
// does, a separable box filter (each source pixel a box, averaged over each destination
// pixel's box), which is what pixman's separable convolution with box kernels computes.
void BM_PixmanScaled(benchmark::State& state) {
  Size s = SIZES[state.range(0)];
  int mode = int(state.range(1));
  Target src(s.w, s.h, 1), dst(s.w * 3 / 2, s.h * 3 / 2, 2);
  pixman_image_t* si = src.Image();
  pixman_image_t* di = dst.Image();
  pixman_transform_t t;
  pixman_transform_init_scale(&t, pixman_double_to_fixed(double(s.w) / dst.w),
                              pixman_double_to_fixed(double(s.h) / dst.h));
  pixman_image_set_transform(si, &t);
  pixman_fixed_t* params = nullptr;
  if (mode == HALFTONE) {
    int n = 0;
    // The scale is source pixels per destination pixel, never below one (as cairo gives it).
    const double scaleX = std::max(1.0, double(s.w) / dst.w), scaleY = std::max(1.0, double(s.h) / dst.h);
    params = pixman_filter_create_separable_convolution(&n, pixman_double_to_fixed(scaleX), pixman_double_to_fixed(scaleY),
                                                        PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_BOX,
                                                        PIXMAN_KERNEL_BOX, 4, 4);
    pixman_image_set_filter(si, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, n);
  } else {
    pixman_image_set_filter(si, PIXMAN_FILTER_NEAREST, nullptr, 0);
  }
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, si, nullptr, di, 0, 0, 0, 0, 0, 0, dst.w, dst.h);
    benchmark::DoNotOptimize(dst.bits[0]);
  }
  pixman_image_unref(si);
  pixman_image_unref(di);
  free(params);
  SetRate(state, int64_t(dst.w) * dst.h);
}

}  // namespace

BENCHMARK(BM_GdiBitBltSrcCopy)->DenseRange(0, 2);
BENCHMARK(BM_PixmanSrcCopy)->DenseRange(0, 2);
BENCHMARK(BM_GdiBitBltPiece)->DenseRange(0, 1);
BENCHMARK(BM_PixmanSrcPiece)->DenseRange(0, 1);
BENCHMARK(BM_MemcpyCeiling)->DenseRange(0, 2);
BENCHMARK(BM_GdiAlphaBlend)->DenseRange(0, 2);
BENCHMARK(BM_PixmanOver)->DenseRange(0, 2);
BENCHMARK(BM_GdiStretchBlt)->ArgsProduct({{0, 1, 2}, {COLORONCOLOR, HALFTONE}});
BENCHMARK(BM_PixmanScaled)->ArgsProduct({{0, 1, 2}, {COLORONCOLOR, HALFTONE}});

BENCHMARK_MAIN();
