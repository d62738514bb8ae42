// Decode throughput of the image library's PNG and JPEG decoders beside the codec libraries
// decoding the same bytes directly (libpng's simplified API, libjpeg), in megapixels per second.
// The pictures are made at start-up: a 1024 x 768 photo-like picture (gradients, edges and
// noise) and a 64 x 64 icon.
#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdio>
#include <random>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "image/RasterImage.h"

namespace {

struct Picture {
  int width, height;
  std::vector<BYTE> rgb;
  std::vector<BYTE> png;
  std::vector<BYTE> jpeg;
  std::vector<BYTE> pngAlpha;  // the same picture with an alpha channel that varies
};

std::vector<BYTE> MakeRgb(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> noise(-6, 6);
  std::vector<BYTE> rgb(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      BYTE* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      int edge = ((x / 97 + y / 61) % 3) * 40;
      int v[3] = {x * 255 / w + edge, y * 255 / h, (x + y) * 127 / (w + h) + 64 - edge / 2};
      for (int c = 0; c < 3; ++c) {
        int n = v[c] + noise(rng);
        p[c] = static_cast<BYTE>(n < 0 ? 0 : n > 255 ? 255 : n);
      }
    }
  }
  return rgb;
}

std::vector<BYTE> EncodePng(const std::vector<BYTE>& rgb, int w, int h, png_uint_32 format = PNG_FORMAT_RGB) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = format;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr);
  std::vector<BYTE> out(size);
  png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr);
  out.resize(size);
  return out;
}

std::vector<BYTE> EncodeJpeg(const std::vector<BYTE>& rgb, int w, int h) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long memSize = 0;
  jpeg_mem_dest(&cinfo, &mem, &memSize);
  cinfo.image_width = static_cast<JDIMENSION>(w);
  cinfo.image_height = static_cast<JDIMENSION>(h);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<BYTE*>(&rgb[static_cast<size_t>(cinfo.next_scanline) * w * 3]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<BYTE> out(mem, mem + memSize);
  jpeg_destroy_compress(&cinfo);
  free(mem);
  return out;
}

Picture Make(int w, int h, unsigned seed) {
  Picture p{w, h, MakeRgb(w, h, seed), {}, {}, {}};
  p.png = EncodePng(p.rgb, w, h);
  p.jpeg = EncodeJpeg(p.rgb, w, h);
  std::vector<BYTE> rgba(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
    for (int c = 0; c < 3; ++c) rgba[i * 4 + c] = p.rgb[i * 3 + c];
    rgba[i * 4 + 3] = static_cast<BYTE>((i % static_cast<size_t>(w)) * 255 / w);
  }
  p.pngAlpha = EncodePng(rgba, w, h, PNG_FORMAT_RGBA);
  return p;
}

const Picture& Photo() {
  static const Picture p = Make(1024, 768, 1);
  return p;
}

const Picture& Icon() {
  static const Picture p = Make(64, 64, 2);
  return p;
}

void SetRate(benchmark::State& state, const Picture& p) {
  state.counters["Mpixels"] = benchmark::Counter(static_cast<double>(p.width) * p.height / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

void OurDecode(benchmark::State& state, const Picture& p, std::vector<BYTE> Picture::*file, DWORD type) {
  std::vector<BYTE> bytes = p.*file;
  for (auto _ : state) {
    CRasterImage image;
    if (!image.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), type)) {
      state.SkipWithError(image.GetLastError());
      break;
    }
    benchmark::DoNotOptimize(image.GetBits());
  }
  SetRate(state, p);
}

void LibpngDecode(benchmark::State& state, const Picture& p, bool withAlpha = false) {
  const std::vector<BYTE>& file = withAlpha ? p.pngAlpha : p.png;
  std::vector<BYTE> pixels(static_cast<size_t>(p.width) * p.height * 4);
  for (auto _ : state) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) {
      state.SkipWithError("libpng could not read the header");
      break;
    }
    // The same output as the decoder's: B, G, R, with the alpha beside them when there is one.
    image.format = withAlpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
  SetRate(state, p);
}

void LibjpegDecode(benchmark::State& state, const Picture& p) {
  std::vector<BYTE> pixels(static_cast<size_t>(p.width) * p.height * 3);
  for (auto _ : state) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, p.jpeg.data(), p.jpeg.size());
    jpeg_read_header(&cinfo, TRUE);
    // The same output as the decoder's: B, G, R rows, written straight into the pixels.
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW rows[16];
      JDIMENSION count = cinfo.output_height - cinfo.output_scanline;
      if (count > 16) count = 16;
      for (JDIMENSION i = 0; i < count; ++i) {
        rows[i] = &pixels[static_cast<size_t>(cinfo.output_scanline + i) * p.width * 3];
      }
      jpeg_read_scanlines(&cinfo, rows, count);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.data());
  }
  SetRate(state, p);
}

void BM_Png_Photo_Ours(benchmark::State& s) { OurDecode(s, Photo(), &Picture::png, RASTER_FORMAT_PNG); }
void BM_Png_Photo_Libpng(benchmark::State& s) { LibpngDecode(s, Photo()); }
void BM_Png_Icon_Ours(benchmark::State& s) { OurDecode(s, Icon(), &Picture::png, RASTER_FORMAT_PNG); }
void BM_Png_Icon_Libpng(benchmark::State& s) { LibpngDecode(s, Icon()); }
void BM_Png_Alpha_Ours(benchmark::State& s) { OurDecode(s, Photo(), &Picture::pngAlpha, RASTER_FORMAT_PNG); }
void BM_Png_Alpha_Libpng(benchmark::State& s) { LibpngDecode(s, Photo(), true); }
void BM_Jpeg_Photo_Ours(benchmark::State& s) { OurDecode(s, Photo(), &Picture::jpeg, RASTER_FORMAT_JPG); }
void BM_Jpeg_Photo_Libjpeg(benchmark::State& s) { LibjpegDecode(s, Photo()); }
void BM_Jpeg_Icon_Ours(benchmark::State& s) { OurDecode(s, Icon(), &Picture::jpeg, RASTER_FORMAT_JPG); }
void BM_Jpeg_Icon_Libjpeg(benchmark::State& s) { LibjpegDecode(s, Icon()); }

// A file of a few hundred bytes: n one-pixel frames on a 6000 x 6000 logical screen, the last
// frame asked for. What it costs should follow what the file holds, not n full screens.
std::vector<BYTE> TinyFramesOnALargeScreen(int n) {
  const int screen = 6000;
  std::vector<BYTE> g = {'G', 'I', 'F', '8', '9', 'a', BYTE(screen & 0xFF), BYTE(screen >> 8),
                         BYTE(screen & 0xFF), BYTE(screen >> 8), 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
  for (int i = 0; i < n; ++i) {
    const BYTE frame[] = {',', BYTE(i), 0, BYTE(i), 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0};
    g.insert(g.end(), frame, frame + sizeof(frame));
  }
  g.push_back(';');
  return g;
}

void BM_Gif_TinyFramesOnALargeScreen(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<BYTE> bytes = TinyFramesOnALargeScreen(n);
  for (auto _ : state) {
    CRasterImage image;
    image.SetFrame(n - 1);
    if (!image.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), RASTER_FORMAT_GIF)) {
      state.SkipWithError(image.GetLastError());
      break;
    }
    benchmark::DoNotOptimize(image.GetBits());
  }
  state.counters["file bytes"] = static_cast<double>(bytes.size());
}

BENCHMARK(BM_Png_Photo_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Png_Photo_Libpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Png_Icon_Ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Png_Icon_Libpng)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Png_Alpha_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Png_Alpha_Libpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg_Photo_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg_Photo_Libjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg_Icon_Ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Jpeg_Icon_Libjpeg)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Gif_TinyFramesOnALargeScreen)->Arg(1)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
