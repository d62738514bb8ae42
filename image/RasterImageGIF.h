// The GIF decoder (type 2), with its own LZW decoder. It composes animation frames the way a
// viewer shows them (frame position, transparency, disposal), decodes up to a chosen frame and
// can keep a composed copy of every frame.
#pragma once

#include "image/RasterImage.h"

class RASTER_EXPORT CRasterImageGIF : public CRasterImage {
 public:
  CRasterImageGIF();
  ~CRasterImageGIF() override;

  bool Decode(CRasterFile* file);

 private:
  struct GraphicControl {
    BYTE flags;
    WORD delay;
    BYTE transIndex;
  };
  struct ScreenState;

  static const int IBF_SIZE = 16383;
  static const int MAX_CODES = 4095;
  static const int LZW_OUT_OF_MEMORY = -10;
  static const int LZW_BAD_CODE_SIZE = -20;

  bool ReadExtension(CRasterFile* file);
  long CountFrames(CRasterFile* file, ScreenState& screen);
  // Decodes one frame's image data; rows go to StoreRow only when store is set. Returns the
  // number of bad codes met, or a negative error.
  int DecodeLzw(CRasterFile* file, int lineWidth, bool store);
  int NextCode(CRasterFile* file);
  int NextByte(CRasterFile* file);
  int StoreRow(BYTE* row, int length);
  long FindNextFrame(CRasterFile* file, long position);
  void MixFrame(CRasterImage& background, long left, long top, long screenHeight);
  // Puts the file where the next block starts after a frame's image data.
  void PositionAfterFrame(CRasterFile* file, long startPosition, int lzwResult);
  void ResetReader();
  void ResetRows(bool interlaced, long height);

  GraphicControl m_gce;
  // Graphic control blocks read so far, so that the counting pass can tell whether a frame's
  // disposal came from the file.
  long m_gceReads = 0;
  // The last comment and the loop count of the application extension; neither reaches the
  // target image.
  char m_comment[256];
  WORD m_loopCount;

  BYTE* m_readBuffer;
  int m_readIndex;
  int m_readCount;

  int m_codeSize;
  int m_currentSize;
  int m_clearCode;
  int m_endCode;
  int m_newCodes;
  int m_slot;
  int m_topSlot;
  int m_bitsLeft;
  int m_currentByte;
  int m_bytesLeft;
  BYTE m_subBlock[257];
  BYTE* m_subBlockPtr;
  BYTE* m_stack;
  BYTE* m_suffix;
  WORD* m_prefix;
  int m_badCodes;

  bool m_interlaced;
  long m_frameHeight;
  long m_rowStep;
  long m_nextRow;
  int m_pass;
};
