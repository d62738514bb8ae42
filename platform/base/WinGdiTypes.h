// The device-independent bitmap records that travel in files, resources and GDI calls, with
// their Windows layout: a BITMAPINFOHEADER is 40 bytes and a BITMAPFILEHEADER 14, packed as there.
#pragma once

#include "platform/base/WinTypes.h"

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
};
#pragma pack(pop)

struct BITMAPINFOHEADER {
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
};
typedef BITMAPINFOHEADER* LPBITMAPINFOHEADER;
typedef BITMAPINFOHEADER* PBITMAPINFOHEADER;

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct RGBTRIPLE {
  BYTE rgbtBlue;
  BYTE rgbtGreen;
  BYTE rgbtRed;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
typedef BITMAPINFO* LPBITMAPINFO;
typedef BITMAPINFO* PBITMAPINFO;

static_assert(sizeof(BITMAPFILEHEADER) == 14, "file header layout");
static_assert(sizeof(BITMAPINFOHEADER) == 40, "info header layout");
static_assert(sizeof(RGBQUAD) == 4, "colour table entry layout");

#define BI_RGB 0L
#define BI_RLE8 1L
#define BI_RLE4 2L
#define BI_BITFIELDS 3L
#define BI_JPEG 4L
#define BI_PNG 5L
