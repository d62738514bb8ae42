// The engine's text font: characters per second of a 100-character GBK text drawn (each character
// one text output into the glyph surface and a coverage copy) and measured, at heights 12, 20
// and 30.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/TextFont.h"

namespace {

std::string HundredCharacters() {
  // Eighty double-byte characters and twenty single bytes, with a colour tag pair.
  std::string text = "<c=255>";
  for (int i = 0; i < 8; i++) text += "麻将牌桌东南西北中发";
  text += "</color>0123456789abcdefghij";
  return text;
}

TextFont& Font(int height) {
  static TextFont* font = [] {
    TextFont* f = new TextFont;
    f->Init();
    return f;
  }();
  TextFontInfo info{};
  std::strcpy(info.face, "宋体");
  info.colour = 0xFFFFFF;
  info.height = height;
  info.weight = 400;
  info.wrap = 1;
  font->SelectFont(info);
  return *font;
}

void BM_DrawText(benchmark::State& state) {
  TextFont& font = Font(static_cast<int>(state.range(0)));
  const std::string text = HundredCharacters();
  std::vector<BYTE> pixels(800 * 300 * 4);
  for (auto _ : state) {
    font.DrawText(pixels.data(), 800, 300, 0, 0, text.c_str());
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_DrawText)->Arg(12)->Arg(20)->Arg(30);

void BM_MeasureText(benchmark::State& state) {
  TextFont& font = Font(static_cast<int>(state.range(0)));
  const std::string text = HundredCharacters();
  for (auto _ : state) {
    int width = 0, height = 0;
    font.MeasureText(0, 0, text.c_str(), &width, &height);
    benchmark::DoNotOptimize(width);
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_MeasureText)->Arg(12)->Arg(20)->Arg(30);

}  // namespace

BENCHMARK_MAIN();
