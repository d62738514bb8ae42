// The device-independent bitmap records of the Windows GDI, with Windows field widths.
//
// These are the in-memory forms: the image library keeps a packed DIB (an information header,
// the palette, then the pixel rows) in one heap block laid out exactly like this. Files are never
// read by casting their bytes to these records; the decoders read each field little-endian.
#pragma once

#include "platform/base/WinTypes.h"

// Compression codes of BITMAPINFOHEADER::biCompression.
#define BI_RGB 0L
#define BI_RLE8 1L
#define BI_RLE4 2L
#define BI_BITFIELDS 3L
#define BI_JPEG 4L
#define BI_PNG 5L

// The file header of a .bmp file is 14 bytes with a 32-bit field at offset 2, so it must be
// packed to keep its file layout.
#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
} BITMAPFILEHEADER, *LPBITMAPFILEHEADER, *PBITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagBITMAPCOREHEADER {
  DWORD bcSize;
  WORD bcWidth;
  WORD bcHeight;
  WORD bcPlanes;
  WORD bcBitCount;
} BITMAPCOREHEADER, *LPBITMAPCOREHEADER, *PBITMAPCOREHEADER;

typedef struct tagBITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER, *LPBITMAPINFOHEADER, *PBITMAPINFOHEADER;

typedef struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD, *LPRGBQUAD;

typedef struct tagRGBTRIPLE {
  BYTE rgbtBlue;
  BYTE rgbtGreen;
  BYTE rgbtRed;
} RGBTRIPLE, *LPRGBTRIPLE;

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO, *PBITMAPINFO;

static_assert(sizeof(BITMAPFILEHEADER) == 14, "BITMAPFILEHEADER keeps its file size");
static_assert(sizeof(BITMAPCOREHEADER) == 12, "BITMAPCOREHEADER keeps its file size");
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER keeps its file size");
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD is four bytes");
static_assert(sizeof(RGBTRIPLE) == 3, "RGBTRIPLE is three bytes");
