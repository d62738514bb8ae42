#include "tests/engine/EngineResFixture.h"

#include <fstream>
#include <iterator>

#include "platform/kernel/Files.h"
#include "platform/kernel/Time.h"

namespace enginetest {

std::vector<std::string> g_boxes;
std::vector<int> g_exits;

namespace {

int CaptureBox(const char* text, const char* caption, UINT type) {
  g_boxes.push_back(text ? text : "");
  return 1;
}

void CaptureExit(int code) { g_exits.push_back(code); }

void Put16(std::vector<BYTE>& out, DWORD v) {
  out.push_back(static_cast<BYTE>(v));
  out.push_back(static_cast<BYTE>(v >> 8));
}
void Put32(std::vector<BYTE>& out, DWORD v) {
  for (int i = 0; i < 4; i++) out.push_back(static_cast<BYTE>(v >> (8 * i)));
}

std::vector<BYTE> BmpHeader(int w, int h, int bpp, DWORD colours, DWORD pixelBytes) {
  std::vector<BYTE> out = {'B', 'M'};
  const DWORD offset = 14 + 40 + colours * 4;
  Put32(out, offset + pixelBytes);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, static_cast<DWORD>(w));
  Put32(out, static_cast<DWORD>(h));
  Put16(out, 1);
  Put16(out, static_cast<DWORD>(bpp));
  Put32(out, 0);
  Put32(out, pixelBytes);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, colours);
  Put32(out, 0);
  return out;
}

}  // namespace

void EngineResTest::SetUp() {
  g_boxes.clear();
  g_exits.clear();
  platform::SetModuleFileNameOverride(m_dir.File("pxqd"));
  ResetModuleFolder();
  SetEngineMessageBoxHook(CaptureBox);
  ResourceManager::SetExitHandler(CaptureExit);
  ResourceManager* manager = ResourceManager::Instance();
  while (manager->GetUseCount() > 1) manager->Release();
  manager->Release();
  manager->SetNamePrefix(GetModuleFolder());
}

void EngineResTest::TearDown() {
  ResourceManager* manager = ResourceManager::Instance();
  while (manager->GetUseCount() > 1) manager->Release();
  manager->Release();
  ResourceManager::SetExitHandler(nullptr);
  SetEngineMessageBoxHook(nullptr);
  platform::SetModuleFileNameOverride("");
  ResetModuleFolder();
}

std::string EngineResTest::ReadLog() const {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char name[64];
  std::snprintf(name, sizeof name, "Game%d%02d%02d.log", now.wYear, now.wMonth, now.wDay);
  std::ifstream in(m_dir.File(name), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string EngineResTest::Put(const std::string& name, const std::vector<BYTE>& bytes) const {
  return m_dir.Write(name, std::string(bytes.begin(), bytes.end()));
}

std::vector<BYTE> MakeBmp24(int w, int h, const std::vector<DWORD>& rgb) {
  const int stride = (w * 3 + 3) & ~3;
  std::vector<BYTE> out = BmpHeader(w, h, 24, 0, static_cast<DWORD>(stride * h));
  for (int y = h - 1; y >= 0; y--) {
    for (int x = 0; x < w; x++) {
      const DWORD c = rgb[static_cast<size_t>(y * w + x)];
      out.push_back(static_cast<BYTE>(c));
      out.push_back(static_cast<BYTE>(c >> 8));
      out.push_back(static_cast<BYTE>(c >> 16));
    }
    for (int p = w * 3; p < stride; p++) out.push_back(0);
  }
  return out;
}

std::vector<BYTE> MakeBmp8(int w, int h, const std::vector<DWORD>& palette, const std::vector<BYTE>& indices) {
  const int stride = (w + 3) & ~3;
  std::vector<BYTE> out =
      BmpHeader(w, h, 8, static_cast<DWORD>(palette.size()), static_cast<DWORD>(stride * h));
  for (DWORD c : palette) Put32(out, c);
  for (int y = h - 1; y >= 0; y--) {
    for (int x = 0; x < w; x++) out.push_back(indices[static_cast<size_t>(y * w + x)]);
    for (int p = w; p < stride; p++) out.push_back(0);
  }
  return out;
}

std::vector<BYTE> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<BYTE>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string TestData(const std::string& relative) { return std::string(PXQD_TEST_DATA) + "/" + relative; }

}  // namespace enginetest
