// Loading costs of the engine's resources: .pps decoding per codec, picture decoding through the
// image library, and registering a package of 200 entries loaded at once.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/Pps.h"
#include "engine/ResourceManager.h"
#include "platform/kernel/Files.h"
#include "tools/PackWriter.h"
#include "tools/PpsWriter.h"

namespace {

// A 512 x 512 true-colour picture with alpha: flat areas and gradients, as game pictures have.
std::vector<BYTE> Picture() {
  std::vector<BYTE> pixels(512 * 512 * 4);
  for (int y = 0; y < 512; y++) {
    for (int x = 0; x < 512; x++) {
      BYTE* p = &pixels[static_cast<size_t>((y * 512 + x) * 4)];
      const bool flat = (x / 64 + y / 64) % 2 == 0;
      p[0] = flat ? 40 : static_cast<BYTE>(x);
      p[1] = flat ? 80 : static_cast<BYTE>(y);
      p[2] = flat ? 120 : static_cast<BYTE>(x ^ y);
      p[3] = x < 16 ? 0 : 255;
    }
  }
  return pixels;
}

void BM_ParsePps(benchmark::State& state) {
  const int codec = static_cast<int>(state.range(0));
  PpsWriter writer(codec, 512, 512, IMGFLAG_ALPHA);
  const std::vector<BYTE> pixels = Picture();
  writer.AddFrame(pixels.data());
  const std::vector<BYTE> file = writer.Write();
  for (auto _ : state) {
    ImageRecord image = {};
    benchmark::DoNotOptimize(ParsePps(file.data(), static_cast<DWORD>(file.size()), &image));
    FreePps(&image);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(pixels.size()));
}
BENCHMARK(BM_ParsePps)->Arg(1)->Arg(3)->Arg(5)->Arg(6);

void BM_DecodeImageBmp(benchmark::State& state) {
  // A 512 x 512 24-bit BMP written by hand: header, then rows bottom-up.
  std::vector<BYTE> bmp(54 + 512 * 512 * 3);
  auto put32 = [&](size_t at, DWORD v) {
    for (int i = 0; i < 4; i++) bmp[at + i] = static_cast<BYTE>(v >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, static_cast<DWORD>(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 512);
  put32(22, 512);
  bmp[26] = 1;
  bmp[28] = 24;
  for (size_t i = 54; i < bmp.size(); i++) bmp[i] = static_cast<BYTE>(i * 7);
  for (auto _ : state) {
    ImageRecord image = {};
    image.transparent = DEFAULT_KEY_COLOR;
    ResourceManager::Instance()->DecodeImage(bmp.data(), static_cast<DWORD>(bmp.size()), ".bmp", &image);
    FreePps(&image);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 512 * 512);
}
BENCHMARK(BM_DecodeImageBmp);

void BM_LoadPack200(benchmark::State& state) {
  PackWriter pack;
  std::vector<BYTE> pixels(64 * 64 * 4, 200);
  for (int i = 0; i < 200; i++) {
    PpsWriter writer(5, 64, 64, 0);
    writer.AddFrame(pixels.data());
    pack.AddFile("pic" + std::to_string(i) + ".pps", writer.Write());
  }
  char name[] = "/tmp/pxqd-bench-pack-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return;
  std::fclose(fdopen(fd, "w"));
  pack.WriteFile(name);
  ResourceManager* manager = ResourceManager::Instance();
  for (auto _ : state) {
    benchmark::DoNotOptimize(manager->LoadPack(name, 0, 1));
    manager->Release();
  }
  std::remove(name);
}
BENCHMARK(BM_LoadPack200);

void BM_FindByName(benchmark::State& state) {
  ResourceManager* manager = ResourceManager::Instance();
  for (int i = 0; i < 1000; i++) {
    manager->RegisterName(("name" + std::to_string(i) + ".imge").c_str(), "x", 0, RESKIND_SOUND, 0, 0, 0);
  }
  for (auto _ : state) benchmark::DoNotOptimize(manager->FindId("name500.imge"));
  manager->Release();
}
BENCHMARK(BM_FindByName);

}  // namespace

BENCHMARK_MAIN();
