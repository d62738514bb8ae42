#include "variant/DragPicture.h"

#include <algorithm>

#include "engine/Entity.h"
#include "engine/EntityData.h"
#include "engine/GameBase.h"
#include "engine/PictureEntity.h"
#include "engine/PlaneEntity.h"

namespace {

constexpr uint32_t KEY = 0xFF00FF;

}  // namespace

Entity* CDragPicture::Picture() const { return m_plane != 0 ? m_scene.FindEntity(m_plane) : nullptr; }

POINT CDragPicture::Centre() const {
  const Entity* e = Picture();
  return e != nullptr ? POINT{e->GetX(), e->GetY()} : POINT{0, 0};
}

Entity* CDragPicture::Prepare(int w, int h) {
  if (w <= 0 || h <= 0) return nullptr;
  Entity* e = Picture();
  if (e == nullptr) {
    e = m_scene.CreatePlane(2, -1000, -1000, w, h, KEY, "拖动的牌");
    if (e == nullptr) return nullptr;
    e->SetLevel(LEVEL);
    m_plane = static_cast<uint32_t>(e->GetId());
  } else {
    PlaneEntity::Resize(e, w, h);
    e->SetSize(w, h);
  }
  PlaneEntity::Clear(e);
  return e;
}

void CDragPicture::Start(int left, int top, int w, int h, int mouseX) {
  Entity* e = Picture();
  m_active = true;
  m_grab = mouseX - left;
  m_width = w;
  m_y = top + h / 2;
  m_scene.ShowEntity(e, 1);
  Follow(mouseX);
}

bool CDragPicture::Begin(Entity* tile, int mouseX) {
  const PictureState* p = tile != nullptr ? PictureEntity::GetState(tile) : nullptr;
  if (p == nullptr || p->resourceId == 0) return false;
  const int w = tile->GetWidth(), h = tile->GetHeight();
  Entity* e = Prepare(w, h);
  if (e == nullptr) return false;
  const ResourceFrame frame{static_cast<uint32_t>(p->resourceId), p->sourceX, p->sourceY, p->width, p->height, nullptr};
  PlaneEntity::DrawImage(e, 0, 0, frame, w, h, 0.0, 1.0, KEY);
  // Above the hand it came from, however tall the table (the hand's levels grow with its height).
  e->SetLevel(std::max(LEVEL, tile->GetLevel() + 1));
  Start(tile->GetX() - w / 2, tile->GetY() - h / 2, w, h, mouseX);
  return true;
}

bool CDragPicture::BeginPlain(const RECT& place, const std::string& label, uint32_t edge, uint32_t face, int mouseX) {
  const int w = place.right - place.left, h = place.bottom - place.top;
  Entity* e = Prepare(w, h);
  if (e == nullptr) return false;
  PlaneData* d = PlaneEntity::GetData(e);
  if (d == nullptr || d->pixels == nullptr) return false;
  e->SetLevel(LEVEL);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool border = x == 0 || y == 0 || x == w - 1 || y == h - 1;
      d->pixels[static_cast<size_t>(y) * static_cast<size_t>(w) + x] =
          PlaneEntity::PackColor(border ? edge : face, d->keyColor);
    }
  }
  if (!label.empty()) PlaneEntity::DrawText(e, 3, (h - 16) / 2, label.c_str());
  Start(place.left, place.top, w, h, mouseX);
  return true;
}

void CDragPicture::Follow(int mouseX) {
  if (!m_active) return;
  Entity* e = Picture();
  if (e == nullptr) return;
  m_scene.MoveEntity(e, mouseX - m_grab + m_width / 2, m_y);
  e->Refresh();
}

void CDragPicture::End() {
  if (!m_active) return;
  m_active = false;
  if (Entity* e = Picture()) {
    m_scene.ShowEntity(e, 0);
    m_scene.InvalidateAll();
  }
}

void CDragPicture::Forget() {
  m_plane = 0;
  m_active = false;
}
