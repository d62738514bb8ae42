// The image library's hot paths: quarter turns (which work in 64 x 64 blocks), flips, mirrors and
// decoding a bitmap from memory.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "image/RasterImage.h"

namespace {

CRasterImage* MakeImage(DWORD bpp, DWORD size) {
  auto* image = new CRasterImage(size, size, bpp, 1);
  BYTE* bits = image->GetBits();
  for (DWORD i = 0; i < image->GetEffectiveWidth() * size; i++) bits[i] = static_cast<BYTE>(i * 31);
  return image;
}

void BM_RotateLeft(benchmark::State& state) {
  CRasterImage* image = MakeImage(static_cast<DWORD>(state.range(0)), 1024);
  for (auto _ : state) {
    CRasterImage turned;
    image->RotateLeft(&turned);
    benchmark::DoNotOptimize(turned.GetBits());
  }
  delete image;
}
BENCHMARK(BM_RotateLeft)->Arg(1)->Arg(8)->Arg(24);

void BM_FlipMirror(benchmark::State& state) {
  CRasterImage* image = MakeImage(24, 1024);
  for (auto _ : state) {
    image->Flip();
    image->Mirror();
  }
  delete image;
}
BENCHMARK(BM_FlipMirror);

void BM_DecodeBmp24(benchmark::State& state) {
  const int w = 512, h = 512;
  const int row = ((w * 24 + 31) / 32) * 4;
  std::vector<BYTE> file(54 + static_cast<size_t>(row) * h, 0x5A);
  const BYTE header[54] = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
                           0, 2, 0, 0, 0, 2, 0, 0, 1, 0, 24, 0};
  memcpy(file.data(), header, sizeof(header));
  for (auto _ : state) {
    CRasterImage image(file.data(), static_cast<DWORD>(file.size()), 1);
    if (!image.IsValid()) state.SkipWithError(image.GetLastError());
    benchmark::DoNotOptimize(image.GetBits());
  }
}
BENCHMARK(BM_DecodeBmp24);

}  // namespace

BENCHMARK_MAIN();
