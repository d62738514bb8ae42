// Plane entities (kind 4096): a 32-bit surface of their own that the program draws into at run
// time: fills, borders, pixels, text and pictures. Colours are Windows colour values 0x00BBGGRR;
// pixels are stored 0xAARRGGBB. Writing the key colour gives a fully transparent pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Entity.h"
#include "engine/PictureEntity.h"
#include "engine/TextFont.h"

class World;

class PlaneKindState : public EntityKindState {
 public:
  // What the screen draws from; its address is the entity data's state.
  PlaneData data{};
  std::vector<uint32_t> pixels;
  // The font the plane draws text with (the resource manager's, shared); null: a font made for
  // each call.
  TextFont* font = nullptr;
  // The plane's own font settings, selected into the font for each text.
  TextFontInfo fontInfo{};
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

  // Text.
  static void SetTextFont(Entity* e, TextFont* font, int copy);
  static void SetTextColor(Entity* e, uint32_t colour);
  // The face name keeps at most 31 bytes, cut before a GBK character that would not fit whole.
  static void SetFont(Entity* e, int32_t height, int32_t weight, const char* face);
  static TextFontInfo* GetFontInfo(Entity* e);
  static void DrawText(Entity* e, int32_t x, int32_t y, const char* text);
  static void FitToText(Entity* e, const char* text);

  // A plane made on a layer the way the facade makes them: hidden, with the given fill, bound to
  // the resource manager's text font.
  static Entity* CreateOnLayer(World& world, int layer, int32_t x, int32_t y, int32_t width,
                               int32_t height, uint32_t fillColor, const char* name);
};
