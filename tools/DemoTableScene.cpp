#include "tools/DemoTableScene.h"

#include <cstdio>

#include "engine/InputDispatcher.h"
#include "engine/PlaneEntity.h"
#include "engine/Screen.h"
#include "platform/user/MessageQueue.h"

void DemoTableScene::OnGameStart() { Build(GetLogicalWidth(), GetLogicalHeight()); }

void DemoTableScene::Build(int32_t width, int32_t height) {
  m_width = width;
  m_height = height;
  GetScreen()->SetBackgroundColor(0x204020);
  InvalidateAll();
  // A felt panel over the whole view.
  Entity* felt = CreatePlane(0, width / 2, height / 2, width, height, 0x306030, "felt");
  ShowEntity(felt, 1);
  // Four walls of 34 tiles in two rows each, around the middle.
  const int32_t tw = width / 40 > 6 ? width / 40 : 6;
  const int32_t th = tw * 4 / 3;
  for (int i = 0; i < TILE_COUNT; ++i) {
    const int wall = i / 34;
    const int k = i % 34;
    const int32_t row = k / 17;
    const int32_t col = k % 17;
    int32_t x = width / 2 - 8 * tw + col * tw;
    int32_t y = height / 2;
    switch (wall) {
      case 0:
        y = height / 2 - 6 * th + row * (th / 3);
        break;
      case 1:
        y = height / 2 + 5 * th + row * (th / 3);
        break;
      case 2:
        x = width / 2 - 11 * tw + row * (tw / 3);
        y = height / 2 - 8 * tw + col * tw;
        break;
      default:
        x = width / 2 + 10 * tw + row * (tw / 3);
        y = height / 2 - 8 * tw + col * tw;
        break;
    }
    Entity* tile = CreatePlane(1, x, y, tw - 1, th - 1, 0xf0f0f0, "tile");
    PlaneEntity::DrawBorder(tile, 0x404040);
    tile->SetLevel(row);
    ShowEntity(tile, 1);
    m_tiles.push_back(tile);
  }
  for (int i = 0; i < SPRITE_COUNT; ++i) {
    const uint32_t colour = 0x0000ff + static_cast<uint32_t>(i) * 0x0c0a00;
    Entity* sprite = CreatePlane(2, width / 4, height / 4 + i * (height / 2) / SPRITE_COUNT, 16,
                                 16, colour, "sprite");
    ShowEntity(sprite, 1);
    m_sprites.push_back(sprite);
    m_side.push_back(0);
    SendSprite(i);
  }
  m_caption = CreatePlane(3, width / 2, height / 2, 160, 24, 0x000000, "caption");
  m_caption->SetAlpha(0.7);
  WriteCaption();
  ShowEntity(m_caption, 1);
  BindMouseEvent(CTRL_EVENT_KEYDOWN, KEY, 0);
}

void DemoTableScene::SendSprite(int index) {
  Entity* sprite = m_sprites[static_cast<size_t>(index)];
  m_side[static_cast<size_t>(index)] ^= 1;
  const int32_t x = m_side[static_cast<size_t>(index)] ? m_width * 3 / 4 : m_width / 4;
  StartMove(sprite, 0, x, sprite->GetY(), 4 + index % 5, 0,
            ARRIVED + static_cast<uint32_t>(index), nullptr, 0);
}

int DemoTableScene::OnCommand(Event event) {
  if (event.code >= ARRIVED && event.code < ARRIVED + SPRITE_COUNT) {
    ++m_arrivals;
    SendSprite(static_cast<int>(event.code - ARRIVED));
  } else if (event.code == KEY) {
    auto* state = dynamic_cast<InputStateObject*>(event.object);
    if (state && state->state.keyDown == ESCAPE) PostQuitMessage(0);
  }
  return 1;
}

void DemoTableScene::WriteCaption() {
  if (m_caption == nullptr) return;
  PlaneEntity::Clear(m_caption);
  PlaneEntity::DrawBorder(m_caption, 0xffffff);
  char text[128];
  std::snprintf(text, sizeof text, "<color=16777215;size=16>牌桌 第%u帧 <color=65535>%u", m_frame,
                m_arrivals);
  PlaneEntity::DrawText(m_caption, 6, 4, text);
}

void DemoTableScene::OnFrame() {
  // The caption's text is written again every 30 frames, as a score board would be.
  if (++m_frame % 30 == 0) WriteCaption();
}
