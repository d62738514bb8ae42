// Shared helpers of the decoder tests: the test pictures' bytes and pixel access in the
// picture's own top-down order.
#pragma once

#include <string>
#include <vector>

#include "image/RasterImage.h"
#include "image/RasterMemFile.h"
#include "tests/support/TempDir.h"

namespace codectest {

inline std::string DataPath(const std::string& name) { return std::string(PXQD_TEST_DATA) + "/image/" + name; }

inline std::vector<BYTE> ReadData(const std::string& name) {
  std::string s = testsupport::TempDir::Read(DataPath(name));
  return std::vector<BYTE>(s.begin(), s.end());
}

// Decodes bytes with a type, a frame index and the keep-all-frames flag.
inline bool DecodeBytes(CRasterImage& image, std::vector<BYTE>& bytes, DWORD type, long frame = 0,
                        bool keepAll = false) {
  image.SetFrame(frame);
  image.SetRetrieveAllFrames(keepAll);
  return image.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), type);
}

// The colour of the pixel at column x of row r counted from the top.
inline RGBQUAD TopDown(const CRasterImage& image, long x, long r) {
  return image.GetPixelColor(x, static_cast<long>(image.GetHeight()) - 1 - r, false);
}

// A binary PNM (P5, P6) or PAM (P7) file: width, height, channels, maximum and the samples.
struct Pnm {
  int width = 0, height = 0, channels = 0, maxValue = 0;
  std::vector<int> samples;
};

inline Pnm ReadPnm(const std::string& name) {
  std::string s = testsupport::TempDir::Read(DataPath(name));
  Pnm p;
  size_t pos = 0;
  auto token = [&] {
    while (pos < s.size() && isspace(static_cast<unsigned char>(s[pos]))) ++pos;
    size_t start = pos;
    while (pos < s.size() && !isspace(static_cast<unsigned char>(s[pos]))) ++pos;
    return s.substr(start, pos - start);
  };
  std::string magic = token();
  if (magic == "P7") {
    for (std::string t = token(); t != "ENDHDR" && !t.empty(); t = token()) {
      if (t == "WIDTH") p.width = std::stoi(token());
      else if (t == "HEIGHT") p.height = std::stoi(token());
      else if (t == "DEPTH") p.channels = std::stoi(token());
      else if (t == "MAXVAL") p.maxValue = std::stoi(token());
      else if (t == "TUPLTYPE") token();
    }
  } else {
    p.channels = magic == "P6" ? 3 : 1;
    p.width = std::stoi(token());
    p.height = std::stoi(token());
    p.maxValue = std::stoi(token());
  }
  ++pos;
  size_t n = static_cast<size_t>(p.width) * p.height * p.channels;
  for (size_t i = 0; i < n; ++i) {
    if (p.maxValue > 255) {
      p.samples.push_back((static_cast<unsigned char>(s[pos]) << 8) | static_cast<unsigned char>(s[pos + 1]));
      pos += 2;
    } else {
      p.samples.push_back(static_cast<unsigned char>(s[pos++]));
    }
  }
  return p;
}

}  // namespace codectest
