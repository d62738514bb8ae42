// CRasterImage::Draw of a dialog background into a 32-bit DIB-section DC: the direct path, the
// stretched path plain and smoothed (bilinear up, area average down), and the blended path with
// an alpha layer; plus the screenshot's JPEG writer on a screen-sized picture.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/RasterImage.h"
#include "image/RasterScreenshot.h"
#include "platform/gdi/Gdi.h"

namespace {

struct Target {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  Target(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = SelectObject(dc, bitmap);
  }
  ~Target() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
};

CRasterImage* MakeImage(DWORD width, DWORD height, bool alpha) {
  auto* image = new CRasterImage(width, height, 24, 1);
  BYTE* bits = image->GetBits();
  for (DWORD i = 0; i < image->GetEffectiveWidth() * height; i++) {
    bits[i] = static_cast<BYTE>(i * 31 + i / 7);
  }
  if (alpha && image->AlphaCreate()) {
    for (DWORD y = 0; y < height; y++) {
      for (DWORD x = 0; x < width; x++) image->AlphaSet(x, y, static_cast<BYTE>(x + y));
    }
  }
  return image;
}

// Arguments: target width and height (the image is 400 x 300), smoothing, alpha layer.
void BM_Draw(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const bool smooth = state.range(2) != 0, alpha = state.range(3) != 0;
  CRasterImage* image = MakeImage(400, 300, alpha);
  Target target(800, 600);
  for (auto _ : state) {
    benchmark::DoNotOptimize(image->Draw(target.dc, 0, 0, width, height, nullptr, smooth));
  }
  state.SetItemsProcessed(state.iterations() * int64_t(width) * height);
  delete image;
}
BENCHMARK(BM_Draw)
    ->Args({400, 300, 0, 0})
    ->Args({800, 600, 0, 0})
    ->Args({800, 600, 1, 0})
    ->Args({200, 150, 1, 0})
    ->Args({400, 300, 0, 1})
    ->Args({800, 600, 1, 1})
    ->Unit(benchmark::kMillisecond);

void BM_RgbToJpegFile(benchmark::State& state) {
  const unsigned width = 1024, height = 768;
  std::vector<BYTE> rgb(size_t(width) * height * 3);
  for (size_t i = 0; i < rgb.size(); i++) rgb[i] = static_cast<BYTE>((i / 3) % 251 + i % 3 * 40);
  char path[] = "/tmp/pxqd-bench-XXXXXX.jpg";
  int fd = mkstemps(path, 4);
  if (fd >= 0) close(fd);
  for (auto _ : state) {
    benchmark::DoNotOptimize(RGBToJpegFile(path, rgb.data(), width, height, 75));
  }
  remove(path);
}
BENCHMARK(BM_RgbToJpegFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
