#include "engine/Entity.h"

#include <cmath>

#include "engine/DrawDispatcher.h"
#include "engine/Screen.h"

namespace {

constexpr double ENGINE_PI = 3.14159;
// The link table grows by this many entries at a time.
constexpr uint32_t LINK_TABLE_STEP = 10;

}  // namespace

int32_t RoundHalfAway(double v) {
  return static_cast<int32_t>(v > 0 ? v + 0.5 : v - 0.5);
}

Entity::Entity(int32_t kind) : m_kind(kind) {}

Entity::~Entity() = default;

void Entity::Init(const char* name, int32_t x, int32_t y, int32_t width, int32_t height,
                  double angle, int32_t level, int32_t visible, double alpha) {
  (void)name;
  m_placement = EntityPlacement{};
  m_placement.x = x;
  m_placement.y = y;
  m_placement.width = width;
  m_placement.height = height;
  m_placement.angle = angle;
  m_placement.level = level;
  m_placement.radius = BoundingRadius(width, height);
  m_visible = visible;
  m_alpha = alpha;
  m_dataReady = 0;
}

int32_t Entity::AttachToLayer(Screen* screen, int layer) {
  if (screen == nullptr) return 0;
  if (m_kind != ENTITY_KIND_PLAIN && !m_dataReady) return 0;
  // An entity lives on one layer at a time; attaching again moves it.
  if (m_layer != -1) DetachFromLayer();
  m_screen = screen;
  const int32_t item = screen->AddItem(layer, "", static_cast<uint32_t>(m_id), 0, &m_placement,
                                       m_alpha, m_visible, GetData());
  if (item != 0) {
    m_item = item;
    m_layer = layer;
  }
  return item;
}

void Entity::DetachFromLayer() {
  if (m_layer != -1 && m_screen != nullptr) m_screen->RemoveItem(m_layer, m_item);
  m_layer = -1;
}

void Entity::Refresh() {
  if (m_layer == -1 || m_item == 0 || m_screen == nullptr) return;
  if (m_dirty) {
    m_placement.radius = BoundingRadius(m_placement.width, m_placement.height);
    m_screen->UpdateItemEx(m_layer, m_item, m_visible, 0, m_alpha, &m_placement);
  } else {
    m_screen->UpdateItem(m_layer, m_item, m_visible, 0, m_alpha);
  }
  m_dirty = 0;
  for (size_t i = 0; i < m_links.size(); ++i) {
    const EntityLink& link = m_links[i];
    if ((link.flags & LINK_REFRESH) && link.child && LinkHolds(link)) link.child->Refresh();
  }
}

bool Entity::LinkHolds(const EntityLink& link) const {
  if ((link.flags & LINK_VERIFY) == 0) return true;
  if (m_screen == nullptr || m_layer == -1) return false;
  return m_screen->FindLayerItem(m_layer, link.childItem) == static_cast<uint32_t>(link.childId);
}

Entity* Entity::MoveBy(int32_t dx, int32_t dy) {
  m_placement.x += dx;
  m_placement.y += dy;
  if (dx != 0 || dy != 0) m_dirty = 1;
  for (size_t i = 0; i < m_links.size(); ++i) {
    const EntityLink& link = m_links[i];
    if ((link.flags & LINK_MOVE) && link.child && LinkHolds(link)) link.child->MoveBy(dx, dy);
  }
  return this;
}

Entity* Entity::MoveTo(int32_t x, int32_t y) {
  return MoveBy(x - m_placement.x, y - m_placement.y);
}

Entity* Entity::RotateBy(double d) {
  m_placement.angle += d;
  if (d != 0.0) m_dirty = 1;
  for (size_t i = 0; i < m_links.size(); ++i) {
    const EntityLink& link = m_links[i];
    if ((link.flags & LINK_ROTATE) && link.child && LinkHolds(link)) {
      link.child->RotateAbout(m_placement.x, m_placement.y, d);
    }
  }
  return this;
}

Entity* Entity::SetAngle(double a) {
  const double old = m_placement.angle;
  m_placement.angle = a;
  if (a != old) m_dirty = 1;
  for (size_t i = 0; i < m_links.size(); ++i) {
    const EntityLink& link = m_links[i];
    if ((link.flags & LINK_ROTATE) && link.child && LinkHolds(link)) {
      link.child->RotateAbout(m_placement.x, m_placement.y, a - old);
    }
  }
  return this;
}

Entity* Entity::RotateAbout(int32_t px, int32_t py, double d) {
  int32_t tx = m_placement.x;
  int32_t ty = m_placement.y;
  if (d != 0.0) {
    const double dx = m_placement.x - px;
    const double dy = py - m_placement.y;
    const double r = d * ENGINE_PI / 180.0;
    const int32_t gx = RoundHalfAway(dx * std::cos(r) - dy * std::sin(r));
    const int32_t gy = RoundHalfAway(dy * std::cos(r) + dx * std::sin(r));
    tx = px + gx;
    ty = py - gy;
  }
  MoveTo(tx, ty);
  RotateBy(d);
  return this;
}

Entity* Entity::AddLevel(int32_t d) {
  m_placement.level += d;
  if (d != 0) m_dirty = 1;
  for (size_t i = 0; i < m_links.size(); ++i) {
    const EntityLink& link = m_links[i];
    if ((link.flags & LINK_LEVEL) && link.child && LinkHolds(link)) link.child->AddLevel(d);
  }
  return this;
}

Entity* Entity::SetLevel(int32_t level) {
  const int32_t old = m_placement.level;
  m_placement.level = level;
  if (level != old) m_dirty = 1;
  for (size_t i = 0; i < m_links.size(); ++i) {
    const EntityLink& link = m_links[i];
    if ((link.flags & LINK_LEVEL) && link.child && LinkHolds(link)) {
      link.child->AddLevel(level - old);
    }
  }
  return this;
}

Entity* Entity::ResizeBy(int32_t dw, int32_t dh) {
  m_placement.width += dw;
  m_placement.height += dh;
  if (dw != 0 || dh != 0) m_dirty = 1;
  for (size_t i = 0; i < m_links.size(); ++i) {
    const EntityLink& link = m_links[i];
    if ((link.flags & LINK_SIZE) && link.child && LinkHolds(link)) link.child->ResizeBy(dw, dh);
  }
  return this;
}

Entity* Entity::SetSize(int32_t w, int32_t h) {
  const int32_t dw = w - m_placement.width;
  const int32_t dh = h - m_placement.height;
  m_placement.width = w;
  m_placement.height = h;
  if (dw != 0 || dh != 0) m_dirty = 1;
  for (size_t i = 0; i < m_links.size(); ++i) {
    const EntityLink& link = m_links[i];
    if ((link.flags & LINK_SIZE) && link.child && LinkHolds(link)) link.child->ResizeBy(dw, dh);
  }
  return this;
}

Entity* Entity::ScaleBy(double sx, double sy) {
  if (sx == 1.0 && sy == 1.0) return this;
  m_placement.width = static_cast<int32_t>(m_placement.width * sx);
  m_placement.height = static_cast<int32_t>(m_placement.height * sy);
  m_dirty = 1;
  for (size_t i = 0; i < m_links.size(); ++i) {
    const EntityLink& link = m_links[i];
    if ((link.flags & LINK_SIZE) && link.child && LinkHolds(link)) link.child->ScaleBy(sx, sy);
  }
  return this;
}

Entity* Entity::SetFlags(uint32_t flags) {
  m_placement.flags = flags;
  m_dirty = 1;
  return this;
}

Entity* Entity::SetClipRect(const RECT& rect) {
  m_placement.clip = rect;
  m_placement.flags |= PLACEMENT_FLAG_CLIP;
  m_dirty = 1;
  for (size_t i = 0; i < m_links.size(); ++i) {
    const EntityLink& link = m_links[i];
    if ((link.flags & LINK_CLIP) && link.child && LinkHolds(link)) link.child->SetClipRect(rect);
  }
  return this;
}

Entity* Entity::Show() {
  m_visible = 1;
  for (size_t i = 0; i < m_links.size(); ++i) {
    EntityLink& link = m_links[i];
    if (link.child == nullptr) continue;
    if (link.flags & LINK_SHOW) {
      if (LinkHolds(link)) link.child->Show();
    } else if (link.flags & LINK_RESHOW) {
      link.flags &= ~LINK_RESHOW;
      if (LinkHolds(link)) link.child->Show();
    }
  }
  return this;
}

Entity* Entity::Hide() {
  m_visible = 0;
  for (size_t i = 0; i < m_links.size(); ++i) {
    EntityLink& link = m_links[i];
    if (link.child == nullptr) continue;
    if (link.flags & LINK_SHOW) {
      if (LinkHolds(link)) link.child->Hide();
    } else if (link.flags & LINK_HIDE_MEMO) {
      if (!LinkHolds(link) || !link.child->IsVisible()) continue;
      link.flags |= LINK_RESHOW;
      link.child->Hide();
    }
  }
  return this;
}

Entity* Entity::SetAlpha(double alpha) {
  m_alpha = alpha;
  for (size_t i = 0; i < m_links.size(); ++i) {
    const EntityLink& link = m_links[i];
    if ((link.flags & LINK_ALPHA) && link.child && LinkHolds(link)) link.child->SetAlpha(alpha);
  }
  return this;
}

int Entity::SetHitTestable(int on) {
  m_hitTestable = on;
  int result = 0;
  if (m_layer != -1 && m_screen != nullptr) result = m_screen->SetItemState(m_layer, m_item, on);
  for (size_t i = 0; i < m_links.size(); ++i) {
    const EntityLink& link = m_links[i];
    if ((link.flags & LINK_HITTEST) && link.child && LinkHolds(link)) {
      link.child->SetHitTestable(on);
    }
  }
  return result;
}

POINT* Entity::GetTopLeft(POINT* out) const {
  out->x = GetLeft();
  out->y = GetTop();
  return out;
}

EntityPlacement* Entity::GetPlacement(EntityPlacement* out) const {
  *out = m_placement;
  return out;
}

int Entity::IsInView() const {
  return (m_placement.flags & PLACEMENT_FLAG_IN_VIEW) == PLACEMENT_FLAG_IN_VIEW ? 1 : 0;
}

POINT* Entity::ScreenToLayer(POINT* out, int32_t sx, int32_t sy) const {
  if (m_screen != nullptr && m_layer != -1) {
    m_screen->ScreenToLayer(out, m_layer, sx, sy);
  } else {
    out->x = sx;
    out->y = sy;
  }
  return out;
}

Entity* Entity::GetChild(uint32_t i) const {
  return i < m_links.size() ? m_links[i].child : nullptr;
}

uint32_t Entity::LinkChild(Entity* child, uint32_t flags) {
  if (child == nullptr) return 0;
  // The links form trees: an entity cannot become a child of itself or of its own descendant,
  // which would send every propagation round in a circle.
  for (const Entity* e = this; e != nullptr; e = e->m_parent) {
    if (e == child) return 0;
  }
  if (flags & LINK_VERIFY) {
    if (m_screen == nullptr || m_layer == -1 ||
        m_screen->FindLayerItem(m_layer, child->m_item) != static_cast<uint32_t>(child->m_id)) {
      return 0;
    }
  }
  if (child->m_parent != nullptr) child->m_parent->RemoveLink(child->m_id);
  child->m_parent = this;
  if (m_links.size() >= m_linkCapacity) {
    m_linkCapacity += LINK_TABLE_STEP;
    m_links.reserve(m_linkCapacity);
  }
  m_links.push_back(EntityLink{child->m_id, child->m_item, flags, child});
  return static_cast<uint32_t>(m_links.size());
}

uint32_t Entity::RemoveLink(int32_t childId) {
  for (size_t i = 0; i < m_links.size(); ++i) {
    if (m_links[i].childId != childId) continue;
    if (m_links[i].child) m_links[i].child->m_parent = nullptr;
    m_links[i] = EntityLink{0, 0, 0, nullptr};
    CompactLinks();
    return static_cast<uint32_t>(m_links.size());
  }
  return 0;
}

void Entity::CompactLinks() {
  for (size_t i = 0; i < m_links.size(); ++i) {
    if (m_links[i].childId == 0) {
      m_links.erase(m_links.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

void Entity::Destroy() {
  for (EntityLink& link : m_links) {
    if (link.child) link.child->m_parent = nullptr;
  }
  m_links.clear();
  m_links.shrink_to_fit();
  m_linkCapacity = 0;
  if (m_parent != nullptr) m_parent->RemoveLink(m_id);
  m_parent = nullptr;
  // The item leaves its layer before the state it draws from goes.
  DetachFromLayer();
  if (m_dataReady) ReleaseKindState();
}

void Entity::SetKindState(std::unique_ptr<EntityKindState> state, const EntityData& data) {
  m_state = std::move(state);
  m_data = data;
  m_dataReady = 1;
}

void Entity::ReleaseKindState() {
  m_state.reset();
  m_data = EntityData{};
  m_data.kind = m_kind;
  m_dataReady = 0;
}
