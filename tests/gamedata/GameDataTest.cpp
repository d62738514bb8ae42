// The generated game data: every file the game loads is there and reads back through the
// program's own loaders (the image decoders behind the resource manager, the .pps reader, the
// package reader, the profile functions) with the frames, sizes and keys the table expects.
// The list of files is tests/data/gamedata/expected.txt.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/EngineUtil.h"
#include "engine/Pps.h"
#include "engine/ResourceManager.h"
#include "net/CryptLayer.h"
#include "net/SharedKeys.h"
#include "platform/base/Gbk.h"
#include "platform/kernel/Files.h"
#include "platform/media/AudioOutput.h"
#include "platform/kernel/Profile.h"
#include "tests/support/TempDir.h"

namespace {

const std::string BUILD = PXQD_BUILD_ROOT;

struct Line {
  int number;
  std::vector<std::string> fields;
};

std::vector<Line> ExpectedFiles() {
  std::ifstream in(std::string(PXQD_TEST_DATA) + "/gamedata/expected.txt");
  std::vector<Line> lines;
  std::string text;
  for (int n = 1; std::getline(in, text); n++) {
    if (text.empty() || text[0] == '#') continue;
    std::istringstream words(text);
    Line line{n, {}};
    for (std::string w; words >> w;) line.fields.push_back(w);
    lines.push_back(line);
  }
  return lines;
}

std::vector<BYTE> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<BYTE>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Extension(const std::string& path) { return path.substr(path.find_last_of('.')); }

DWORD Hex(const std::string& text) { return static_cast<DWORD>(std::stoul(text, nullptr, 16)); }

// A picture decoded as the table loads a loose file: with the colour key of the load.
struct Decoded {
  ImageRecord image = {};
  bool ok = false;
  explicit Decoded(const std::string& path, DWORD key) {
    std::vector<BYTE> bytes = ReadFile(path);
    image.transparent = key;
    image.flags = IMGFLAG_TRANSPARENT;
    ok = !bytes.empty() && ResourceManager::Instance()->DecodeImage(bytes.data(), static_cast<DWORD>(bytes.size()),
                                                                    Extension(path).c_str(), &image);
  }
  ~Decoded() {
    if (ok) FreePps(&image);
  }
  // Decoded pictures of these files are 32-bit: B, G, R, A.
  const BYTE* Pixel(int x, int y) const { return image.pixels + (static_cast<size_t>(y) * image.width + x) * 4; }
};

// How many pixels of the rectangle are drawn (not transparent).
int Opaque(const Decoded& d, int left, int width) {
  int count = 0;
  for (int y = 0; y < d.image.height; y++) {
    for (int x = left; x < left + width && x < d.image.width; x++) count += d.Pixel(x, y)[3] >= 128;
  }
  return count;
}

void CheckPicture(const Line& line) {
  const std::string& path = line.fields[1];
  const int fw = std::stoi(line.fields[2]);
  const int fh = std::stoi(line.fields[3]);
  const int frames = std::stoi(line.fields[4]);
  const int step = std::stoi(line.fields[5]);
  const std::string& key = line.fields[6];
  const bool keyed = key != "alpha" && key != "none" && key != "any";
  Decoded d(BUILD + "/" + path, keyed ? Hex(key) : 0xFF00FF);
  ASSERT_TRUE(d.ok) << path;
  ASSERT_EQ(d.image.frameCount, 1) << path;
  ASSERT_EQ(d.image.flags & (IMGFLAG_PALETTE | IMGFLAG_GLOBAL_PALETTE), 0) << path;
  if (fw > 0) {
    EXPECT_GE(d.image.width, (frames - 1) * step + fw) << path;
    EXPECT_LE(d.image.width, frames * step + fw) << path;
    EXPECT_EQ(d.image.height, fh) << path;
  }
  if (key == "alpha") {
    EXPECT_NE(d.image.flags & IMGFLAG_ALPHA, 0) << path;
  } else if (keyed) {
    EXPECT_NE(d.image.flags & IMGFLAG_TRANSPARENT, 0) << path << ": no pixel of the key " << key;
  } else if (key == "none") {
    EXPECT_EQ(Opaque(d, 0, d.image.width), d.image.width * d.image.height) << path;
  }
  for (int f = 0; f < frames; f++) {
    EXPECT_GT(Opaque(d, f * step, fw > 0 ? fw : d.image.width), 0) << path << ": frame " << f << " is empty";
  }
}

void CheckColour(const Line& line) {
  Decoded d(BUILD + "/" + line.fields[1], Hex(line.fields[2]));
  ASSERT_TRUE(d.ok) << line.fields[1];
  const DWORD colour = Hex(line.fields[3]);  // 0x00BBGGRR
  int count = 0;
  for (int y = 0; y < d.image.height; y++) {
    for (int x = 0; x < d.image.width; x++) {
      const BYTE* p = d.Pixel(x, y);
      count += p[3] && p[2] == (colour & 0xff) && p[1] == ((colour >> 8) & 0xff) && p[0] == ((colour >> 16) & 0xff);
    }
  }
  EXPECT_GT(count, 50) << line.fields[1] << " holds too few pixels of " << line.fields[3];
}

void CheckPps(const Line& line) {
  const std::vector<BYTE> bytes = ReadFile(BUILD + "/" + line.fields[1]);
  ImageRecord image = {};
  ASSERT_NE(ParsePps(bytes.data(), static_cast<DWORD>(bytes.size()), &image), 0u) << line.fields[1];
  EXPECT_EQ(image.width, std::stoi(line.fields[2])) << line.fields[1];
  EXPECT_EQ(image.height, std::stoi(line.fields[3])) << line.fields[1];
  EXPECT_EQ(image.frameCount, std::stoi(line.fields[4])) << line.fields[1];
  FreePps(&image);
}

void CheckPackPicture(const Line& line, std::set<std::string>& loaded) {
  const std::string path = BUILD + "/" + line.fields[1];
  ResourceManager* manager = ResourceManager::Instance();
  if (loaded.insert(path).second) {
    ASSERT_GT(manager->LoadPack(path.c_str(), 0, 1), 0) << path;
  }
  ImageRecord* image = manager->GetImageByName(line.fields[2].c_str());
  ASSERT_NE(image, nullptr) << line.fields[2];
  EXPECT_EQ(image->width, std::stoi(line.fields[3])) << line.fields[2];
  EXPECT_EQ(image->height, std::stoi(line.fields[4])) << line.fields[2];
  EXPECT_EQ(image->frameCount, std::stoi(line.fields[5])) << line.fields[2];
}

void CheckIni(const Line& line) {
  const std::string path = BUILD + "/" + line.fields[1];
  char value[512];
  GetPrivateProfileStringA(line.fields[2].c_str(), line.fields[3].c_str(), "\x01", value, sizeof value, path.c_str());
  if (line.fields[4] == "*") {
    EXPECT_STRNE(value, "\x01") << path << " [" << line.fields[2] << "] " << line.fields[3];
    EXPECT_STRNE(value, "") << path << " [" << line.fields[2] << "] " << line.fields[3];
  } else {
    EXPECT_EQ(std::string(value), Utf8ToGbk(line.fields[4]))
        << path << " [" << line.fields[2] << "] " << line.fields[3];
  }
}

// A PCM WAVE file, mono, 16 bits, with at least a twentieth of a second of sound.
void CheckWav(const std::string& path) {
  const std::vector<BYTE> b = ReadFile(path);
  ASSERT_GE(b.size(), 44u) << path;
  ASSERT_EQ(std::memcmp(b.data(), "RIFF", 4), 0) << path;
  ASSERT_EQ(std::memcmp(b.data() + 8, "WAVEfmt ", 8), 0) << path;
  auto u16 = [&](size_t at) { return static_cast<unsigned>(b[at] | b[at + 1] << 8); };
  auto u32 = [&](size_t at) { return static_cast<unsigned>(u16(at) | u16(at + 2) << 16); };
  EXPECT_EQ(u16(20), 1u) << path;  // PCM
  EXPECT_EQ(u16(22), 1u) << path;  // mono
  EXPECT_EQ(u16(34), 16u) << path;
  const unsigned rate = u32(24);
  size_t at = 12;
  unsigned data = 0;
  while (at + 8 <= b.size()) {
    const unsigned size = u32(at + 4);
    if (std::memcmp(b.data() + at, "data", 4) == 0) {
      data = size;
      break;
    }
    at += 8 + size + (size & 1);
  }
  EXPECT_GE(data, rate / 20 * 2) << path;
  EXPECT_LE(at + 8 + data, b.size()) << path;
  // And the sound layer plays it for as long as it lasts.
  auto clip = platform::AudioOutput::Instance().DecodeWave(b.data(), b.size());
  ASSERT_NE(clip, nullptr) << path;
  EXPECT_GE(platform::AudioOutput::Length(*clip), 50u) << path;
}

void CheckMp3(const std::string& path) {
  const std::vector<BYTE> b = ReadFile(path);
  ASSERT_GT(b.size(), 20000u) << path;
  // No tag in front: the file starts with an MPEG audio frame.
  EXPECT_EQ(b[0], 0xFF) << path;
  EXPECT_EQ(b[1] & 0xE0, 0xE0) << path;
  // A tune of some length that the music device can stream.
  auto clip = platform::AudioOutput::Instance().DecodeMusic(path);
  ASSERT_NE(clip, nullptr) << path;
  EXPECT_GE(platform::AudioOutput::Length(*clip), 10000u) << path;
}

void CheckIco(const std::string& path) {
  const std::vector<BYTE> b = ReadFile(path);
  ASSERT_GE(b.size(), 22u) << path;
  EXPECT_EQ(b[0] | b[1], 0) << path;
  EXPECT_EQ(b[2], 1) << path;
  EXPECT_GE(b[4] | b[5] << 8, 1) << path;
}

// The claims' voice files beside the tiles' (which are named by the tile's sort code).
const char* const ACTIONS[] = {"peng0", "peng1", "gang0", "gang1", "gang2", "chi0",
                               "chi1",  "hu0",   "hu1",   "hua0",  "hua1"};

// Keeps the engine's log out of the build folder while the packages load, gives the resource
// manager back empty, and decodes sounds without playing them.
class EngineSession {
 public:
  EngineSession() {
    platform::SetModuleFileNameOverride(m_dir.File("pxqd"));
    ResetModuleFolder();
    ResourceManager::SetExitHandler([](int code) { ADD_FAILURE() << "the resource manager would exit " << code; });
    platform::AudioOutput::Instance().UseNull(nullptr);
  }
  ~EngineSession() {
    ResourceManager* manager = ResourceManager::Instance();
    while (manager->GetUseCount() > 1) manager->Release();
    manager->Release();
    ResourceManager::SetExitHandler(nullptr);
    platform::SetModuleFileNameOverride("");
    ResetModuleFolder();
  }

 private:
  testsupport::TempDir m_dir;
};

TEST(GameData, EveryFileTheGameLoadsReadsBack) {
  EngineSession session;
  std::set<std::string> packs;
  const std::vector<Line> lines = ExpectedFiles();
  ASSERT_GT(lines.size(), 400u);
  for (const Line& line : lines) {
    SCOPED_TRACE("expected.txt:" + std::to_string(line.number));
    const std::string& kind = line.fields[0];
    const std::string path = BUILD + "/" + line.fields[1];
    if (kind == "picture") {
      ASSERT_EQ(line.fields.size(), 7u);
      CheckPicture(line);
    } else if (kind == "colour") {
      CheckColour(line);
    } else if (kind == "pps") {
      CheckPps(line);
    } else if (kind == "pack") {
      CheckPackPicture(line, packs);
    } else if (kind == "ini") {
      ASSERT_EQ(line.fields.size(), 5u);
      CheckIni(line);
    } else if (kind == "voices") {
      for (int code : {1, 11, 21}) {
        for (int v = 0; v < 9; v++) CheckWav(path + "/" + std::to_string(code + v) + ".wav");
      }
      for (int code = 31; code <= 37; code++) CheckWav(path + "/" + std::to_string(code) + ".wav");
      for (const char* action : ACTIONS) CheckWav(path + "/" + action + ".wav");
    } else if (kind == "wav") {
      CheckWav(path);
    } else if (kind == "mp3") {
      CheckMp3(path);
    } else if (kind == "ico") {
      CheckIco(path);
    } else if (kind == "file") {
      EXPECT_FALSE(ReadFile(path).empty()) << path;
    } else {
      ADD_FAILURE() << "unknown kind " << kind;
    }
  }
}

// The dialect switch must be audible: the dialect voices are other recordings than the standard
// ones, and the two genders differ too.
TEST(GameData, VoiceSetsDiffer) {
  for (const char* name : {"5.wav", "peng0.wav", "hu1.wav"}) {
    const std::vector<BYTE> standard = ReadFile(BUILD + "/bin/sound/00/" + name);
    EXPECT_NE(standard, ReadFile(BUILD + "/bin/sound/01/" + name)) << name;
    EXPECT_NE(standard, ReadFile(BUILD + "/bin/sound/10/" + name)) << name;
    EXPECT_NE(ReadFile(BUILD + "/bin/sound/10/" + name), ReadFile(BUILD + "/bin/sound/11/" + name)) << name;
  }
}

// The tile strips hold one face per frame at the strip's step: no two frames of a strip are the
// same picture, the blank one included.
TEST(GameData, TileFacesAreDistinct) {
  struct Case {
    const char* file;
    int fw, fh, step;
  } cases[] = {
      {"mj_large1024.bmp", 54, 77, 54}, {"mj_large800.bmp", 42, 60, 42}, {"mj_middle0.bmp", 33, 32, 33},
      {"mj_middle1.bmp", 26, 36, 26},   {"mj_small0.bmp", 22, 22, 22},   {"mj_small1.bmp", 16, 27, 17},
  };
  for (const Case& c : cases) {
    Decoded d(BUILD + "/bin/skins/Classic/" + c.file, 0xFF00FF);
    ASSERT_TRUE(d.ok) << c.file;
    std::map<std::vector<BYTE>, int> seen;
    for (int f = 0; f < 47; f++) {
      std::vector<BYTE> face;
      for (int y = 0; y < c.fh; y++) {
        const BYTE* row = d.Pixel(f * c.step, y);
        face.insert(face.end(), row, row + c.fw * 4);
      }
      const auto [it, fresh] = seen.emplace(face, f);
      EXPECT_TRUE(fresh) << c.file << ": frame " << f << " repeats frame " << it->second;
    }
  }
}

// The table plays a ticket animation once and leaves it on its last frame: that frame must be
// empty, or the ticket stays on the table after it has played.
TEST(GameData, TicketAnimationsEndEmpty) {
  for (int n = 1; n <= 10; n++) {
    const std::string file = BUILD + "/bin/skins/Common/aniGetTickets" + std::to_string(n) + ".pps";
    const std::vector<BYTE> bytes = ReadFile(file);
    ImageRecord image = {};
    ASSERT_NE(ParsePps(bytes.data(), static_cast<DWORD>(bytes.size()), &image), 0u) << file;
    ASSERT_EQ(BytesPerPixel(image), 4) << file;
    const size_t frameBytes = static_cast<size_t>(image.width) * image.height * 4;
    ASSERT_GE(image.bufferSize, frameBytes * image.frameCount) << file;
    auto seen = [&](int frame) {
      int count = 0;
      const BYTE* p = image.pixels + frameBytes * static_cast<size_t>(frame);
      for (size_t i = 0; i < frameBytes; i += 4) count += p[i + 3] != 0;
      return count;
    };
    EXPECT_GT(seen(0), 500) << file << ": the first frame shows no ticket";
    EXPECT_EQ(seen(image.frameCount - 1), 0) << file << ": the last frame is not empty";
    FreePps(&image);
  }
}

// The whitelist deciphers under the program's key into lower-case host names, one per record.
TEST(GameData, WhitelistHoldsTheTestbedHosts) {
  const std::vector<BYTE> file = ReadFile(BUILD + "/hall/Share/advert/domain.dat");
  ASSERT_FALSE(file.empty());
  ASSERT_EQ(file.size() % 64, 0u);
  std::vector<std::string> hosts;
  for (size_t at = 0; at < file.size(); at += 64) {
    BYTE plain[64];
    ASSERT_TRUE(CCryptLayer::AesEcbDecrypt(WhitelistKey(), SHARED_KEY_BYTES * 8, file.data() + at, 64, plain));
    ASSERT_EQ(plain[63], 0);
    hosts.emplace_back(reinterpret_cast<const char*>(plain));
  }
  EXPECT_EQ(hosts, (std::vector<std::string>{"127.0.0.1", "localhost"}));
}

}  // namespace
