// One picture in memory as a Windows packed DIB of 1, 4, 8 or 24 bits per pixel, with the state
// the decoders and the drawing code share: transparency, an optional alpha layer, a selection
// mask, the kept frames of an animation, the last error text and the settings that steer
// decoding.
//
// Coordinates: x from 0 (left) to width - 1, y from 0 (the bottom row, because the DIB stores
// its rows bottom-up) to height - 1. A caller that wants the top row first reads row
// height - 1 - r.
//
// Nothing here throws to a caller: failures return false or null and leave a text (at most 255
// characters) as the last error.
#pragma once

#include <cstdio>

#include "image/RasterFile.h"
#include "image/RasterRect2.h"
#include "platform/base/WinGdiTypes.h"
#include "platform/base/WinTypes.h"

// Format type numbers: the image's type and the type argument of every decoding operation.
#define RASTER_FORMAT_UNKNOWN 0
#define RASTER_FORMAT_BMP 1
#define RASTER_FORMAT_GIF 2
#define RASTER_FORMAT_JPG 3
#define RASTER_FORMAT_PNG 4
#define RASTER_FORMAT_ICO 5
#define RASTER_FORMAT_TIF 6
#define RASTER_FORMAT_TGA 7
#define RASTER_FORMAT_PCX 8
#define RASTER_FORMAT_WBMP 9
#define RASTER_FORMAT_WMF 10
#define RASTER_FORMAT_JP2 11
#define RASTER_FORMAT_JPC 12

// One codec option word per table index (see CRasterImage::GetTypeIndexFromId).
#define RASTER_CODEC_OPTION_COUNT 11

// The pixel data of one image may hold at most this many bytes.
#define RASTER_MAX_MEMORY 268435456u

// The state copied as one unit between an image and the decoders (CopyInfo, Copy, Transfer).
struct RasterInfo {
  DWORD effWidth;        // bytes per pixel row: ((width * bpp + 31) / 32) * 4
  BYTE* pixels;          // first pixel row inside the DIB; null without a DIB
  DWORD type;            // format type number
  char lastError[256];   // last error text, zero-terminated
  LONG transIndex;       // palette index drawn as transparent; -1 = none
  RGBQUAD transColor;    // colour drawn as transparent in 24-bit images
  float jpegQuality;     // quality setting of the JPEG codec
  BYTE jpegScale;        // scale setting read by the JPEG decoder
  LONG frame;            // index of the frame, icon entry or page to decode
  LONG numFrames;        // number of frames the last decode found
  DWORD frameDelay;      // delay of the decoded frame as the file gives it
  LONG xDpi;             // dots per inch
  LONG yDpi;
  RECT selectionBox;     // bounding box of the selection mask
  bool paletteAlpha;     // the fourth byte of each palette entry is an alpha value
  LONG xOffset;          // position of the decoded frame or page inside the whole picture
  LONG yOffset;
  DWORD codecOptions[RASTER_CODEC_OPTION_COUNT];
  RGBQUAD nearestColor;  // last colour asked of GetNearestIndex
  BYTE nearestIndex;     // its answer
  bool nearestValid;     // whether the pair above is valid
  BYTE disposalMethod;   // GIF frame disposal method of the decoded frame
  bool retrieveAllFrames;  // asks the decoders to keep every frame as a separate image
  bool littleEndianHost;   // multi-byte file values need no swapping
};

class RASTER_EXPORT CRasterImage {
 public:
  explicit CRasterImage(DWORD type = 0);
  CRasterImage(DWORD width, DWORD height, DWORD bpp, DWORD type);
  CRasterImage(const CRasterImage& source, bool pixels = true, bool selection = true,
               bool alpha = true);
  // Decodes the buffer as Decode(BYTE*, DWORD, DWORD) does; the caller tests IsValid.
  CRasterImage(BYTE* buffer, DWORD size, DWORD type);
  virtual ~CRasterImage();
  // Images are copied with Copy and moved with Transfer.
  CRasterImage& operator=(const CRasterImage&) = delete;

  // Creation, copying, moving.
  BYTE* Create(DWORD width, DWORD height, DWORD bpp, DWORD type);
  bool Destroy();
  bool DestroyFrames();
  void Copy(const CRasterImage& source, bool pixels = true, bool selection = true,
            bool alpha = true);
  bool Transfer(CRasterImage& source, bool frames = true);
  void CopyInfo(const CRasterImage& source);

  // Decoding and loading; all return true on success.
  bool Decode(CRasterFile* file, DWORD type);
  bool Decode(FILE* stream, DWORD type);
  bool Decode(BYTE* buffer, DWORD size, DWORD type);
  bool Load(const char* path, DWORD type = 0);

  // Accessors and small setters.
  bool IsValid() const { return m_dib != nullptr; }
  DWORD GetWidth() const { return static_cast<DWORD>(m_header.biWidth); }
  DWORD GetHeight() const { return static_cast<DWORD>(m_header.biHeight); }
  WORD GetBpp() const { return m_header.biBitCount; }
  DWORD GetEffectiveWidth() const { return m_info.effWidth; }
  DWORD GetType() const { return m_info.type; }
  bool SetType(DWORD type);
  static long GetTypeIndexFromId(DWORD type);
  void* GetDIB() const { return m_dib; }
  BYTE* GetBits(DWORD row = 0);
  long GetSize();
  const char* GetLastError() const { return m_info.lastError; }
  long GetNumFrames() const { return m_info.numFrames; }
  void SetFrame(long n) { m_info.frame = n; }
  DWORD GetFrameDelay() const { return m_info.frameDelay; }
  void SetRetrieveAllFrames(bool flag) { m_info.retrieveAllFrames = flag; }
  CRasterImage* GetFrame(long n) const;
  void SetDisposalMethod(BYTE method) { m_info.disposalMethod = method; }
  BYTE GetDisposalMethod() const { return m_info.disposalMethod; }
  long GetXDPI() const { return m_info.xDpi; }
  long GetYDPI() const { return m_info.yDpi; }
  void SetXDPI(long dpi);
  void SetYDPI(long dpi);
  BYTE GetJpegQuality() const;
  BYTE GetJpegScale() const { return m_info.jpegScale; }
  DWORD GetCodecOption(DWORD type = 0) const;
  bool SetCodecOption(DWORD option, DWORD type = 0);
  WORD SwapIfBigEndian16(WORD v) const;
  DWORD SwapIfBigEndian32(DWORD v) const;
  void SwapInfoHeader(BITMAPINFOHEADER* header) const;

  // Palette.
  DWORD GetPaletteSize() const { return m_header.biClrUsed * sizeof(RGBQUAD); }
  RGBQUAD* GetPalette() const;
  bool IsIndexed() const { return m_header.biClrUsed != 0; }
  RGBQUAD GetPaletteColor(BYTE index) const;
  void SetPaletteColor(BYTE index, BYTE red, BYTE green, BYTE blue, BYTE alpha = 0);
  void SetPalette(RGBQUAD* entries, DWORD n = 256);
  void SetPalette(DWORD n, BYTE* red, BYTE* green, BYTE* blue);
  void SetPaletteFromRGB(const BYTE* triples, DWORD n);
  void SetGrayPalette();
  bool IsGrayScale() const;
  void SetClrImportant(DWORD n);
  BYTE GetNearestIndex(RGBQUAD colour);

  // Pixels. The Unchecked operations must only be given points inside the image.
  bool IsInside(long x, long y) const;
  BYTE GetPixelIndex(long x, long y) const;
  BYTE GetPixelIndexUnchecked(long x, long y) const;
  void SetPixelIndex(long x, long y, BYTE index);
  void SetPixelIndexUnchecked(long x, long y, BYTE index);
  RGBQUAD GetPixelColor(long x, long y, bool withAlpha = true) const;
  RGBQUAD GetPixelColorUnchecked(long x, long y, bool withAlpha = true) const;
  void SetPixelColor(long x, long y, RGBQUAD colour, bool withAlpha = false);
  void SetPixelColorUnchecked(long x, long y, RGBQUAD colour, bool withAlpha = false);
  BYTE* GetPixelPointerUnchecked(long x, long y) const;
  void RGBtoBGR(BYTE* buffer, long length);
  void Clear(BYTE value = 0);
  // Turns 16- or 32-bit bit-field pixels stored at the start of the pixel buffer into the
  // image's 24-bit rows. False when a mask is empty or not a contiguous run of bits.
  bool BitfieldToRGB(BYTE* source, DWORD redMask, DWORD greenMask, DWORD blueMask, BYTE bpp);
  bool Negative();

  // Transparency.
  bool IsTransparent() const { return m_info.transIndex >= 0; }
  long GetTransIndex() const { return m_info.transIndex; }
  void SetTransIndex(long index);
  RGBQUAD GetTransColor() const;
  void SetTransColor(RGBQUAD colour);

  // Alpha layer.
  bool AlphaIsValid() const { return m_alpha != nullptr; }
  bool AlphaCreate();
  void AlphaDelete();
  void AlphaInvert();
  void AlphaSet(long x, long y, BYTE value);
  BYTE AlphaGet(long x, long y) const;
  BYTE* AlphaGetPointer(long x, long y) const;
  BYTE AlphaGetUnchecked(long x, long y) const;
  bool AlphaSetFromImage(const CRasterImage& source);
  bool AlphaFlip();
  bool AlphaMirror();

  // Selection mask.
  bool SelectionIsValid() const { return m_selection != nullptr; }
  bool SelectionCreate();
  void SelectionDelete();
  bool SelectionIsInside(long x, long y) const;
  void SelectionSet(long x, long y, BYTE level);
  BYTE SelectionGetUnchecked(long x, long y) const;
  bool SelectionFlip();
  bool SelectionMirror();

  // Flips and quarter turns.
  bool Flip(bool flipSelection = false, bool flipAlpha = true);
  bool Mirror(bool mirrorSelection = false, bool mirrorAlpha = true);
  bool RotateLeft(CRasterImage* destination = nullptr);
  bool RotateRight(CRasterImage* destination = nullptr);

  // Painting into a device context. A negative width or height stands for the image's own;
  // `clip` (logical coordinates) further limits the painting; `smooth` takes stretched pixels
  // from interpolated lookups. Returns 1 when painted, 0 when nothing was done.
  long Draw(HDC hdc, const RECT& rect, RECT* clip = nullptr, bool smooth = false);
  long Draw(HDC hdc, long x, long y, long width, long height, RECT* clip, bool smooth);

  // What a lookup outside the image yields (see GetPixelColorWithOverflow).
  enum OverflowMethod {
    OM_COLOR = 1,        // the replacement colour
    OM_BACKGROUND = 2,   // the transparent colour or palette entry, else the replacement
    OM_TRANSPARENT = 3,  // a fully transparent colour
    OM_WRAP = 4,         // coordinates taken modulo the size
    OM_REPEAT = 5,       // coordinates clamped to the border
    OM_MIRROR = 6        // coordinates mirrored at the border
  };
  // How a lookup between pixel centres combines the pixels around it.
  enum InterpolationMethod {
    IM_NEAREST = 1,
    IM_BILINEAR = 2,
    IM_BSPLINE = 3,
    IM_CUBIC = 4,
    IM_GENERALIZED_CUBIC = 5,
    IM_LANCZOS = 6,
    IM_BOX = 7,
    IM_HERMITE = 8,
    IM_HAMMING = 9,
    IM_SINC = 10,
    IM_BLACKMAN = 11,
    IM_BESSEL = 12,
    IM_GAUSSIAN = 13,
    IM_QUADRATIC = 14,
    IM_MITCHELL = 15,
    IM_CATMULL_ROM = 16,
    IM_HANN = 17,
    IM_POWER = 18
  };

  // The pixel at (x, y) with its alpha, or what `overflow` makes of a point outside the image.
  // A null replacement colour stands for white with a zero fourth byte.
  RGBQUAD GetPixelColorWithOverflow(long x, long y, int overflow, RGBQUAD* replacement) const;
  // Moves a point outside the image back inside for OM_WRAP, OM_REPEAT and OM_MIRROR; any
  // other method leaves it alone.
  void OverflowCoordinates(long& x, long& y, int overflow) const;
  void OverflowCoordinates(float& x, float& y, int overflow) const;
  // The colour at a point between pixel centres (pixel centres lie on whole numbers).
  RGBQUAD GetPixelColorInterpolated(float x, float y, int method, int overflow,
                                    RGBQUAD* replacement) const;
  // The average colour of the area of the given size around (xc, yc); used when shrinking.
  RGBQUAD GetAreaColorInterpolated(float xc, float yc, float w, float h, int method,
                                   int overflow, RGBQUAD* replacement) const;
  // Adds each component of `colour` times `weight` to its sum.
  static void AddWeightedColor(RGBQUAD colour, float weight, float& red, float& green,
                               float& blue, float& alpha);

  // The interpolation kernels: the weight of a sample at distance x from the wanted point.
  static float KernelBSpline(float x);
  static float KernelCubic(float x);
  static float KernelGeneralizedCubic(float x, float a = -0.5f);
  static float KernelLanczosSinc(float x, float radius = 6.0f);
  static float KernelBox(float x);
  static float KernelHermite(float x);
  static float KernelHamming(float x);
  static float KernelSinc(float x);
  static float KernelBlackman(float x);
  static float KernelBessel(float x);
  static float KernelGaussian(float x);
  static float KernelQuadratic(float x);
  static float KernelMitchell(float x);
  static float KernelCatmullRom(float x);
  static float KernelHann(float x);
  static float KernelPower(float x);
  // J1, the Bessel function of the first kind of order 1 (the Bessel kernel's core).
  static double BesselJ1(double x);

 protected:
  void Startup(DWORD type);
  // Stores at most 255 characters of the text as the last error and returns false, so that a
  // decoder can give up with `return Fail("text")`. An empty text keeps the last error as it is.
  bool Fail(const char* text);
  // Gives this image an array of kept frames it owns from now on (the frames' count of entries).
  void SetKeptFrames(CRasterImage** frames, long count);
  // A quarter turn; `left` selects the direction.
  bool Rotate(CRasterImage* destination, bool left);
  // Turns `pixels` 16- or 32-bit bit-field pixels into 24-bit B, G, R. False when a mask is
  // empty or not a contiguous run of bits (whatever the count).
  static bool BitfieldRowToRGB(const BYTE* source, BYTE* destination, long pixels, DWORD redMask,
                               DWORD greenMask, DWORD blueMask, BYTE bpp);

  BYTE* m_dib;
  BITMAPINFOHEADER m_header;
  RasterInfo m_info;
  BYTE* m_selection;
  BYTE* m_alpha;
  CRasterImage** m_frames;
  // Entries of m_frames. Kept beside the frame count of the info block, which arrives with the
  // info block on its own and so cannot bound the array.
  long m_keptFrames;

 private:
  enum class CodecResult { NoDecoder, Failed, Decoded };
  // Runs the decoder for one type number; `allFormats` is the type-0 attempt.
  CodecResult DecodeAs(DWORD type, CRasterFile* file, bool allFormats);
  template <class Codec, class... Args>
  CodecResult RunCodec(CRasterFile* file, bool allFormats, bool keepFrameCount, Args... args);
};
