// pxqd-ppswrite [--codec N] [--frames N] [--duration MS] [--hotspot A,B] INPUT OUTPUT
// Turns a picture the engine can load (BMP, GIF, PNG, JPEG, ICO, TIFF, TGA, WBMP) into a .pps file.
// The picture is decoded as the engine decodes it, magenta key included. An animation keeps its
// frames and their display times; --frames instead cuts the whole picture into that many frames
// stacked from top to bottom, each shown --duration milliseconds (also the time of every frame of
// an animation when given).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/EngineUtil.h"
#include "engine/Pps.h"
#include "engine/ResourceManager.h"
#include "tools/PpsWriter.h"

int main(int argc, char** argv) {
  int codec = 5;
  long frames = 0;
  DWORD duration = 0;
  bool hotSpot = false;
  int hot[2] = {0, 0};
  int i = 1;
  for (; i + 1 < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2) {
    const std::string option = argv[i];
    if (option == "--codec") {
      codec = std::atoi(argv[i + 1]);
    } else if (option == "--frames") {
      frames = std::atol(argv[i + 1]);
    } else if (option == "--duration") {
      duration = static_cast<DWORD>(std::strtoul(argv[i + 1], nullptr, 10));
    } else if (option == "--hotspot") {
      hotSpot = std::sscanf(argv[i + 1], "%d,%d", &hot[0], &hot[1]) == 2;
    } else {
      break;
    }
  }
  if (argc - i != 2 || (codec != 1 && (codec < 3 || codec > 6))) {
    std::fprintf(stderr, "usage: %s [--codec 1|3|4|5|6] [--frames N] [--duration MS] [--hotspot A,B] INPUT OUTPUT\n",
                 argv[0]);
    return 2;
  }
  std::ifstream in(argv[i], std::ios::binary);
  std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  char extension[MAX_PATH];
  GetFileExt(argv[i], extension);
  ImageRecord image = {};
  image.transparent = DEFAULT_KEY_COLOR;
  image.flags = IMGFLAG_TRANSPARENT;
  if (!in || !ResourceManager::Instance()->DecodeImage(bytes.data(), static_cast<DWORD>(bytes.size()), extension, &image)) {
    std::fprintf(stderr, "%s: cannot decode %s\n", argv[0], argv[i]);
    return 1;
  }
  const long height = static_cast<long>(image.height) * image.frameCount;
  const bool keepFrames = frames == 0;
  if (keepFrames) frames = image.frameCount;
  if (frames < 1 || height % frames != 0 || height / frames > 0xffff) {
    std::fprintf(stderr, "%s: %ld rows do not split into %ld frames\n", argv[0], height, frames);
    FreePps(&image);
    return 1;
  }
  const bool palettised = IsPalettised(image);
  DWORD flags = static_cast<DWORD>(image.flags) & (IMGFLAG_TRANSPARENT | IMGFLAG_ALPHA);
  // A keyed true-colour picture carries its key in the alpha bytes, which only an alpha plane keeps.
  if (!palettised && (image.flags & IMGFLAG_TRANSPARENT)) flags |= IMGFLAG_ALPHA;
  PpsWriter writer(codec, image.width, static_cast<WORD>(height / frames), flags);
  writer.SetTransparent(image.transparent);
  if (palettised) writer.SetPalette(std::vector<BYTE>(image.palette, image.palette + image.paletteEntries * 3));
  if (hotSpot) writer.SetHotSpot(static_cast<int16_t>(hot[0]), static_cast<int16_t>(hot[1]));
  const size_t frameBytes = image.bufferSize / static_cast<size_t>(frames);
  for (long f = 0; f < frames; f++) {
    DWORD time = duration;
    if (!time && keepFrames && image.durations) time = static_cast<DWORD>(image.durations[f]);
    writer.AddFrame(image.pixels + f * frameBytes, time);
  }
  FreePps(&image);
  const std::vector<BYTE> out = writer.Write();
  FILE* file = std::fopen(argv[i + 1], "wb");
  if (!file || std::fwrite(out.data(), 1, out.size(), file) != out.size() || std::fclose(file) != 0) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[i + 1]);
    return 1;
  }
  return 0;
}
