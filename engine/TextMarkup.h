// The tag markup of the engine's texts: "<" then 1 to 255 bytes without a 0 byte and without ">",
// then ">". A tag's content is read case-blind (ASCII letters lower-cased, GBK characters kept).
// Its head, the part before the first ":" with leading spaces skipped, makes it a script tag
// ("script", collected for the caller) or a comment ("//"); any other content is a list of
// "key[=value]" items separated by ";". The font that lays the text out applies the items
// (TextFont::ApplyTag); an item it does not know ends the list, and the tag counts as a tag only
// when its first item was applied. A "<" that opens no tag is an ordinary character.
//
// Reading a tag is pure: it depends on the content only.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

// The keys of the markup, in the order in which a key is compared.
enum class MarkupKey {
  None,
  Color,
  C,
  Rgb,
  EndColor,
  Size,
  EndSize,
  FontName,
  EndFontName,
  Bold,
  EndBold,
  Underline,
  EndUnderline,
  Italic,
  EndItalic,
  RowSpace,
  EndRowSpace,
  Pitch,
  EndPitch,
  RightMargin,
  EndRightMargin,
  LeftMargin,
  EndLeftMargin,
  Break,
};

struct MarkupItem {
  std::string key;
  std::string value;
};

struct MarkupTag {
  enum Kind { Items, Script, Comment };
  Kind kind = Items;
  // The lower-cased content: the text a script tag hands to the caller.
  std::string text;
  std::vector<MarkupItem> items;
};

class TextMarkup {
 public:
  // The longest content a tag may have.
  static constexpr size_t MAX_TAG_CONTENT = 255;

  // When text[pos] is "<" that opens a tag, the length of its content (1 to 255), else 0. Reads
  // at most the `length` bytes of the text.
  static size_t FindTag(const char* text, size_t length, size_t pos);
  // Reads a tag's content (at most 255 bytes of it are used).
  static MarkupTag Read(const char* content, size_t length);
  // The key a text names, or MarkupKey::None.
  static MarkupKey KeyOf(const std::string& key);
  // A number as the runtime's text-to-integer conversion reads it: leading blanks, an optional
  // sign, then digits; no digits give 0, and a number beyond 32 bits the nearest 32-bit value.
  static int ParseNumber(const std::string& text);
  // "r,g,b" as a colour 0x00BBGGRR (each part masked to 8 bits); false unless there are exactly
  // three parts.
  static bool ParseRgb(const std::string& text, DWORD* colour);
  // Whether the font can apply an item: a known key with an acceptable value.
  static bool IsApplicable(const MarkupItem& item);
  // Whether the tag counts as a tag: a script tag, a comment, or items whose first one applies.
  static bool IsAccepted(const MarkupTag& tag);
};

// The tag's head from `*pos` up to `separator` (or the end), leading spaces skipped; *pos moves
// past the separator.
std::string ReadTagHead(const std::string& text, size_t* pos, char separator);
// A key: leading spaces and ";" skipped, then up to "=", ";" or the end (inner and trailing
// spaces kept). *consumed is the number of bytes read.
std::string ReadTagKey(const char* text, size_t* consumed);
// A value at "=": further "=" and leading spaces skipped, then up to ";" or the end (inner and
// trailing spaces kept); at ";" or the end it is empty. *consumed is the number of bytes read.
std::string ReadTagValue(const char* text, size_t* consumed);
