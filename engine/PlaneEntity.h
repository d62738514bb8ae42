// Plane entities (kind 4096): a 32-bit surface of their own that the program draws into at run
// time: fills, borders, pixels, text and pictures. Colours are Windows colour values 0x00BBGGRR;
// pixels are stored 0xAARRGGBB. Writing the key colour gives a fully transparent pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Entity.h"
#include "engine/PictureEntity.h"

class PlaneKindState : public EntityKindState {
 public:
  // What the screen draws from; its address is the entity data's state.
  PlaneData data{};
  std::vector<uint32_t> pixels;
};

class PlaneEntity {
 public:
  // Nothing for a size that is not positive or is larger than a picture can be.
  static void CreatePixels(Entity* e, int32_t width, int32_t height, int32_t ignored,
                           uint32_t fillColor);
  static uint32_t PackColor(uint32_t color, uint32_t key);
  static void Clear(Entity* e);
  static void SetFillColor(Entity* e, uint32_t color);
  static void SetBackColor(Entity* e, uint32_t color);
  static uint32_t ReplaceColor(Entity* e, uint32_t from, uint32_t to);
  static void SetPixel(Entity* e, int32_t x, int32_t y, uint32_t color);
  static void DrawBorder(Entity* e, uint32_t color);
  static void MakeKeyTransparent(Entity* e);
  static void Resize(Entity* e, int32_t width, int32_t height);
  static uint32_t* GetPixels(Entity* e);
  static PlaneData* GetData(Entity* e);
  static PlaneKindState* GetState(Entity* e);
  static void DrawImage(Entity* e, int32_t x, int32_t y, const ResourceFrame& frame, int32_t width,
                        int32_t height, double angle, double opacity, uint32_t colour);
};
