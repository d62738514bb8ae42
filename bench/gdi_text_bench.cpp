// How much a line of chat costs to measure and lay out once its glyphs are cached.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/base/Gbk.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
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

// Drawing a chat line into a 32-bit memory bitmap once the glyphs are cached: blits only.
void BM_TextOutChatLine(benchmark::State& state) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 400, 20);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, "宋体");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, state.range(0) ? OPAQUE : TRANSPARENT);
  int n = static_cast<int>(sizeof CHAT_LINE - 1);
  for (auto _ : state) benchmark::DoNotOptimize(TextOutA(dc, 2, 2, CHAT_LINE, n));
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(font);
  DeleteObject(bitmap);
  DeleteDC(dc);
}
BENCHMARK(BM_TextOutChatLine)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
