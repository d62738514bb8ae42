// Conversions between the program's GBK text and Unicode (to find glyphs) or UTF-8 (for file
// names). A byte sequence that is not valid GBK becomes U+FFFD and the conversion goes on with
// the next byte; a character that GBK cannot hold becomes '?'. Nothing is read past the given
// length.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/WinTypes.h"

std::wstring GbkToWide(std::string_view gbk);
std::string WideToGbk(std::wstring_view wide);
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);

// The length in bytes of the GBK character that starts at s (1 or 2), given that at most n
// bytes are available; a lead byte without its trail byte counts as 1.
size_t GbkCharLength(const char* s, size_t n);
// The largest length <= n of the first n bytes of s that does not end in a lead byte whose
// trail byte was cut off. Only the n bytes are read.
size_t GbkSafeCut(const char* s, size_t n);
// Splits a GBK text at the single-byte separator: a separator byte that is the trail byte of a
// double-byte character (GBK trail bytes include '|' and other ASCII punctuation) belongs to that
// character and splits nothing. At most maxFields fields are made; what follows the separator
// that ends the last of them is dropped. An empty text gives one empty field, a text that ends
// in the separator an empty last field, and maxFields 0 no field.
std::vector<std::string> SplitGbkFields(std::string_view text, char separator, size_t maxFields);

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_GBK 936
#define CP_UTF8 65001

// Win32's conversion calls over the same converters. A length of -1 means "up to and including
// the terminator"; a destination size of 0 asks for the size needed. CP_ACP is GBK here.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR defaultChar, LPBOOL usedDefault);
