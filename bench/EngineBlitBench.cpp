// The engine's blit family on a 32 x 32 sprite, a 64 x 96 tile and a 1024 x 768 background,
// beside pixman's equivalent operations (over, scaled over, rotated over) and memcpy in the same
// run, and one full frame of a table-like scene. Rates are source megapixels per second ("MP/s");
// the scene reports frames per second ("fps").
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "engine/BlitFamily.h"
#include "engine/DrawDispatcher.h"
#include "engine/ImageRecord.h"
#include "engine/Screen.h"
#include "platform/gdi/Gdi.h"

namespace {

struct Size {
  int w, h;
};
const Size SIZES[] = {{32, 32}, {64, 96}, {1024, 768}};

// Source pictures in every format with varied alpha and a key index, and a palette.
struct Sources {
  std::vector<uint32_t> rgba;
  std::vector<uint8_t> palAlpha;
  std::vector<uint8_t> pal;
  std::vector<uint8_t> palette;
  int w, h;
  explicit Sources(Size s) : w(s.w), h(s.h) {
    std::mt19937 rng(7);
    const size_t n = static_cast<size_t>(w) * h;
    rgba.resize(n);
    palAlpha.resize(n * 2);
    pal.resize(n);
    palette.resize(768);
    for (auto& b : palette) b = static_cast<uint8_t>(rng());
    for (size_t i = 0; i < n; ++i) {
      const uint32_t a = (i % 7 == 0) ? 0 : ((i % 3 == 0) ? 255 : rng() & 0xff);
      rgba[i] = (a << 24) | (rng() & 0xffffff);
      palAlpha[2 * i] = static_cast<uint8_t>(rng() % 250 + 1);
      palAlpha[2 * i + 1] = static_cast<uint8_t>(a);
      pal[i] = static_cast<uint8_t>(i % 11 == 0 ? 0 : rng() % 250 + 1);
    }
  }
};

struct Dest {
  std::vector<uint32_t> pixels;
  int w, h;
  Dest(int width, int height) : pixels(static_cast<size_t>(width) * height, 0xff204060u),
                                w(width), h(height) {}
  RECT All() const { return RECT{0, 0, w, h}; }
};

void SetRate(benchmark::State& state, int64_t pixels) {
  state.counters["MP/s"] = benchmark::Counter(
      static_cast<double>(pixels) * static_cast<double>(state.iterations()) / 1e6,
      benchmark::Counter::kIsRate);
}

using BlitFn = std::function<void(Dest&, const Sources&)>;

constexpr double ANGLE = 30.0;
constexpr uint32_t NOBACK = DEFAULT_KEY_COLOR;

// Each member with the opacity and back colour of its common use.
const std::vector<std::pair<const char*, BlitFn>>& Members() {
  static const std::vector<std::pair<const char*, BlitFn>> members = {
      {"PalAlpha", [](Dest& d, const Sources& s) {
         BlitImagePalAlpha(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.palAlpha.data(), 0, 0, s.w,
                           s.h, s.w, s.h, 0, s.palette.data(), 1.0, NOBACK);
       }},
      {"PalAlphaOnOpaque", [](Dest& d, const Sources& s) {
         BlitImagePalAlphaOnOpaque(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.palAlpha.data(), 0,
                                   0, s.w, s.h, s.w, s.h, 0, s.palette.data(), 1.0, NOBACK);
       }},
      {"Pal", [](Dest& d, const Sources& s) {
         BlitImagePal(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.pal.data(), 0, 0, s.w, s.h, s.w,
                      s.h, 0, s.palette.data(), 1.0, NOBACK);
       }},
      {"RgbaAlpha", [](Dest& d, const Sources& s) {
         BlitImageRgbaAlpha(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.rgba.data(), 0, 0, s.w,
                            s.h, s.w, s.h, 1.0, NOBACK);
       }},
      {"RgbaAlphaHalf", [](Dest& d, const Sources& s) {
         BlitImageRgbaAlpha(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.rgba.data(), 0, 0, s.w,
                            s.h, s.w, s.h, 0.5, NOBACK);
       }},
      {"RgbaAlphaOnOpaque", [](Dest& d, const Sources& s) {
         BlitImageRgbaAlphaOnOpaque(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.rgba.data(), 0, 0,
                                    s.w, s.h, s.w, s.h, 1.0, NOBACK);
       }},
      {"Rgba", [](Dest& d, const Sources& s) {
         BlitImageRgba(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.rgba.data(), 0, 0, s.w, s.h,
                       s.w, s.h, 1.0, NOBACK);
       }},
      {"RgbaCopy", [](Dest& d, const Sources& s) {
         BlitImageRgbaCopy(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.rgba.data(), 0, 0, s.w,
                           s.h, s.w, s.h, 1.0, NOBACK);
       }},
      {"RotatedPalAlpha", [](Dest& d, const Sources& s) {
         BlitImageRotatedPalAlpha(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.palAlpha.data(), 0,
                                  0, s.w, s.h, s.w, s.h, 0, s.palette.data(), ANGLE, 1.0, NOBACK);
       }},
      {"RotatedPal", [](Dest& d, const Sources& s) {
         BlitImageRotatedPal(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.pal.data(), 0, 0, s.w,
                             s.h, s.w, s.h, 0, s.palette.data(), ANGLE, 1.0, NOBACK);
       }},
      {"RotatedRgbaAlpha", [](Dest& d, const Sources& s) {
         BlitImageRotatedRgbaAlpha(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.rgba.data(), 0, 0,
                                   s.w, s.h, s.w, s.h, ANGLE, 1.0, NOBACK);
       }},
      {"RotatedRgba", [](Dest& d, const Sources& s) {
         BlitImageRotatedRgba(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.rgba.data(), 0, 0, s.w,
                              s.h, s.w, s.h, ANGLE, 1.0, NOBACK);
       }},
      {"SmoothPalAlpha", [](Dest& d, const Sources& s) {
         BlitImageSmoothPalAlpha(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.palAlpha.data(), 0, 0,
                                 s.w, s.h, s.w, s.h, s.palette.data(), ANGLE, 1.0, NOBACK);
       }},
      {"SmoothPal", [](Dest& d, const Sources& s) {
         BlitImageSmoothPal(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.pal.data(), 0, 0, s.w, s.h,
                            s.w, s.h, s.palette.data(), ANGLE, 1.0, NOBACK);
       }},
      {"SmoothRgba", [](Dest& d, const Sources& s) {
         BlitImageSmoothRgba(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.rgba.data(), 0, 0, s.w,
                             s.h, s.w, s.h, ANGLE, 1.0, NOBACK);
       }},
      {"SilhouettePal", [](Dest& d, const Sources& s) {
         BlitImageSilhouettePal(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.palAlpha.data(), 0, 0,
                                s.w, s.h, s.w, s.h, 0, s.palette.data(), ANGLE, 1.0, NOBACK);
       }},
      {"SilhouettePal8", [](Dest& d, const Sources& s) {
         BlitImageSilhouettePal8(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.pal.data(), 0, 0, s.w,
                                 s.h, s.w, s.h, 0, s.palette.data(), ANGLE, 1.0, NOBACK);
       }},
      {"SilhouetteRgba", [](Dest& d, const Sources& s) {
         BlitImageSilhouetteRgba(d.pixels.data(), 0, 0, d.w, d.h, d.All(), s.rgba.data(), 0, 0,
                                 s.w, s.h, s.w, s.h, ANGLE, 1.0, NOBACK);
       }},
  };
  return members;
}

void BM_EngineBlit(benchmark::State& state, int member) {
  const Size s = SIZES[state.range(0)];
  const Sources sources(s);
  const char* name = Members()[member].first;
  const bool rotates = std::strncmp(name, "Rot", 3) == 0 || std::strncmp(name, "Smo", 3) == 0 ||
                       std::strncmp(name, "Sil", 3) == 0;
  const int side = 2 * BlitRadius(s.w, s.h);
  Dest dest(rotates ? side : s.w, rotates ? side : s.h);
  const BlitFn& fn = Members()[member].second;
  for (auto _ : state) {
    fn(dest, sources);
    benchmark::DoNotOptimize(dest.pixels.data());
    benchmark::ClobberMemory();
  }
  SetRate(state, static_cast<int64_t>(s.w) * s.h);
}

// The engine's scaled draw: the dispatcher scales a picture to twice its size (allocation
// included), as it does for every placement whose size differs from the picture's.
void BM_EngineScaledDraw(benchmark::State& state) {
  const Size s = SIZES[state.range(0)];
  const Sources sources(s);
  Dest dest(s.w * 2, s.h * 2);
  ImageRecord rec{};
  rec.width = static_cast<uint16_t>(s.w);
  rec.height = static_cast<uint16_t>(s.h);
  rec.frameCount = 1;
  rec.pixels = reinterpret_cast<uint8_t*>(const_cast<uint32_t*>(sources.rgba.data()));
  rec.bufferSize = static_cast<uint32_t>(sources.rgba.size() * 4);
  rec.flags = IMGFLAG_ALPHA;
  PixelSurface surface;
  surface.pixels = dest.pixels.data();
  surface.width = dest.w;
  surface.height = dest.h;
  EntityPlacement p{};
  p.width = s.w * 2;
  p.height = s.h * 2;
  p.viewX = p.x = (p.width + 1) / 2;
  p.viewY = p.y = (p.height + 1) / 2;
  for (auto _ : state) {
    DrawEntityToBuffer(surface, p, rec, 0, 0, s.w, s.h, 1.0, DEFAULT_KEY_COLOR);
    benchmark::ClobberMemory();
  }
  SetRate(state, static_cast<int64_t>(s.w) * s.h * 4);
}

// pixman's equivalents on premultiplied a8r8g8b8 images.
struct PixmanPair {
  std::vector<uint32_t> src;
  std::vector<uint32_t> dst;
  pixman_image_t* srcImage;
  pixman_image_t* dstImage;
  PixmanPair(Size s, int dw, int dh) : src(static_cast<size_t>(s.w) * s.h),
                                       dst(static_cast<size_t>(dw) * dh, 0xff204060u) {
    std::mt19937 rng(3);
    for (auto& p : src) {
      const uint32_t a = rng() & 0xff;
      const uint32_t c = rng();
      p = (a << 24) | ((((c >> 16) & 0xff) * a / 255) << 16) | ((((c >> 8) & 0xff) * a / 255) << 8) |
          ((c & 0xff) * a / 255);
    }
    srcImage = pixman_image_create_bits(PIXMAN_a8r8g8b8, s.w, s.h, src.data(), s.w * 4);
    dstImage = pixman_image_create_bits(PIXMAN_a8r8g8b8, dw, dh, dst.data(), dw * 4);
  }
  ~PixmanPair() {
    pixman_image_unref(srcImage);
    pixman_image_unref(dstImage);
  }
};

void BM_PixmanOver(benchmark::State& state) {
  const Size s = SIZES[state.range(0)];
  PixmanPair pair(s, s.w, s.h);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, pair.srcImage, nullptr, pair.dstImage, 0, 0, 0, 0, 0,
                             0, s.w, s.h);
    benchmark::ClobberMemory();
  }
  SetRate(state, static_cast<int64_t>(s.w) * s.h);
}

// The keyed sprite copy (Engine/Rgba: pixels of alpha 0 are the key and stay as they are) done by
// pixman on the same pixels: SRC through an a8 mask that is 255 where the sprite is drawn and 0 at
// the key.
void BM_PixmanKeyedCopy(benchmark::State& state) {
  const Size s = SIZES[state.range(0)];
  const Sources sources(s);
  Dest dest(s.w, s.h);
  const int maskStride = (s.w + 3) / 4 * 4;
  std::vector<uint8_t> mask(static_cast<size_t>(maskStride) * s.h);
  for (int y = 0; y < s.h; ++y) {
    for (int x = 0; x < s.w; ++x) {
      mask[static_cast<size_t>(y) * maskStride + x] = (sources.rgba[static_cast<size_t>(y) * s.w + x] >> 24) ? 255 : 0;
    }
  }
  pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, s.w, s.h,
                                                 const_cast<uint32_t*>(sources.rgba.data()), s.w * 4);
  pixman_image_t* m = pixman_image_create_bits(PIXMAN_a8, s.w, s.h, reinterpret_cast<uint32_t*>(mask.data()),
                                               maskStride);
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, s.w, s.h, dest.pixels.data(), s.w * 4);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, src, m, dst, 0, 0, 0, 0, 0, 0, s.w, s.h);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(src);
  pixman_image_unref(m);
  pixman_image_unref(dst);
  SetRate(state, static_cast<int64_t>(s.w) * s.h);
}

void BM_PixmanScaledOver(benchmark::State& state) {
  const Size s = SIZES[state.range(0)];
  PixmanPair pair(s, s.w * 2, s.h * 2);
  pixman_transform_t t;
  pixman_transform_init_scale(&t, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
  pixman_image_set_transform(pair.srcImage, &t);
  pixman_image_set_filter(pair.srcImage, PIXMAN_FILTER_NEAREST, nullptr, 0);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, pair.srcImage, nullptr, pair.dstImage, 0, 0, 0, 0, 0,
                             0, s.w * 2, s.h * 2);
    benchmark::ClobberMemory();
  }
  SetRate(state, static_cast<int64_t>(s.w) * s.h * 4);
}

void BM_PixmanRotatedOver(benchmark::State& state, pixman_filter_t filter) {
  const Size s = SIZES[state.range(0)];
  const int side = 2 * BlitRadius(s.w, s.h);
  PixmanPair pair(s, side, side);
  const double theta = ANGLE * 3.14159 / 180;
  pixman_transform_t t;
  // Destination -> source: move the square's centre to the origin, turn, move to the picture's
  // centre.
  pixman_transform_init_translate(&t, pixman_double_to_fixed(-side / 2.0),
                                  pixman_double_to_fixed(-side / 2.0));
  pixman_transform_rotate(&t, nullptr, pixman_double_to_fixed(std::cos(theta)),
                          pixman_double_to_fixed(std::sin(theta)));
  pixman_transform_translate(&t, nullptr, pixman_double_to_fixed(s.w / 2.0),
                             pixman_double_to_fixed(s.h / 2.0));
  pixman_image_set_transform(pair.srcImage, &t);
  pixman_image_set_filter(pair.srcImage, filter, nullptr, 0);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, pair.srcImage, nullptr, pair.dstImage, 0, 0, 0, 0, 0,
                             0, side, side);
    benchmark::ClobberMemory();
  }
  SetRate(state, static_cast<int64_t>(s.w) * s.h);
}

void BM_Memcpy(benchmark::State& state) {
  const Size s = SIZES[state.range(0)];
  std::vector<uint32_t> src(static_cast<size_t>(s.w) * s.h, 1), dst(src.size());
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size() * 4);
    benchmark::ClobberMemory();
  }
  SetRate(state, static_cast<int64_t>(s.w) * s.h);
}

// ---- one frame of a table-like scene

class BenchImages : public ImageSource {
 public:
  const ImageRecord* GetImage(uint32_t id) override {
    auto it = m_records.find(id);
    return it == m_records.end() ? nullptr : &it->second;
  }
  void Add(uint32_t id, int w, int h, int32_t flags, uint32_t seed) {
    auto& px = m_pixels[id];
    px.resize(static_cast<size_t>(w) * h);
    std::mt19937 rng(seed);
    for (auto& p : px) p = (flags & IMGFLAG_ALPHA) ? ((rng() & 1) ? 0xff000000u : 0x80000000u) | (rng() & 0xffffff)
                                                   : 0xff000000u | (rng() & 0xffffff);
    ImageRecord r{};
    r.resourceId = id;
    r.width = static_cast<uint16_t>(w);
    r.height = static_cast<uint16_t>(h);
    r.frameCount = 1;
    r.pixels = reinterpret_cast<uint8_t*>(px.data());
    r.bufferSize = static_cast<uint32_t>(px.size() * 4);
    r.flags = flags;
    m_records[id] = r;
  }

 private:
  std::map<uint32_t, std::vector<uint32_t>> m_pixels;
  std::map<uint32_t, ImageRecord> m_records;
};

struct SceneItem {
  EntityPlacement placement{};
  EntityData data{};
  PictureState state{};
  int layer = 0;
  int32_t handle = 0;
};

void BM_TableSceneFrame(benchmark::State& state) {
  constexpr int W = 1024;
  constexpr int H = 768;
  BenchImages images;
  images.Add(1, W, H, 0, 1);               // table cloth
  images.Add(2, 40, 60, IMGFLAG_ALPHA, 2);  // tile face
  images.Add(3, 32, 32, IMGFLAG_ALPHA, 3);  // sprite
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateBitmap(W, H, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  {
    Screen screen(&images);
    screen.Init(dc, W, H);
    screen.SetBackground(1, 0, 0, W, H, BG_FLAG_BUFFERED);
    std::vector<std::unique_ptr<SceneItem>> items;
    auto add = [&](uint32_t res, int x, int y, int w, int h, int layer, int level) {
      auto it = std::make_unique<SceneItem>();
      it->placement.x = x;
      it->placement.y = y;
      it->placement.width = w;
      it->placement.height = h;
      it->placement.level = level;
      it->state = PictureState{static_cast<int32_t>(res), 0, 0, w, h, DEFAULT_KEY_COLOR, 0};
      it->data = EntityData{BIT_SINGLE, static_cast<int32_t>(res), sizeof(PictureState), w, h,
                            &it->state, 0};
      it->layer = layer;
      it->handle = screen.AddItem(layer, "", static_cast<uint32_t>(items.size() + 1), 0,
                                  &it->placement, 1.0, 1, &it->data);
      items.push_back(std::move(it));
    };
    // 136 tiles: four walls of 17 stacks of two around the table.
    for (int i = 0; i < 136; ++i) {
      const int wall = i / 34, k = (i % 34) / 2, up = i % 2;
      int x = 0, y = 0;
      switch (wall) {
        case 0: x = 170 + k * 40; y = 120 - up * 10; break;
        case 1: x = 900 - up * 10; y = 120 + k * 34; break;
        case 2: x = 170 + k * 40; y = 700 - up * 10; break;
        default: x = 110 - up * 10; y = 120 + k * 34; break;
      }
      add(2, x, y, 40, 60, 2, up);
    }
    const size_t firstSprite = items.size();
    for (int i = 0; i < 20; ++i) add(3, 100 + i * 40, 400, 32, 32, 3, 0);
    uint32_t frame = 0;
    screen.InvalidateAll();
    screen.RenderFrame(frame, dc);
    for (auto _ : state) {
      ++frame;
      for (size_t i = firstSprite; i < items.size(); ++i) {
        SceneItem& s = *items[i];
        s.placement.x = 100 + static_cast<int>((i * 37 + frame * 5) % 800);
        s.placement.y = 200 + static_cast<int>((i * 53 + frame * 3) % 400);
        screen.UpdateItemEx(s.layer, s.handle, 2, 0, 1.0, &s.placement);
      }
      screen.RenderFrame(frame, dc);
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                               benchmark::Counter::kIsRate);
  }
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
}

// Registration: every member at the three sizes, then the references.
const int REGISTERED = [] {
  for (size_t m = 0; m < Members().size(); ++m) {
    benchmark::RegisterBenchmark((std::string("Engine/") + Members()[m].first).c_str(),
                                 [m](benchmark::State& st) { BM_EngineBlit(st, static_cast<int>(m)); })
        ->DenseRange(0, 2);
  }
  benchmark::RegisterBenchmark("Engine/ScaledDraw2x", BM_EngineScaledDraw)->DenseRange(0, 2);
  benchmark::RegisterBenchmark("Pixman/Over", BM_PixmanOver)->DenseRange(0, 2);
  benchmark::RegisterBenchmark("Pixman/KeyedCopy", BM_PixmanKeyedCopy)->DenseRange(0, 2);
  benchmark::RegisterBenchmark("Pixman/ScaledOver2xNearest", BM_PixmanScaledOver)->DenseRange(0, 2);
  benchmark::RegisterBenchmark("Pixman/RotatedOverNearest",
                               [](benchmark::State& st) { BM_PixmanRotatedOver(st, PIXMAN_FILTER_NEAREST); })
      ->DenseRange(0, 2);
  benchmark::RegisterBenchmark("Pixman/RotatedOverBilinear",
                               [](benchmark::State& st) { BM_PixmanRotatedOver(st, PIXMAN_FILTER_BILINEAR); })
      ->DenseRange(0, 2);
  benchmark::RegisterBenchmark("Memcpy", BM_Memcpy)->DenseRange(0, 2);
  benchmark::RegisterBenchmark("Scene/TableFrame1024x768", BM_TableSceneFrame)->Unit(benchmark::kMillisecond);
  return 0;
}();

}  // namespace

BENCHMARK_MAIN();
