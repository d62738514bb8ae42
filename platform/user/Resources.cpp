#include "platform/user/Resources.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/base/Gbk.h"
#include "platform/base/WinError.h"
#include "platform/gdi/Gdi.h"
#include "platform/kernel/Files.h"
#include "platform/user/Input.h"

namespace {

// A type or a name: a number, or an upper-cased string (names compare without regard to case).
struct ResKey {
  WORD number = 0;
  std::string text;
  bool operator<(const ResKey& o) const {
    if (number != o.number) return number < o.number;
    return text < o.text;
  }
  bool operator==(const ResKey& o) const { return number == o.number && text == o.text; }
};

bool MakeKey(LPCSTR value, ResKey& key) {
  if (!value) return false;
  if (IS_INTRESOURCE(value)) {
    key.number = static_cast<WORD>(reinterpret_cast<uintptr_t>(value));
    return key.number != 0;
  }
  // "#123" names the number 123, as in Win32.
  if (value[0] == '#') {
    char* end = nullptr;
    unsigned long n = strtoul(value + 1, &end, 10);
    if (end != value + 1 && *end == '\0' && n > 0 && n <= 0xFFFF) {
      key.number = static_cast<WORD>(n);
      return true;
    }
  }
  key.text = value;
  if (key.text.empty()) return false;
  for (char& c : key.text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return true;
}

// One resource. Entries are never freed while the process runs (a replaced resource keeps its
// old entry alive), so that an HRSRC or a locked pointer never dangles, as resources of a loaded
// module never move.
struct ResEntry {
  std::vector<BYTE> bytes;
};

struct Registry {
  std::mutex mutex;
  std::map<std::pair<ResKey, ResKey>, std::shared_ptr<ResEntry>> entries;
  std::vector<std::shared_ptr<ResEntry>> retired;
  std::map<UINT, std::string> strings;
  std::map<std::pair<ResKey, int>, HANDLE> shared;  // shared icons, cursors and bitmaps
};

Registry& Reg() {
  static Registry* r = new Registry;
  return *r;
}

std::shared_ptr<ResEntry> Lookup(LPCSTR type, LPCSTR name) {
  ResKey t, n;
  if (!MakeKey(type, t) || !MakeKey(name, n)) return nullptr;
  std::lock_guard<std::mutex> lock(Reg().mutex);
  auto it = Reg().entries.find({t, n});
  return it == Reg().entries.end() ? nullptr : it->second;
}

bool HasType(LPCSTR type) {
  ResKey t;
  if (!MakeKey(type, t)) return false;
  std::lock_guard<std::mutex> lock(Reg().mutex);
  for (const auto& [k, v] : Reg().entries) {
    if (k.first == t) return true;
  }
  return false;
}

void AppendUtf16(std::vector<BYTE>& out, const std::wstring& text) {
  for (wchar_t c : text) {
    uint32_t cp = static_cast<uint32_t>(c);
    auto put = [&](uint32_t u) {
      out.push_back(static_cast<BYTE>(u & 0xFF));
      out.push_back(static_cast<BYTE>(u >> 8));
    };
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put(0xD800 + (cp >> 10));
      put(0xDC00 + (cp & 0x3FF));
    } else {
      put(cp);
    }
  }
}

// ---- pixels from the picture decoder that the image library registers

using platform::PictureDecoder;
using platform::PictureFormat;
using Pixels = platform::DecodedPicture;

std::atomic<PictureDecoder>& Decoder() {
  static std::atomic<PictureDecoder> decoder{nullptr};
  return decoder;
}

bool DecodeBytes(const std::vector<BYTE>& bytes, PictureFormat format, long frame, Pixels& out) {
  const PictureDecoder decoder = Decoder().load();
  if (bytes.empty() || !decoder) return false;
  out = Pixels{};
  if (!decoder(bytes.data(), bytes.size(), format, frame, &out)) return false;
  return out.width > 0 && out.height > 0 && out.argb.size() == static_cast<size_t>(out.width) * out.height;
}

Pixels Scaled(const Pixels& src, int w, int h) {
  if (w == src.width && h == src.height) return src;
  Pixels out;
  out.width = w;
  out.height = h;
  out.hasAlpha = src.hasAlpha;
  out.argb.resize(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    int sy = static_cast<int>(static_cast<int64_t>(y) * src.height / h);
    for (int x = 0; x < w; ++x) {
      int sx = static_cast<int>(static_cast<int64_t>(x) * src.width / w);
      out.argb[static_cast<size_t>(y) * w + x] = src.argb[static_cast<size_t>(sy) * src.width + sx];
    }
  }
  return out;
}

HBITMAP PixelsToBitmap(const Pixels& px, bool keepAlpha) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = px.width;
  info.bmiHeader.biHeight = -px.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp || !bits) return nullptr;
  auto* dst = static_cast<uint32_t*>(bits);
  for (size_t i = 0; i < px.argb.size(); ++i) dst[i] = keepAlpha ? px.argb[i] : (px.argb[i] & 0x00FFFFFFu);
  return bmp;
}

// The directory of an .ico or .cur file: the entry nearest to the wanted size (the largest entry
// not above it when none matches), and the hot spot of a cursor entry.
struct IconChoice {
  long index = 0;
  POINT hotspot{0, 0};
  bool cursor = false;
  int width = 0;
  int height = 0;
};

bool ChooseIconEntry(const std::vector<BYTE>& bytes, int wantW, int wantH, IconChoice& choice) {
  if (bytes.size() < 6) return false;
  auto word = [&](size_t at) { return static_cast<WORD>(bytes[at] | bytes[at + 1] << 8); };
  WORD type = word(2);
  WORD count = word(4);
  if (word(0) != 0 || (type != 1 && type != 2) || count == 0) return false;
  if (bytes.size() < 6 + static_cast<size_t>(count) * 16) return false;
  choice.cursor = type == 2;
  long best = -1;
  long bestScore = 0;
  const WORD considered = wantW < 0 ? 1 : count;
  for (WORD i = 0; i < considered; ++i) {
    size_t e = 6 + static_cast<size_t>(i) * 16;
    int w = bytes[e] ? bytes[e] : 256;
    int h = bytes[e + 1] ? bytes[e + 1] : 256;
    long score = std::abs(w - wantW) + std::abs(h - wantH);
    // On a tie the larger entry wins: scaling down loses less than scaling up.
    if (best < 0 || score < bestScore || (score == bestScore && w > choice.width)) {
      best = i;
      bestScore = score;
      choice.width = w;
      choice.height = h;
      if (choice.cursor) choice.hotspot = POINT{word(e + 4), word(e + 6)};
    }
  }
  choice.index = best;
  return best >= 0;
}

HICON IconFromBytes(const std::vector<BYTE>& bytes, bool wantCursor, int cx, int cy) {
  // Without a size the first entry is taken at its own size (a negative wish says so).
  int wantW = cx > 0 ? cx : (cy > 0 ? cy : -1);
  int wantH = cy > 0 ? cy : wantW;
  IconChoice choice;
  if (!ChooseIconEntry(bytes, wantW, wantH, choice)) return nullptr;
  Pixels px;
  if (!DecodeBytes(bytes, PictureFormat::ICO, choice.index, px)) return nullptr;
  int outW = cx > 0 ? cx : px.width;
  int outH = cy > 0 ? cy : px.height;
  Pixels scaled = Scaled(px, outW, outH);
  POINT hot = choice.hotspot;
  if (px.width > 0 && px.height > 0) {
    hot.x = hot.x * outW / px.width;
    hot.y = hot.y * outH / px.height;
  }
  return platform::CreateIconFromPixels(scaled.argb.data(), scaled.width, scaled.height, !choice.cursor, hot);
}

std::vector<BYTE> ReadWholeFile(const char* path) {
  std::vector<BYTE> bytes;
  FILE* f = PlatformFopen(path, "rb");
  if (!f) return bytes;
  BYTE buffer[65536];
  size_t n;
  // Image files beyond 64 MB are refused rather than read into memory.
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
    if (bytes.size() + n > (64u << 20)) {
      bytes.clear();
      break;
    }
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  fclose(f);
  return bytes;
}

// A packed DIB (an RT_BITMAP resource) as a .bmp file for the decoder.
std::vector<BYTE> DibToBmpFile(const std::vector<BYTE>& dib) {
  std::vector<BYTE> file;
  if (dib.size() < 12) return file;
  DWORD headerSize = dib[0] | dib[1] << 8 | dib[2] << 16 | static_cast<DWORD>(dib[3]) << 24;
  if (headerSize < 12 || headerSize > dib.size()) return file;
  DWORD colours = 0;
  if (headerSize >= 40) {
    WORD bits = static_cast<WORD>(dib[14] | dib[15] << 8);
    DWORD compression = dib[16] | dib[17] << 8 | dib[18] << 16 | static_cast<DWORD>(dib[19]) << 24;
    DWORD used = dib[32] | dib[33] << 8 | dib[34] << 16 | static_cast<DWORD>(dib[35]) << 24;
    if (bits <= 8) colours = used ? used : (1u << bits);
    if (compression == BI_BITFIELDS && headerSize == 40) colours = 3;
    if (colours > 256) return file;
    colours *= 4;
  } else {
    WORD bits = static_cast<WORD>(dib[10] | dib[11] << 8);
    if (bits <= 8) colours = (1u << bits) * 3;
  }
  DWORD offBits = 14 + headerSize + colours;
  DWORD size = static_cast<DWORD>(14 + dib.size());
  file = {'B', 'M', BYTE(size), BYTE(size >> 8), BYTE(size >> 16), BYTE(size >> 24), 0, 0, 0, 0,
          BYTE(offBits), BYTE(offBits >> 8), BYTE(offBits >> 16), BYTE(offBits >> 24)};
  file.insert(file.end(), dib.begin(), dib.end());
  return file;
}

HBITMAP BitmapFromFileBytes(const std::vector<BYTE>& bmp, int cx, int cy, UINT flags) {
  Pixels px;
  if (!DecodeBytes(bmp, PictureFormat::BMP, 0, px)) return nullptr;
  if (flags & LR_LOADTRANSPARENT) {
    // The colour of the first pixel becomes the window colour, as Win32 does for such loads.
    uint32_t key = px.argb[0] & 0x00FFFFFFu;
    COLORREF window = GetSysColor(COLOR_WINDOW);
    uint32_t repl = GetBValue(window) | GetGValue(window) << 8 | uint32_t(GetRValue(window)) << 16;
    for (uint32_t& p : px.argb) {
      if ((p & 0x00FFFFFFu) == key) p = (p & 0xFF000000u) | repl;
    }
  }
  Pixels scaled = Scaled(px, cx > 0 ? cx : px.width, cy > 0 ? cy : px.height);
  return PixelsToBitmap(scaled, px.hasAlpha);
}

HANDLE SharedHandle(LPCSTR name, int kind) {
  ResKey n;
  if (!MakeKey(name, n)) return nullptr;
  std::lock_guard<std::mutex> lock(Reg().mutex);
  auto it = Reg().shared.find({n, kind});
  return it == Reg().shared.end() ? nullptr : it->second;
}

HANDLE KeepShared(LPCSTR name, int kind, HANDLE h) {
  ResKey n;
  if (!h || !MakeKey(name, n)) return h;
  std::lock_guard<std::mutex> lock(Reg().mutex);
  auto [it, inserted] = Reg().shared.emplace(std::make_pair(n, kind), h);
  return it->second;
}

}  // namespace

// ---- registration

namespace platform {

void SetPictureDecoder(PictureDecoder decoder) { Decoder().store(decoder); }

bool DecodePictureBytes(const BYTE* bytes, size_t size, DecodedPicture* out) {
  const PictureDecoder decoder = Decoder().load();
  if (!bytes || size == 0 || !out || !decoder) return false;
  *out = DecodedPicture{};
  if (!decoder(bytes, size, PictureFormat::ANY, 0, out)) return false;
  return out->width > 0 && out->height > 0 &&
         out->argb.size() == static_cast<size_t>(out->width) * static_cast<size_t>(out->height);
}

bool AddResource(LPCSTR type, LPCSTR name, std::vector<BYTE> bytes) {
  ResKey t, n;
  if (!MakeKey(type, t) || !MakeKey(name, n)) return false;
  auto entry = std::make_shared<ResEntry>();
  entry->bytes = std::move(bytes);
  std::lock_guard<std::mutex> lock(Reg().mutex);
  auto& slot = Reg().entries[{t, n}];
  if (slot) Reg().retired.push_back(slot);
  slot = entry;
  return true;
}

bool RemoveResource(LPCSTR type, LPCSTR name) {
  ResKey t, n;
  if (!MakeKey(type, t) || !MakeKey(name, n)) return false;
  std::lock_guard<std::mutex> lock(Reg().mutex);
  auto it = Reg().entries.find({t, n});
  if (it == Reg().entries.end()) return false;
  Reg().retired.push_back(it->second);
  Reg().entries.erase(it);
  return true;
}

bool AddStringResource(UINT id, const std::string& text) {
  if (id > 0xFFFF) return false;
  std::vector<BYTE> block;
  UINT first = id & ~0xFu;
  {
    std::lock_guard<std::mutex> lock(Reg().mutex);
    Reg().strings[id] = text;
    for (UINT i = first; i < first + 16; ++i) {
      auto it = Reg().strings.find(i);
      std::vector<BYTE> units;
      if (it != Reg().strings.end()) AppendUtf16(units, GbkToWide(it->second));
      WORD count = static_cast<WORD>(std::min<size_t>(units.size() / 2, 0xFFFF));
      block.push_back(static_cast<BYTE>(count & 0xFF));
      block.push_back(static_cast<BYTE>(count >> 8));
      block.insert(block.end(), units.begin(), units.begin() + count * 2);
    }
  }
  return AddResource(RT_STRING, MAKEINTRESOURCEA((first >> 4) + 1), std::move(block));
}

HCURSOR LoadProgramCursor(LPCSTR name) {
  if (HANDLE h = SharedHandle(name, 3)) return static_cast<HCURSOR>(h);
  auto entry = Lookup(RT_GROUP_CURSOR, name);
  if (!entry) return nullptr;
  HICON c = IconFromBytes(entry->bytes, true, GetSystemMetrics(SM_CXCURSOR), GetSystemMetrics(SM_CYCURSOR));
  return static_cast<HCURSOR>(KeepShared(name, 3, c));
}

HICON CreateIconFromPixels(const uint32_t* pixels, int width, int height, bool icon, POINT hotspot) {
  if (!pixels || width <= 0 || height <= 0 || width > 4096 || height > 4096) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // The mask: one bit per pixel, rows padded to 16 bits, set where the screen shows through.
  const int maskRow = ((width + 15) / 16) * 2;
  std::vector<BYTE> mask(static_cast<size_t>(maskRow) * height, 0);
  bool anyAlpha = false;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t a = pixels[static_cast<size_t>(y) * width + x] >> 24;
      if (a != 255) anyAlpha = true;
      if (a < 128) mask[static_cast<size_t>(y) * maskRow + x / 8] |= static_cast<BYTE>(0x80 >> (x & 7));
    }
  }
  std::vector<uint32_t> colour(pixels, pixels + static_cast<size_t>(width) * height);
  // Without any transparency the alpha byte is cleared, so that the icon is drawn through its
  // mask like a classic icon.
  if (!anyAlpha) {
    for (uint32_t& p : colour) p &= 0x00FFFFFFu;
  } else {
    for (uint32_t& p : colour) {
      if ((p >> 24) == 0) p = 0;
    }
  }
  HBITMAP maskBmp = CreateBitmap(width, height, 1, 1, mask.data());
  HBITMAP colourBmp = CreateBitmap(width, height, 1, 32, colour.data());
  HICON result = nullptr;
  if (maskBmp && colourBmp) {
    ICONINFO info{};
    info.fIcon = icon ? TRUE : FALSE;
    info.xHotspot = static_cast<DWORD>(hotspot.x);
    info.yHotspot = static_cast<DWORD>(hotspot.y);
    info.hbmMask = maskBmp;
    info.hbmColor = colourBmp;
    result = CreateIconIndirect(&info);
  }
  if (maskBmp) DeleteObject(maskBmp);
  if (colourBmp) DeleteObject(colourBmp);
  return result;
}

}  // namespace platform

// ---- the Win32 calls

HRSRC FindResourceA(HMODULE, LPCSTR name, LPCSTR type) {
  auto entry = Lookup(type, name);
  if (!entry) {
    SetLastError(HasType(type) ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HRSRC>(entry.get());
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  if (!resource) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto* entry = reinterpret_cast<ResEntry*>(resource);
  // An empty resource still gets a valid (non-null) handle to its empty data.
  static BYTE empty = 0;
  return entry->bytes.empty() ? &empty : entry->bytes.data();
}

LPVOID LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
  if (!resource) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return static_cast<DWORD>(reinterpret_cast<ResEntry*>(resource)->bytes.size());
}

BOOL FreeResource(HGLOBAL) { return FALSE; }

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int maxCount) {
  if (!buffer || maxCount < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::mutex> lock(Reg().mutex);
  auto it = Reg().strings.find(id);
  if (it == Reg().strings.end() || it->second.empty()) {
    if (maxCount > 0) buffer[0] = '\0';
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  const std::string& s = it->second;
  if (maxCount == 0) {
    // A read-only view of the kept text; it stays valid until the string is registered again.
    *reinterpret_cast<const char**>(buffer) = s.c_str();
    return static_cast<int>(s.size());
  }
  size_t n = GbkSafeCut(s.data(), std::min(s.size(), static_cast<size_t>(maxCount - 1)));
  memcpy(buffer, s.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) {
  return static_cast<HBITMAP>(LoadImageA(instance ? instance : reinterpret_cast<HINSTANCE>(1), name, IMAGE_BITMAP,
                                         0, 0, 0));
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
  if (!instance) {
    if (!IS_INTRESOURCE(name)) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
    HICON icon = platform::SystemIcon(static_cast<WORD>(reinterpret_cast<uintptr_t>(name)));
    if (!icon) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return icon;
  }
  return static_cast<HICON>(LoadImageA(instance, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
  if (!name || cx < 0 || cy < 0 || cx > 4096 || cy > 4096 || type > IMAGE_CURSOR) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (type != IMAGE_BITMAP && (flags & LR_DEFAULTSIZE)) {
    if (cx == 0) cx = GetSystemMetrics(type == IMAGE_CURSOR ? SM_CXCURSOR : SM_CXICON);
    if (cy == 0) cy = GetSystemMetrics(type == IMAGE_CURSOR ? SM_CYCURSOR : SM_CYICON);
  }
  if (flags & LR_LOADFROMFILE) {
    if (IS_INTRESOURCE(name)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    std::vector<BYTE> bytes = ReadWholeFile(name);
    if (bytes.empty()) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return nullptr;
    }
    HANDLE h = type == IMAGE_BITMAP ? static_cast<HANDLE>(BitmapFromFileBytes(bytes, cx, cy, flags))
                                    : static_cast<HANDLE>(IconFromBytes(bytes, type == IMAGE_CURSOR, cx, cy));
    if (!h) SetLastError(ERROR_INVALID_DATA);
    return h;
  }
  // A null instance names the system's images: the icons and cursors of LoadIcon and LoadCursor.
  if (!instance) {
    if (type == IMAGE_ICON) return LoadIconA(nullptr, name);
    if (type == IMAGE_CURSOR) return LoadCursorA(nullptr, name);
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  // Shared handles are kept per resource, kind and size.
  const int sharedKind = static_cast<int>(type) + 4 * (cx * 4097 + cy);
  if (flags & LR_SHARED) {
    if (HANDLE h = SharedHandle(name, sharedKind)) return h;
  }
  HANDLE h = nullptr;
  if (type == IMAGE_BITMAP) {
    auto entry = Lookup(RT_BITMAP, name);
    if (!entry) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
    h = BitmapFromFileBytes(DibToBmpFile(entry->bytes), cx, cy, flags);
  } else {
    auto entry = Lookup(type == IMAGE_ICON ? RT_GROUP_ICON : RT_GROUP_CURSOR, name);
    if (!entry) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
    h = IconFromBytes(entry->bytes, type == IMAGE_CURSOR, cx, cy);
  }
  if (!h) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  return (flags & LR_SHARED) ? KeepShared(name, sharedKind, h) : h;
}

namespace platform {

HBITMAP LoadPictureFile(LPCSTR path) {
  if (!path) return nullptr;
  std::vector<BYTE> bytes = ReadWholeFile(path);
  Pixels px;
  if (!DecodeBytes(bytes, PictureFormat::ANY, 0, px)) return nullptr;
  return PixelsToBitmap(px, px.hasAlpha);
}

}  // namespace platform
