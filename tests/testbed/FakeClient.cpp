// A small client for the hall stand-in's tests: it speaks the client's side of the hall link with
// its own reading of the records (not the stand-in's), and writes what it received, one line each,
// to the file named by $PXQD_FAKE_CLIENT_REPORT. Flow: announce the game window, take the session
// data, then (unless $PXQD_FAKE_CLIENT_SHORT is set) an onlooker and a player who quit, ask for a
// sign, send a text record, ask to show a player, send the exit report, end with 0. Anything
// missing within a minute ends it with 3.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "net/CryptLayer.h"
#include "net/SharedKeys.h"
#include "platform/hall/HallLink.h"
#include "platform/kernel/Kernel.h"
#include "platform/user/User.h"

namespace {

const DWORD LIMIT_MS = 60000;

struct SignQuery {
  int32_t userId = 0;
  char sign[256] = {};
};

SignQuery g_query;
bool g_got[16] = {};
int g_userId = 0;
int g_chair = 0;
int g_table = 0;
HWND g_hall = nullptr;

void Report(const std::string& line) {
  const char* path = std::getenv("PXQD_FAKE_CLIENT_REPORT");
  if (!path) return;
  if (FILE* f = std::fopen(path, "ab")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

int32_t IntAt(const std::vector<BYTE>& b, size_t at) {
  int32_t v = 0;
  if (at + 4 <= b.size()) std::memcpy(&v, b.data() + at, 4);
  return v;
}

std::vector<BYTE> Decipher(const COPYDATASTRUCT* data) {
  std::vector<BYTE> plain(data->cbData);
  if (data->cbData % 16 != 0 || !data->lpData ||
      !CCryptLayer::AesEcbDecrypt(HallKey(), 128, static_cast<const BYTE*>(data->lpData), data->cbData, plain.data())) {
    plain.clear();
  }
  return plain;
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_COPYDATA) return DefWindowProcA(hwnd, message, wParam, lParam);
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  std::vector<BYTE> plain = Decipher(data);
  if (plain.empty()) {
    Report("undecipherable record " + std::to_string(data->dwData));
    return 0;
  }
  switch (data->dwData) {
    case 1: {
      int32_t seats = IntAt(plain, 444 + 8);
      int32_t onlookers = IntAt(plain, 444 + 12);
      bool found = false;
      for (int32_t i = 0; i < seats; ++i) {
        size_t at = 620 + static_cast<size_t>(i) * 320;
        if (IntAt(plain, at) == g_userId && IntAt(plain, at + 144) == g_chair) found = true;
      }
      Report("session " + std::to_string(data->cbData) + " seats " + std::to_string(seats) + " onlookers " +
             std::to_string(onlookers) + (found ? " own-found" : " own-missing") + " room " +
             std::string(reinterpret_cast<const char*>(plain.data() + 20)));
      break;
    }
    case 4:
      Report("onlooker " + std::to_string(IntAt(plain, 0)) + " " + reinterpret_cast<const char*>(plain.data() + 20));
      break;
    case 6:
      Report("quit user " + std::to_string(IntAt(plain, 4)) + " table " + std::to_string(IntAt(plain, 8)) +
             " chair " + std::to_string(IntAt(plain, 12)) +
             (IntAt(plain, 0) == static_cast<int32_t>(reinterpret_cast<uintptr_t>(g_hall)) ? " from-our-hall" : ""));
      break;
    default:
      Report("record " + std::to_string(data->dwData));
      return 0;
  }
  if (data->dwData < 16) g_got[data->dwData] = true;
  return 1;
}

LRESULT CALLBACK WaitDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_COPYDATA) return DefWindowProcA(hwnd, message, wParam, lParam);
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  std::vector<BYTE> plain = Decipher(data);
  if (data->dwData != 14 || plain.size() < 276) {
    Report("wait dialog got record " + std::to_string(data->dwData));
    return 0;
  }
  uint64_t address = 0;
  std::memcpy(&address, plain.data() + 268, 8);
  // This client matches the answer against its own query instead of trusting the address.
  if (address == reinterpret_cast<uintptr_t>(&g_query) && IntAt(plain, 0) == g_query.userId) {
    std::strncpy(g_query.sign, reinterpret_cast<const char*>(plain.data() + 8), 255);
  }
  Report(std::string("sign ") + g_query.sign + (address == reinterpret_cast<uintptr_t>(&g_query) ? " address-echoed" : ""));
  g_got[14] = true;
  return 1;
}

bool PumpUntil(int kind, const char* what) {
  DWORD start = GetTickCount();
  while (!g_got[kind]) {
    if (GetTickCount() - start > LIMIT_MS) {
      Report(std::string("timeout waiting for ") + what);
      return false;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  return true;
}

HWND MakeWindow(const char* cls, WNDPROC proc) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = proc;
  wc.lpszClassName = cls;
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(0, cls, cls, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  if (hwnd) platform::PublishWindow(hwnd);
  return hwnd;
}

}  // namespace

int main() {
  std::string line = GetCommandLineA();
  if (!line.empty() && line[0] == '"') line = line.size() >= 2 ? line.substr(1, line.size() - 2) : "";
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t bar = line.find('|', start);
    fields.push_back(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  if (fields.size() < 9) {
    Report("launch line of " + std::to_string(fields.size()) + " fields");
    return 2;
  }
  Report("launch " + line);
  const int gameId = std::atoi(fields[0].c_str());
  const int roomId = std::atoi(fields[2].c_str());
  g_hall = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoul(fields[3].c_str(), nullptr, 10)));
  g_userId = std::atoi(fields[5].c_str());
  g_table = std::atoi(fields[6].c_str());
  g_chair = std::atoi(fields[7].c_str());
  if (!IsWindow(g_hall)) {
    Report("no hall window");
    return 4;
  }
  HWND frame = MakeWindow("FakeGameFrame", FrameProc);
  HWND wait = MakeWindow("FakeWaitDialog", WaitDialogProc);
  if (!frame || !wait) return 5;

  DWORD_PTR result = 0;
  SendMessageTimeoutA(g_hall, 0x9105, reinterpret_cast<WPARAM>(frame), g_table, SMTO_NORMAL, LIMIT_MS, &result);
  if (!PumpUntil(1, "the session data")) return 3;
  if (!std::getenv("PXQD_FAKE_CLIENT_SHORT")) {
    if (!PumpUntil(4, "the onlooker") || !PumpUntil(6, "the player who quit")) return 3;
  }

  g_query.userId = g_userId;
  PostMessageA(g_hall, 0x910C, reinterpret_cast<WPARAM>(wait), reinterpret_cast<LPARAM>(&g_query));
  if (!PumpUntil(14, "the sign")) return 3;

  std::vector<BYTE> text(544, 0);
  const int32_t head[5] = {static_cast<int32_t>(reinterpret_cast<uintptr_t>(frame)), g_userId, gameId, roomId, 1};
  std::memcpy(text.data(), head, sizeof head);
  std::strcpy(reinterpret_cast<char*>(text.data() + 20), "http://127.0.0.1/security/calculate.html");
  std::vector<BYTE> sent(544);
  CCryptLayer::AesEcbEncrypt(HallKey(), 128, text.data(), 544, sent.data());
  COPYDATASTRUCT textData{11, 544, sent.data()};
  SendMessageTimeoutA(g_hall, WM_COPYDATA, reinterpret_cast<WPARAM>(frame), reinterpret_cast<LPARAM>(&textData),
                      SMTO_NORMAL, LIMIT_MS, &result);
  PostMessageA(g_hall, 0x9108, reinterpret_cast<WPARAM>(frame), 2002);

  // With $PXQD_FAKE_CLIENT_DROP naming a file that is not there yet, the client leaves as one
  // cut off in a running hand (and makes the file, so that the next start leaves normally).
  bool dropped = false;
  if (const char* mark = std::getenv("PXQD_FAKE_CLIENT_DROP")) {
    if (std::FILE* seen = std::fopen(mark, "r")) {
      std::fclose(seen);
    } else if (std::FILE* made = std::fopen(mark, "w")) {
      std::fclose(made);
      dropped = true;
    }
  }
  std::vector<BYTE> exitReport(188, 0);
  const int32_t report[9] = {static_cast<int32_t>(reinterpret_cast<uintptr_t>(frame)), g_userId, g_table, g_chair, 0,
                             0, dropped ? 1 : 0, gameId, 0};
  std::memcpy(exitReport.data(), report, sizeof report);
  COPYDATASTRUCT exitData{static_cast<ULONG_PTR>(dropped ? 5 : 2), 188, exitReport.data()};
  SendMessageTimeoutA(g_hall, WM_COPYDATA, reinterpret_cast<WPARAM>(frame), reinterpret_cast<LPARAM>(&exitData),
                      SMTO_NORMAL, LIMIT_MS, &result);
  Report("done");
  return 0;
}
