// Fuzz target: the GIF decoder, as the engine's loader uses it: the first frame, then the last
// frame with every frame kept.
#include "fuzz/ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzDecode(data, size, 2);
  CRasterImage image;
  image.SetFrame(0);
  if (!image.Decode(const_cast<BYTE*>(data), static_cast<DWORD>(size), 2)) return 0;
  long frames = image.GetNumFrames();
  if (frames > 1) {
    CRasterImage all;
    all.SetFrame(frames - 1);
    all.SetRetrieveAllFrames(true);
    if (all.Decode(const_cast<BYTE*>(data), static_cast<DWORD>(size), 2)) {
      unsigned sum = 0;
      for (long f = 0; f < frames; f++) {
        CRasterImage* frame = all.GetFrame(f);
        if (frame && frame->IsValid()) sum += frame->GetPixelIndex(0, 0) + frame->GetFrameDelay();
      }
      volatile unsigned sink = sum;
      (void)sink;
    }
  }
  return 0;
}
