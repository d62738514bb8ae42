// The chat log's cost per appended line: each line is appended as the chat display does it
// (three formatted pieces, the line count before and after, a scroll to the bottom, a repaint).
// With incremental layout the cost per line stays flat however long the log already is; compare
// the per-line time of the 1,000-line and the 10,000-line runs, and the layout counter.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "platform/comctl/RichEdit.h"
#include "platform/display/Display.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"

namespace {

CHARFORMATA Format(COLORREF colour, DWORD effects) {
  CHARFORMATA cf{};
  cf.cbSize = sizeof cf;
  cf.dwMask = 0xE8000027;
  cf.dwEffects = effects;
  cf.yHeight = 180;
  cf.crTextColor = colour;
  cf.bCharSet = 134;
  std::strcpy(cf.szFaceName, "宋体");
  return cf;
}

void AppendPiece(HWND edit, const char* text, const CHARFORMATA& format) {
  SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), -1);
  CHARRANGE before{};
  SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&before));
  SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
  CHARRANGE added{before.cpMin, -1};
  SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&added));
  SendMessageA(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  SendMessageA(edit, EM_HIDESELECTION, TRUE, 0);
}

void BM_AppendChatLines(benchmark::State& state) {
  platform::StartDisplay(platform::DisplayBackend::HEADLESS);
  AfxInitRichEdit();
  const int lines = static_cast<int>(state.range(0));
  const CHARFORMATA plain = Format(0, 0);
  const CHARFORMATA name = Format(RGB(0, 0, 255), CFE_BOLD);
  const CHARFORMATA said = Format(8421440, 0);
  uint64_t laidOut = 0;
  for (auto _ : state) {
    HWND top = CreateWindowExA(0, "RichEdit20A", nullptr, WS_POPUP | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY,
                               0, 0, 320, 240, nullptr, nullptr, nullptr, nullptr);
    for (int i = 0; i < lines; ++i) {
      SendMessageA(top, EM_GETLINECOUNT, 0, 0);
      std::string text = "第" + std::to_string(i) + "句：大家好，今天一起打麻将吧！ok 我先准备了，快点开始";
      AppendPiece(top, " 玩家甲说：", name);
      AppendPiece(top, text.c_str(), said);
      AppendPiece(top, "\r\n", plain);
      SendMessageA(top, EM_GETLINECOUNT, 0, 0);
      SendMessageA(top, WM_VSCROLL, SB_BOTTOM, 0);
      UpdateWindow(top);
    }
    laidOut = platform::RichEditParagraphsLaidOut(top);
    DestroyWindow(top);
  }
  state.counters["us_per_line"] = benchmark::Counter(
      static_cast<double>(lines) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["paragraphs_laid_out_per_line"] = static_cast<double>(laidOut) / lines;
}
BENCHMARK(BM_AppendChatLines)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
