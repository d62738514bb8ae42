// The desktop as a JPEG file (see RasterScreenshot.h).
#include "image/RasterScreenshot.h"

#include <sys/stat.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "image/RasterScreenshotInternal.h"
#include "platform/gdi/Gdi.h"
#include "platform/kernel/Files.h"
#include "platform/user/Paint.h"

namespace {

void LogJpegFileMessage(const char* text) { fputs(text, stderr); }

JpegFileMessageHook g_messageHook = LogJpegFileMessage;

void ShowCannotOpen(const char* path) {
  // The path alone may be long; the text is sized to hold all of it.
  const char* format = "JpegFile :\nCan't open %s\n";
  int length = snprintf(nullptr, 0, format, path);
  std::vector<char> text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  snprintf(text.data(), text.size(), format, path);
  g_messageHook(text.data());
}

// libjpeg's standard error manager ends the process on an error; a screenshot must not take the
// program down, so the error comes back here and the write fails instead.
struct JpegErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

void OnJpegError(j_common_ptr cinfo) {
  JpegErrorManager* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->output_message)(cinfo);
  longjmp(manager->jump, 1);
}

// Closes the stream and removes what was written, when it is a plain file: a device such as a
// full disk's stand-in must be left where it is.
void DiscardPartialFile(FILE* stream, const char* path) {
  struct stat info;
  bool regular = fstat(fileno(stream), &info) == 0 && S_ISREG(info.st_mode);
  fclose(stream);
  if (regular) remove(path);
}

// The compression itself, kept free of objects with destructors because an error leaves it
// through longjmp. `path` is the caller's (Windows-style) path for the notice, `nativePath` the
// file it names here.
bool WriteJpeg(const char* path, const char* nativePath, const BYTE* pixels, unsigned width,
               unsigned height, int quality) {
  jpeg_compress_struct cinfo;
  JpegErrorManager error;
  cinfo.err = jpeg_std_error(&error.pub);
  error.pub.error_exit = OnJpegError;
  jpeg_create_compress(&cinfo);

  FILE* stream = fopen(nativePath, "wb");
  if (!stream) {
    jpeg_destroy_compress(&cinfo);
    ShowCannotOpen(path);
    return false;
  }
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&cinfo);
    DiscardPartialFile(stream, nativePath);
    return false;
  }
  jpeg_stdio_dest(&cinfo, stream);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);

  // The rows arrive bottom row first; the file starts with the top row.
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  JSAMPARRAY rows = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                               static_cast<JDIMENSION>(rowBytes), height);
  for (unsigned j = 0; j < height; j++) {
    memcpy(rows[height - 1 - j], pixels + static_cast<size_t>(j) * rowBytes, rowBytes);
  }
  jpeg_write_scanlines(&cinfo, rows, height);
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  if (fclose(stream) != 0) {
    remove(nativePath);
    return false;
  }
  return true;
}

}  // namespace

JpegFileMessageHook SetJpegFileMessageHook(JpegFileMessageHook hook) {
  JpegFileMessageHook previous = g_messageHook;
  g_messageHook = hook ? hook : LogJpegFileMessage;
  return previous;
}

bool RGBToJpegFile(const std::string& path, BYTE* pixels, unsigned width, unsigned height,
                   int quality) {
  if (!pixels) return false;
  // The program builds Windows paths ("<module>temp\x.jpg"); the file layer maps them.
  const std::string nativePath = platform::MapPath(path);
  return WriteJpeg(path.c_str(), nativePath.c_str(), pixels, width, height, quality);
}

namespace rasterscreenshot {

bool CaptureDc(HDC screen, ScreenCapture& capture) {
  capture = ScreenCapture();
  capture.screenBpp = GetDeviceCaps(screen, BITSPIXEL);
  const int screenWidth = GetDeviceCaps(screen, HORZRES);
  const int screenHeight = GetDeviceCaps(screen, VERTRES);

  HDC memory = CreateCompatibleDC(screen);
  if (!memory) return false;
  HBITMAP bitmap = CreateCompatibleBitmap(screen, screenWidth, screenHeight);
  if (!bitmap) {
    DeleteDC(memory);
    return false;
  }
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, screenWidth, screenHeight, screen, 0, 0, SRCCOPY);

  bool ok = false;
  BITMAP description;
  if (GetObject(bitmap, sizeof(description), &description) && description.bmWidth > 0 &&
      description.bmHeight > 0) {
    capture.width = description.bmWidth;
    capture.height = description.bmHeight;
    capture.bitmapBpp = description.bmBitsPixel;
    capture.rowLength = static_cast<DWORD>(
        (static_cast<size_t>(capture.width) * capture.bitmapBpp + 31) / 32 * 4);
    BITMAPINFO info;
    memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = capture.width;
    info.bmiHeader.biHeight = capture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = capture.bitmapBpp;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(capture.height) * capture.rowLength;
    capture.bits.assign(static_cast<size_t>(capture.height) * capture.rowLength, 0);
    // A read that delivers nothing would give a black picture reported as a screenshot.
    ok = GetDIBits(memory, bitmap, 0, static_cast<UINT>(screenHeight), capture.bits.data(), &info,
                   DIB_RGB_COLORS) > 0;
  }
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
  return ok;
}

BYTE Expand5(unsigned v) {
  v &= 31;
  if (v == 0) return 0;
  if (v == 31) return 255;
  return static_cast<BYTE>(8 * v + 8);
}

bool CaptureToRgb(const ScreenCapture& capture, std::vector<BYTE>& rgb) {
  rgb.clear();
  // The rows are laid out by the bitmap's depth; converting them by another would read past
  // their end, so the two must agree.
  if ((capture.screenBpp != 32 && capture.screenBpp != 16) ||
      capture.bitmapBpp != capture.screenBpp || capture.width <= 0 || capture.height <= 0 ||
      capture.bits.size() < static_cast<size_t>(capture.height) * capture.rowLength ||
      capture.rowLength < static_cast<size_t>(capture.width) * (capture.screenBpp / 8)) {
    return false;
  }
  const size_t width = static_cast<size_t>(capture.width);
  rgb.resize(width * static_cast<size_t>(capture.height) * 3);
  BYTE* out = rgb.data();
  for (LONG row = 0; row < capture.height; row++) {
    const BYTE* in = capture.bits.data() + static_cast<size_t>(row) * capture.rowLength;
    if (capture.screenBpp == 32) {
      for (size_t x = 0; x < width; x++, in += 4) {
        *out++ = in[2];
        *out++ = in[1];
        *out++ = in[0];
      }
    } else {
      for (size_t x = 0; x < width; x++, in += 2) {
        const unsigned v = unsigned(in[0]) | (unsigned(in[1]) << 8);
        *out++ = Expand5(v >> 10);
        *out++ = Expand5(v >> 5);
        *out++ = Expand5(v);
      }
    }
  }
  return true;
}

void WriteCapture(const ScreenCapture& capture, const char* path, int quality) {
  std::vector<BYTE> rgb;
  if (!CaptureToRgb(capture, rgb)) return;
  RGBToJpegFile(path ? path : "", rgb.data(), static_cast<unsigned>(capture.width),
                static_cast<unsigned>(capture.height), quality);
}

}  // namespace rasterscreenshot

void CaptureScreenToJpeg(const char* path, int quality) {
  HWND desktop = GetDesktopWindow();
  HDC screen = GetDC(desktop);
  if (!screen) return;
  rasterscreenshot::ScreenCapture capture;
  bool captured = rasterscreenshot::CaptureDc(screen, capture);
  ReleaseDC(desktop, screen);
  if (captured) rasterscreenshot::WriteCapture(capture, path, quality);
}
