// The EXIF reader: both byte orders, the record's fields, the comment section, and refusal of
// blocks whose counts, offsets or links lead outside the section.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "image/RasterExifInfo.h"
#include "tests/image/CodecTestSupport.h"

namespace {

using codectest::ReadData;

ExifRecord ReadRecord(const std::string& name, bool* result = nullptr, std::string* error = nullptr) {
  std::vector<BYTE> bytes = ReadData(name);
  CRasterMemFile file(bytes.data(), static_cast<DWORD>(bytes.size()));
  ExifRecord record{};
  CRasterExifInfo reader(&record);
  bool ok = reader.ReadSections(&file, 1);
  if (result) *result = ok;
  if (error) *error = reader.GetLastError();
  return record;
}

TEST(RasterExifInfo, ReadsBothByteOrders) {
  for (const char* name : {"jpg_exif_mm.jpg", "jpg_exif_ii.jpg"}) {
    SCOPED_TRACE(name);
    bool ok = false;
    ExifRecord r = ReadRecord(name, &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(r.isExif);
    EXPECT_STREQ(r.cameraMake, "PxCam");
    EXPECT_STREQ(r.cameraModel, "Model M");
    EXPECT_STREQ(r.version, "0230");
    EXPECT_STREQ(r.dateTime, "2024:01:02 03:04:05");
    EXPECT_STREQ(r.comments, "hello");
    EXPECT_FLOAT_EQ(r.exposureTime, 1.0f / 125);
    EXPECT_FLOAT_EQ(r.apertureFNumber, 2.8f);
    EXPECT_EQ(r.isoEquivalent, 100);
    EXPECT_EQ(r.flashUsed, 1);
    EXPECT_FLOAT_EQ(r.focalLength, 50);
    EXPECT_FLOAT_EQ(r.ccdWidth, 640 * 1.0f / 1000);
    EXPECT_EQ(r.width, 64);
    EXPECT_EQ(r.height, 48);
    EXPECT_EQ(r.isColor, 1);
    EXPECT_EQ(r.process, 0xC0);
    // The thumbnail directory behind IFD0 was read: its JPEG lies inside the section.
    ASSERT_NE(r.thumbnailPointer, nullptr);
    EXPECT_GT(r.thumbnailSize, 100u);
  }
  ExifRecord mm = ReadRecord("jpg_exif_mm.jpg");
  EXPECT_EQ(mm.orientation, 6);
  EXPECT_FLOAT_EQ(mm.xResolution, 300);
  EXPECT_FLOAT_EQ(mm.resolutionUnit, 1.0f);
  ExifRecord ii = ReadRecord("jpg_exif_ii.jpg");
  EXPECT_EQ(ii.orientation, 3);
  EXPECT_FLOAT_EQ(ii.xResolution, 118);
  EXPECT_FLOAT_EQ(ii.resolutionUnit, 0.3937008f);
}

TEST(RasterExifInfo, CommentSection) {
  ExifRecord r = ReadRecord("jpg_comment.jpg");
  // CR LF becomes LF, the bell and the final lone CR become '?', the second comment is dropped.
  EXPECT_STREQ(r.comments, "line one\nline?two?");
  EXPECT_FALSE(r.isExif);
}

// Builds an EXIF block: "Exif\0\0", a TIFF header in the byte order, then the given bytes at
// TIFF offset 8.
std::string Block(bool motorola, const std::string& body, uint32_t firstOffset = 8) {
  std::string s("Exif\0\0", 6);
  s += motorola ? "MM" : "II";
  auto put16 = [&](uint16_t v) {
    s += motorola ? char(v >> 8) : char(v & 0xFF);
    s += motorola ? char(v & 0xFF) : char(v >> 8);
  };
  put16(42);
  for (int i = 0; i < 4; ++i)
    s += char(motorola ? (firstOffset >> (24 - 8 * i)) & 0xFF : (firstOffset >> (8 * i)) & 0xFF);
  return s + body;
}

// One little-endian directory entry.
std::string Entry(uint16_t tag, uint16_t format, uint32_t count, uint32_t value) {
  std::string e;
  for (uint32_t v : {uint32_t(tag), uint32_t(format)}) e += {char(v & 0xFF), char(v >> 8)};
  for (uint32_t v : {count, value})
    for (int i = 0; i < 4; ++i) e += char((v >> (8 * i)) & 0xFF);
  return e;
}

std::string Directory(const std::vector<std::string>& entries, uint32_t link = 0) {
  std::string d{char(entries.size() & 0xFF), char(entries.size() >> 8)};
  for (const auto& e : entries) d += e;
  for (int i = 0; i < 4; ++i) d += char((link >> (8 * i)) & 0xFF);
  return d;
}

TEST(RasterExifInfo, RefusesBrokenBlocks) {
  struct Case {
    const char* what;
    std::string block;
    const char* error;
  };
  const Case cases[] = {
      {"short head", std::string("Exif\0\0MM\0*", 10), "Incorrect Exif header"},
      {"no Exif", Block(false, Directory({})).replace(0, 4, "Exiv"), "Incorrect Exif header"},
      {"byte order", Block(false, Directory({})).replace(6, 2, "XX"), "Invalid Exif alignment marker."},
      {"not 42", Block(true, Directory({})).replace(9, 1, "\x2B"), "Invalid Exif start (1)"},
      {"entries past the end", Block(false, std::string("\x09\x00", 2) + Entry(0x0112, 3, 1, 1)),
       "Illegally sized directory"},
      {"format 13", Block(false, Directory({Entry(0x0112, 13, 1, 1)})), "Illegal format code in EXIF dir"},
      // 0x20000001 rationals of 8 bytes wrap to 8 bytes in 32 bits: the count must be refused.
      {"count wraps", Block(false, Directory({Entry(0x011A, 5, 0x20000001, 8)})),
       "Illegal pointer offset value in EXIF."},
      {"value past the end", Block(false, Directory({Entry(0x010F, 2, 40, 20)})),
       "Illegal pointer offset value in EXIF."},
      {"sub-directory outside", Block(false, Directory({Entry(0x8769, 4, 1, 5000)})), "Illegal subdirectory link"},
      {"link outside", Block(false, Directory({}, 4000)), "Illegal subdirectory link"},
      {"first directory outside", Block(false, Directory({}), 9000), "Illegal subdirectory link"},
      // A directory that links to itself ends at the nesting limit.
      {"self link", Block(false, Directory({Entry(0x0112, 3, 1, 1)}, 8)),
       "Maximum directory nesting exceeded (corrupt exif header)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExifRecord record{};
    CRasterExifInfo reader(&record);
    bool ok = reader.ParseExifBlock(reinterpret_cast<const BYTE*>(c.block.data()),
                                    static_cast<DWORD>(c.block.size()));
    if (std::string(c.what) == "self link") {
      // The nested walk fails, but the top directory itself is sound.
      EXPECT_STREQ(reader.GetLastError(), c.error);
      continue;
    }
    EXPECT_FALSE(ok);
    EXPECT_STREQ(reader.GetLastError(), c.error);
  }
}

TEST(RasterExifInfo, OutOfRangeValuesGoOn) {
  // Orientation 9, and an ISO value whose scaling by 200 overflowed 32 bits (found by fuzzing).
  std::string block = Block(false, Directory({Entry(0x0112, 3, 1, 9), Entry(0x8827, 9, 1, 0x80000000u),
                                              Entry(0x0128, 3, 1, 2)}));
  ExifRecord record{};
  CRasterExifInfo reader(&record);
  EXPECT_TRUE(reader.ParseExifBlock(reinterpret_cast<const BYTE*>(block.data()), static_cast<DWORD>(block.size())));
  EXPECT_EQ(record.orientation, 0);
  EXPECT_STREQ(reader.GetLastError(), "Undefined rotation value");
  EXPECT_EQ(record.isoEquivalent, -2147483647 - 1);
  EXPECT_FLOAT_EQ(record.resolutionUnit, 1.0f);
}

TEST(RasterExifInfo, ManySelfLinksStayBounded) {
  // Hundreds of sub-directory links back to the same directory: without a bound on the number
  // of directories walked this takes exponential time.
  std::vector<std::string> entries(400, Entry(0x8769, 4, 1, 8));
  std::string block = Block(false, Directory(entries));
  ExifRecord record{};
  CRasterExifInfo reader(&record);
  auto start = std::chrono::steady_clock::now();
  reader.ParseExifBlock(reinterpret_cast<const BYTE*>(block.data()), static_cast<DWORD>(block.size()));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(RasterExifInfo, SectionWalkLimits) {
  // 25 APP2 sections before the frame: the walk stops at 20.
  std::vector<BYTE> jpeg = ReadData("jpg_baseline.jpg");
  std::vector<BYTE> many(jpeg.begin(), jpeg.begin() + 2);
  for (int i = 0; i < 25; ++i) many.insert(many.end(), {0xFF, 0xE2, 0x00, 0x04, 'a', 'b'});
  many.insert(many.end(), jpeg.begin() + 2, jpeg.end());
  {
    CRasterMemFile file(many.data(), static_cast<DWORD>(many.size()));
    CRasterExifInfo reader;
    EXPECT_FALSE(reader.ReadSections(&file, 1));
    EXPECT_STREQ(reader.GetLastError(), "Too many sections in jpg file");
    // The picture itself still decodes.
    CRasterImage image;
    EXPECT_TRUE(image.Decode(many.data(), static_cast<DWORD>(many.size()), RASTER_FORMAT_JPG));
    EXPECT_EQ(image.GetWidth(), 64u);
  }
  struct Case {
    std::vector<BYTE> bytes;
    const char* error;
  };
  const Case cases[] = {
      {{0xFF, 0xD8, 0xFF, 0xE2, 0x00, 0x01}, "invalid marker"},
      {{0xFF, 0xD8, 0xFF, 0xE2, 0x00, 0x10, 1, 2}, "Premature end of file?"},
      {{0xFF, 0xD8, 0xFF, 0xE1, 0x00}, "Premature end of file?"},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> bytes = c.bytes;
    CRasterMemFile file(bytes.data(), static_cast<DWORD>(bytes.size()));
    CRasterExifInfo reader;
    EXPECT_FALSE(reader.ReadSections(&file, 1));
    EXPECT_STREQ(reader.GetLastError(), c.error);
  }
  std::vector<BYTE> notJpeg = {'G', 'I', 'F'};
  CRasterMemFile file(notJpeg.data(), 3);
  CRasterExifInfo reader;
  EXPECT_FALSE(reader.ReadSections(&file, 1));
}

}  // namespace
