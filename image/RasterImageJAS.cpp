#include "image/RasterImageJAS.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <openjpeg.h>

namespace {

// The stream reads through the caller's file, from where it stood when the decode began.
struct JasSource {
  CRasterFile* file;
  long base;
};

OPJ_SIZE_T ReadProc(void* buffer, OPJ_SIZE_T n, void* user) {
  JasSource* src = static_cast<JasSource*>(user);
  size_t got = src->file->Read(buffer, 1, n);
  return got == 0 ? static_cast<OPJ_SIZE_T>(-1) : got;
}

OPJ_OFF_T SkipProc(OPJ_OFF_T n, void* user) {
  JasSource* src = static_cast<JasSource*>(user);
  if (n > 0x7FFFFFFF || n < -0x7FFFFFFF) return -1;
  return src->file->Seek(static_cast<long>(n), 1) ? n : -1;
}

OPJ_BOOL SeekProc(OPJ_OFF_T pos, void* user) {
  JasSource* src = static_cast<JasSource*>(user);
  if (pos < 0 || pos > 0x7FFFFFFF - src->base) return OPJ_FALSE;
  return src->file->Seek(src->base + static_cast<long>(pos), 0) ? OPJ_TRUE : OPJ_FALSE;
}

// OpenJPEG's messages are not the image's texts; they are dropped.
void QuietMessage(const char*, void*) {}

// Releases OpenJPEG's objects on every path; the file stays open.
struct JasState {
  opj_stream_t* stream = nullptr;
  opj_codec_t* codec = nullptr;
  opj_image_t* image = nullptr;
  ~JasState() {
    if (image) opj_image_destroy(image);
    if (codec) opj_destroy_codec(codec);
    if (stream) opj_stream_destroy(stream);
  }
};

// Looks for the codestream's size marker in the first 64 KiB (a JP2 file holds it inside its
// codestream box) and checks the tile count it declares against the bytes the file holds. A
// stream whose marker is not found there is left to the codec.
bool TilesFitTheFile(CRasterFile* file, long base, long size) {
  if (size <= base) return true;
  std::vector<BYTE> window(static_cast<size_t>(std::min<long>(size - base, 65536)));
  window.resize(file->Read(window.data(), 1, window.size()));
  auto word = [&](size_t at) {
    return static_cast<uint32_t>(window[at]) << 24 | static_cast<uint32_t>(window[at + 1]) << 16 |
           static_cast<uint32_t>(window[at + 2]) << 8 | window[at + 3];
  };
  for (size_t i = 0; i + 40 <= window.size(); ++i) {
    if (window[i] != 0xFF || window[i + 1] != 0x4F || window[i + 2] != 0xFF || window[i + 3] != 0x51) continue;
    const size_t siz = i + 8;  // behind the two markers, the length and the capabilities
    const uint64_t xs = word(siz), ys = word(siz + 4), tw = word(siz + 16), th = word(siz + 20);
    const uint64_t tx0 = word(siz + 24), ty0 = word(siz + 28);
    if (tw == 0 || th == 0 || xs <= tx0 || ys <= ty0) return true;
    const uint64_t tiles = ((xs - tx0 + tw - 1) / tw) * ((ys - ty0 + th - 1) / th);
    return tiles * 14 <= static_cast<uint64_t>(size - base);
  }
  return true;
}

bool SameGeometry(const opj_image_comp_t& a, const opj_image_comp_t& b) {
  return a.w == b.w && a.h == b.h && a.prec == b.prec && a.dx == b.dx && a.dy == b.dy;
}

// Brings three or four components of at most 8 bits to R, G, B in the first three, as a colour
// conversion to sRGB would: YCbCr and CMYK are converted, RGB stays.
void ToSrgb(opj_image_t* image) {
  opj_image_comp_t* c = image->comps;
  const size_t n = static_cast<size_t>(c[0].w) * c[0].h;
  if (image->color_space == OPJ_CLRSPC_SYCC) {
    const int offset = 1 << (c[0].prec - 1);
    const int maxValue = (1 << c[0].prec) - 1;
    for (size_t i = 0; i < n; ++i) {
      int y = c[0].data[i], cb = c[1].data[i] - offset, cr = c[2].data[i] - offset;
      int r = y + static_cast<int>(1.402 * cr);
      int g = y - static_cast<int>(0.344 * cb + 0.714 * cr);
      int b = y + static_cast<int>(1.772 * cb);
      c[0].data[i] = r < 0 ? 0 : r > maxValue ? maxValue : r;
      c[1].data[i] = g < 0 ? 0 : g > maxValue ? maxValue : g;
      c[2].data[i] = b < 0 ? 0 : b > maxValue ? maxValue : b;
    }
  } else if (image->color_space == OPJ_CLRSPC_CMYK && image->numcomps >= 4 &&
             SameGeometry(c[0], c[3])) {
    const int maxValue = (1 << c[0].prec) - 1;
    for (size_t i = 0; i < n; ++i) {
      int k = maxValue - c[3].data[i];
      for (int j = 0; j < 3; ++j) c[j].data[i] = (maxValue - c[j].data[i]) * k / maxValue;
    }
  }
}

}  // namespace

bool CRasterImageJAS::Decode(CRasterFile* file, DWORD type) {
  if (!file) return false;
  JasSource source{file, file->Tell()};
  if (source.base < 0) return Fail("error: cannot open standard input");

  // The format is told by the stream's first bytes.
  static const BYTE JP2_SIGNATURE[12] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  static const BYTE JPC_SIGNATURE[4] = {0xFF, 0x4F, 0xFF, 0x51};
  BYTE head[12] = {};
  size_t got = file->Read(head, 1, sizeof(head));
  file->Seek(source.base, 0);
  OPJ_CODEC_FORMAT format;
  DWORD found;
  if (got >= 12 && memcmp(head, JP2_SIGNATURE, 12) == 0) {
    format = OPJ_CODEC_JP2;
    found = RASTER_FORMAT_JP2;
  } else if (got >= 4 && memcmp(head, JPC_SIGNATURE, 4) == 0) {
    format = OPJ_CODEC_J2K;
    found = RASTER_FORMAT_JPC;
  } else {
    return Fail("error: unknowm format");
  }

  // Every tile needs a tile-part of its own, at least 14 bytes: a codestream that declares more
  // tiles than its file can hold is refused before the codec lays out a record for each one.
  long size = file->Size();
  if (!TilesFitTheFile(file, source.base, size)) return Fail("error: cannot load image data");
  file->Seek(source.base, 0);

  JasState st;
  st.stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
  if (!st.stream) return Fail("error: cannot open standard input");
  opj_stream_set_user_data(st.stream, &source, nullptr);
  opj_stream_set_user_data_length(st.stream, size > source.base ? static_cast<OPJ_UINT64>(size - source.base) : 0);
  opj_stream_set_read_function(st.stream, ReadProc);
  opj_stream_set_skip_function(st.stream, SkipProc);
  opj_stream_set_seek_function(st.stream, SeekProc);

  st.codec = opj_create_decompress(format);
  if (!st.codec) return Fail("cannot initialize jasper");
  opj_set_info_handler(st.codec, QuietMessage, nullptr);
  opj_set_warning_handler(st.codec, QuietMessage, nullptr);
  opj_set_error_handler(st.codec, QuietMessage, nullptr);
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(st.codec, &parameters)) return Fail("cannot initialize jasper");
  if (!opj_read_header(st.stream, st.codec, &st.image) || !st.image)
    return Fail("error: cannot load image data");

  opj_image_t* image = st.image;
  const OPJ_UINT32 numComps = image->numcomps;
  if (numComps == 0) return Fail("error: cannot load image data");
  if (numComps > 64) return Fail("error: too many components");
  // Nothing larger than the pictures this library can hold is decoded.
  uint64_t samples = 0;
  for (OPJ_UINT32 i = 0; i < numComps; ++i)
    samples += static_cast<uint64_t>(image->comps[i].w) * image->comps[i].h;
  if (samples > RASTER_MAX_MEMORY) return Fail("IMAGE_MAX_MEMORY exceeded");
  if (!opj_decode(st.codec, st.stream, image) || !opj_end_decompress(st.codec, st.stream))
    return Fail("error: cannot load image data");
  for (OPJ_UINT32 i = 0; i < numComps; ++i) {
    if (!image->comps[i].data || image->comps[i].prec == 0 || image->comps[i].prec > 31)
      return Fail("error: cannot load image data");
  }

  const opj_image_comp_t* c = image->comps;
  const int precision = static_cast<int>(c[0].prec);
  const int shift = precision > 8 ? precision - 8 : 0;
  // Three or more components of at most 8 bits are brought to sRGB, which leaves three; three
  // components of more bits are taken as they are.
  const bool sameThree = numComps > 2 && SameGeometry(c[0], c[1]) && SameGeometry(c[0], c[2]);
  bool colour = false;
  if (sameThree && precision <= 8) {
    ToSrgb(image);
    colour = true;
  } else if (sameThree && numComps == 3) {
    colour = true;
  }

  if (colour) {
    const DWORD width = c[0].w;
    const DWORD height = c[0].h;
    if (!Create(width, height, 24, found)) return Fail("");
    for (DWORD y = 0; y < height; ++y) {
      BYTE* dst = GetBits(height - 1 - y);
      const size_t row = static_cast<size_t>(y) * width;
      for (DWORD x = 0; x < width; ++x) {
        dst[3 * x] = static_cast<BYTE>(c[2].data[row + x] >> shift);
        dst[3 * x + 1] = static_cast<BYTE>(c[1].data[row + x] >> shift);
        dst[3 * x + 2] = static_cast<BYTE>(c[0].data[row + x] >> shift);
      }
    }
    return true;
  }

  // Every other layout: each component is a frame, shown as a grey picture.
  m_info.numFrames = static_cast<LONG>(numComps);
  const long frame = m_info.frame;
  if (frame < 0 || frame >= static_cast<long>(numComps)) return Fail("wrong frame!");
  const opj_image_comp_t& comp = c[frame];
  const DWORD width = comp.w;
  const DWORD height = comp.h;
  const int bits = precision < 8 ? precision : 8;
  if (!Create(width, height, static_cast<DWORD>(bits), type ? type : found)) return Fail("");
  SetGrayPalette();
  for (DWORD y = 0; y < height; ++y) {
    const size_t row = static_cast<size_t>(y) * width;
    for (DWORD x = 0; x < width; ++x)
      SetPixelIndex(static_cast<long>(x), static_cast<long>(height - 1 - y),
                    static_cast<BYTE>(comp.data[row + x] >> shift));
  }
  return true;
}
