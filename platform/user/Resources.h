// The program's resources by id: dialog templates, menus, icons, bitmaps, cursors, string tables
// and numbered sounds, as the Win32 resource calls find and load them.
//
// Resources are kept by the program as C++ data: each layer registers its own at start-up with
// platform::AddResource (type and name each a number or a string, as MAKEINTRESOURCE gives them).
// There is one module, so every module or instance argument is accepted and ignored. String
// names and string types compare without regard to ASCII case, as Win32's do.
//
// The forms of the data are those of a Windows executable's resources, with two exceptions that
// save the icon and cursor directories: an RT_GROUP_ICON resource holds the bytes of a whole .ico
// file and an RT_GROUP_CURSOR resource those of a .cur file. RT_BITMAP holds a packed DIB (a .bmp
// file without its 14-byte file header), RT_DIALOG a DLGTEMPLATE or DLGTEMPLATEEX
// (DialogTemplate.h builds them), RT_MENU a MENUITEMTEMPLATEHEADER and its items, RT_STRING the
// blocks of 16 counted UTF-16 strings that platform::AddStringResource keeps up to date, and
// "SOUND" the bytes of a .wav file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/user/WinUser.h"

#define RT_CURSOR MAKEINTRESOURCEA(1)
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_ICON MAKEINTRESOURCEA(3)
#define RT_MENU MAKEINTRESOURCEA(4)
#define RT_DIALOG MAKEINTRESOURCEA(5)
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_RCDATA MAKEINTRESOURCEA(10)
#define RT_GROUP_CURSOR MAKEINTRESOURCEA(12)
#define RT_GROUP_ICON MAKEINTRESOURCEA(14)

// The system icons, drawn by the layer in the classic look (32 x 32).
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)
#define IDI_HAND MAKEINTRESOURCEA(32513)
#define IDI_QUESTION MAKEINTRESOURCEA(32514)
#define IDI_EXCLAMATION MAKEINTRESOURCEA(32515)
#define IDI_ASTERISK MAKEINTRESOURCEA(32516)
#define IDI_WINLOGO MAKEINTRESOURCEA(32517)
#define IDI_WARNING IDI_EXCLAMATION
#define IDI_ERROR IDI_HAND
#define IDI_INFORMATION IDI_ASTERISK

#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define IMAGE_CURSOR 2

#define LR_DEFAULTCOLOR 0x0000
#define LR_MONOCHROME 0x0001
#define LR_LOADFROMFILE 0x0010
#define LR_LOADTRANSPARENT 0x0020
#define LR_DEFAULTSIZE 0x0040
#define LR_CREATEDIBSECTION 0x2000
#define LR_SHARED 0x8000

// hModule is ignored (one module). Null when the type or the name is not there
// (ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_RESOURCE_NAME_NOT_FOUND).
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL FreeResource(HGLOBAL data);

// Copies the GBK string with the id into the buffer, cut without splitting a character, and
// returns its length in bytes; 0 when there is none. A maxCount of 0 stores a read-only pointer
// to the string (not terminated) in the buffer and returns its length, as Win32 does.
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int maxCount);
// A bitmap of the RT_BITMAP resource, as a 32-bit DIB section; null when there is none.
HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);
// A null instance names the system icons (IDI_*); otherwise the program's RT_GROUP_ICON resource,
// at SM_CXICON x SM_CYICON. Icons from LoadIcon are shared: the same handle for every call.
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
// IMAGE_BITMAP, IMAGE_ICON and IMAGE_CURSOR from the resources or, with LR_LOADFROMFILE, from
// a .bmp, .ico or .cur file named by `name` (a Windows path). cx and cy of 0 keep the image's
// size (with LR_DEFAULTSIZE icons take the system size); other sizes stretch bitmaps and pick
// the icon entry nearest to that size. LR_SHARED gives the same handle for the same resource.
HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);

#define FindResource FindResourceA
#define LoadString LoadStringA
#define LoadBitmap LoadBitmapA
#define LoadIcon LoadIconA
#define LoadImage LoadImageA

namespace platform {

// Registers (or replaces) a resource. `type` and `name` are numbers (MAKEINTRESOURCE) or GBK
// strings. False for a null type or name or an empty string.
bool AddResource(LPCSTR type, LPCSTR name, std::vector<BYTE> bytes);
// Removes a resource; false when it was not there.
bool RemoveResource(LPCSTR type, LPCSTR name);
// Registers a string of the string table (GBK); the RT_STRING block that holds it is rebuilt.
bool AddStringResource(UINT id, const std::string& text);

// A program cursor (RT_GROUP_CURSOR) by name, shared; null when there is none. LoadCursor calls
// it for the names that are not system cursors.
HCURSOR LoadProgramCursor(LPCSTR name);

// The system icon with an IDI_ number, shared; null for other numbers.
HICON SystemIcon(WORD id);

// A decoded picture: B, G, R, A in memory order, rows top-down, straight alpha; `hasAlpha` when the
// picture brought transparency of its own (an alpha channel or a transparent colour).
struct DecodedPicture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> argb;
  bool hasAlpha = false;
};
enum class PictureFormat { BMP, ICO, ANY };
// Decodes a whole .bmp file (BMP), entry `frame` of an .ico or .cur file (ICO), or a picture of any
// format the decoder knows, told by its content (ANY); false when the
// bytes do not decode. The window system holds no decoder of its own: the image library gives it
// one at start-up, and until then bitmaps, icons and cursors from files and resources do not load.
using PictureDecoder = bool (*)(const BYTE* bytes, size_t size, PictureFormat format, long frame,
                                DecodedPicture* out);
void SetPictureDecoder(PictureDecoder decoder);
// Decodes picture bytes of any format with the decoder given at start-up; false without one or
// when the bytes are not a picture.
bool DecodePictureBytes(const BYTE* bytes, size_t size, DecodedPicture* out);

// An icon or cursor from pixels: 32-bit B, G, R, A, top-down, straight alpha; pixels with an
// alpha below 128 are transparent in the mask. Null on a bad size.
HICON CreateIconFromPixels(const uint32_t* pixels, int width, int height, bool icon, POINT hotspot);

// A picture file of any format the image library reads (BMP, PNG, JPEG and the others, told by
// their content) as a 32-bit top-down DIB section; the alpha channel is kept when the picture has
// one. `path` is a Windows-style GBK path. Null when the file is missing or not a picture.
HBITMAP LoadPictureFile(LPCSTR path);

}  // namespace platform
