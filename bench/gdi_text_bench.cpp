// How much a line of chat costs to measure and lay out once its glyphs are cached.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/base/Gbk.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/TextLayout.h"

namespace {

const char CHAT_LINE[] = "玩家甲：大家好，今天一起打麻将吧！ok 我先准备了，快点开始 1234";

void BM_ExtentOfChatLine(benchmark::State& state) {
  HFONT h = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, "宋体");
  auto font = FontFromHandle(h);
  std::string gbk = CHAT_LINE;
  for (auto _ : state) {
    SIZE size = font->Extent(GbkToWide(gbk));
    benchmark::DoNotOptimize(size);
  }
}
BENCHMARK(BM_ExtentOfChatLine);

void BM_WordBreakLayout(benchmark::State& state) {
  HFONT h = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, "宋体");
  auto font = FontFromHandle(h);
  std::wstring text;
  for (int i = 0; i < 8; ++i) text += GbkToWide(CHAT_LINE) + L"\r\n";
  RECT rc{0, 0, 200, 0};
  for (auto _ : state) {
    TextLayoutResult r = TextLayout::Layout(
        text, rc, DT_WORDBREAK | DT_CALCRECT, [&](char32_t c) { return font->Advance(c); }, 12, 6);
    benchmark::DoNotOptimize(r.height);
  }
}
BENCHMARK(BM_WordBreakLayout);

}  // namespace

BENCHMARK_MAIN();
