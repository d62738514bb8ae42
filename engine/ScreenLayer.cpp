#include "engine/ScreenLayer.h"

#include <cmath>

#include "engine/DrawDispatcher.h"
#include "engine/Geometry.h"
#include "engine/PixelSurface.h"
#include "platform/base/RectUtil.h"

namespace {

// The item rectangle of the clip and dirty tests: one pixel larger than the drawn box.
RECT ItemRect(const EntityPlacement& p) {
  RECT r;
  r.left = p.viewX - (p.width + 1) / 2;
  r.top = p.viewY - (p.height + 1) / 2;
  r.right = r.left + p.width + 1;
  r.bottom = r.top + p.height + 1;
  return r;
}

// Whether the rotated placement meets the rectangle k: an edge of the turned box crosses an edge
// of k, or the centre lies in k, or k's centre turned back lies in the box.
bool RotatedMeets(const EntityPlacement& p, const RECT& k) {
  const int32_t x = p.viewX;
  const int32_t y = p.viewY;
  const int32_t hw = (p.width + 1) / 2;
  const int32_t hh = (p.height + 1) / 2;
  PointD q[4];
  RotatePointD(&q[0], x - hw, y - hh, x, y, p.angle, 1);
  RotatePointD(&q[1], x - hw, y + hh, x, y, p.angle, 1);
  RotatePointD(&q[2], x + hw, y + hh, x, y, p.angle, 1);
  RotatePointD(&q[3], x + hw, y - hh, x, y, p.angle, 1);
  const PointD c[4] = {{static_cast<double>(k.left), static_cast<double>(k.top)},
                       {static_cast<double>(k.left), static_cast<double>(k.bottom)},
                       {static_cast<double>(k.right), static_cast<double>(k.bottom)},
                       {static_cast<double>(k.right), static_cast<double>(k.top)}};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      if (SegmentsIntersect(q[i], q[(i + 1) % 4], c[j], c[(j + 1) % 4], nullptr) != 0) {
        return true;
      }
    }
  }
  if (PtInRect(&k, POINT{x, y})) {
    return true;
  }
  const POINT kc = RotatePoint((k.left + 1 + k.right) / 2, (k.top + 1 + k.bottom) / 2, x, y,
                               p.angle, 0);
  const RECT r = ItemRect(p);
  return PtInRect(&r, kc) != 0;
}

// Maps a coordinate of the drawn box (0 .. drawn - 1) to the source the drawing took it from,
// with the nearest-pixel rule of the picture scaling.
int32_t MapToSource(int32_t u, int32_t drawn, int32_t source) {
  if (drawn == source) return u;
  const int64_t step = (static_cast<int64_t>(source) * 1024) / drawn;
  const int64_t col = (u * step) >> 10;
  return static_cast<int32_t>(col < source - 1 ? col : source - 1);
}

}  // namespace

ScreenLayer::ScreenLayer() = default;

void ScreenLayer::SetView(const ViewInfo& view) {
  m_halfWidth = view.halfWidth;
  m_halfHeight = view.halfHeight;
  m_centreX = view.centreX;
  m_centreY = view.centreY;
  m_viewWidth = view.width;
  m_viewHeight = view.height;
  if (m_halfWidth <= 0 || m_halfHeight <= 0) {
    m_viewRadius = 0;
  } else {
    const double hw = m_halfWidth;
    const double hh = m_halfHeight;
    m_viewRadius = static_cast<int32_t>(std::sqrt(hw * hw + hh * hh) + 0.5);
  }
  RecomputeView();
}

void ScreenLayer::SetViewCentre(const ViewInfo& view) {
  m_centreX = view.centreX;
  m_centreY = view.centreY;
  RecomputeView();
}

void ScreenLayer::SetBounds(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  m_bounds = RECT{left, top, right, bottom};
}

RECT ScreenLayer::ClipToScreen(const EntityPlacement& p) const {
  // The clip rectangle is kept in layer coordinates, the same system as the drawing uses, so
  // that the view test, the dirty areas and the drawing agree on a scrolled layer too.
  RECT k = p.clip;
  OffsetRect(&k, m_halfWidth - m_centreX, m_halfHeight - m_centreY);
  return k;
}

int ScreenLayer::TestInView(EntityPlacement& p) const {
  const int64_t dx = static_cast<int64_t>(p.x) - m_centreX;
  const int64_t dy = static_cast<int64_t>(p.y) - m_centreY;
  p.viewX = static_cast<int32_t>(m_halfWidth + dx);
  p.viewY = static_cast<int32_t>(m_halfHeight + dy);
  bool inView;
  if (p.angle == 0.0) {
    inView = !(p.viewX + (p.width + 1) / 2 < 0 || p.viewX - (p.width + 1) / 2 >= m_viewWidth ||
               p.viewY + (p.height + 1) / 2 < 0 || p.viewY - (p.height + 1) / 2 >= m_viewHeight);
  } else {
    const int64_t reach = static_cast<int64_t>(p.radius) + m_viewRadius;
    inView = dx * dx + dy * dy < reach * reach;
  }
  if (inView && (p.flags & PLACEMENT_FLAG_CLIP) != 0) {
    const RECT k = ClipToScreen(p);
    if (p.angle == 0.0) {
      const RECT r = ItemRect(p);
      RECT cut;
      inView = IntersectRect(&cut, &r, &k) != 0;
    } else {
      inView = RotatedMeets(p, k);
    }
  }
  return inView ? 1 : 0;
}

void ScreenLayer::SetInViewFlags(EntityPlacement* p, int inView) const {
  if (inView) {
    p->flags |= PLACEMENT_FLAG_IN_VIEW;
  } else {
    p->flags &= ~PLACEMENT_FLAG_IN_VIEW;
  }
}

void ScreenLayer::InsertDrawOrder(const LayerItem& item) {
  if (item.data == nullptr || !(item.alpha > 0.0)) {
    return;
  }
  const int32_t level = item.placement->level;
  auto it = m_drawList.begin();
  for (; it != m_drawList.end(); ++it) {
    const int32_t otherLevel = it->placement->level;
    if (otherLevel > level || (otherLevel == level && it->entityId > item.entityId)) {
      break;
    }
  }
  m_drawList.insert(it, item);
}

void ScreenLayer::RemoveDrawOrder(int32_t handle) {
  for (auto it = m_drawList.begin(); it != m_drawList.end(); ++it) {
    if (it->handle == handle) {
      m_drawList.erase(it);
      return;
    }
  }
}

int32_t ScreenLayer::AddItem(const char* name, uint32_t entityId, int32_t ignored,
                             EntityPlacement* placement, double alpha, int32_t visible,
                             EntityData* data) {
  const int32_t handle = m_nextHandle++;
  const int inView = TestInView(*placement);
  LayerItem item{};
  item.handle = handle;
  item.entityId = entityId;
  item.placementCopy = *placement;
  item.placement = placement;
  item.visible = visible;
  item.inView = inView;
  item.redrawNow = 0;
  item.alpha = alpha;
  item.data = data;
  SetInViewFlags(placement, inView);
  item.placementCopy.flags = placement->flags;
  m_items[handle] = item;
  if (inView && visible) {
    InsertDrawOrder(item);
    AddDirtyPlacement(item.placementCopy);
  }
  return handle;
}

void ScreenLayer::UpdateItemEx(int32_t handle, int32_t ignored, int32_t mode, double alpha,
                               EntityPlacement* placement) {
  auto found = m_items.find(handle);
  if (found == m_items.end()) {
    return;
  }
  LayerItem& item = found->second;
  const int inView = TestInView(*placement);
  const int32_t newVisible = mode == 1 ? 1 : (mode == 0 ? 0 : item.visible);
  const bool wasDrawn = item.inView && item.visible;
  if (wasDrawn) {
    AddDirtyPlacement(item.placementCopy);
  }
  if (inView && newVisible) {
    AddDirtyPlacement(*placement);
  }
  if (wasDrawn) {
    RemoveDrawOrder(handle);
  }
  item.visible = newVisible;
  item.inView = inView;
  item.placement = placement;
  SetInViewFlags(placement, inView);
  item.placementCopy = *placement;
  item.alpha = alpha;
  if (inView && newVisible) {
    InsertDrawOrder(item);
  }
  if (handle == m_focusHandle) {
    m_hitFloor = item.placement->level - 1;
    if (mode == 0) {
      RemoveFocus(handle);
    }
  }
}

void ScreenLayer::UpdateItem(int32_t handle, int32_t ignored, int32_t mode, double alpha) {
  auto found = m_items.find(handle);
  if (found == m_items.end()) {
    return;
  }
  LayerItem& item = found->second;
  const int32_t newVisible = mode == 1 ? 1 : (mode == 0 ? 0 : item.visible);
  if (item.inView && (item.visible || newVisible)) {
    AddDirtyPlacement(item.placementCopy);
  }
  if (item.inView && item.visible) {
    RemoveDrawOrder(handle);
  }
  item.visible = newVisible;
  item.alpha = alpha;
  if (item.inView && newVisible) {
    InsertDrawOrder(item);
  }
  if (handle == m_focusHandle) {
    m_hitFloor = item.placement->level - 1;
    if (mode == 0) {
      RemoveFocus(handle);
    }
  }
}

void ScreenLayer::RemoveItem(int32_t handle) {
  auto found = m_items.find(handle);
  if (found == m_items.end()) {
    return;
  }
  if (found->second.inView && found->second.visible) {
    AddDirtyPlacement(*found->second.placement);
    RemoveDrawOrder(handle);
  }
  m_items.erase(found);
  m_hitTestSet.erase(handle);
  RemoveFocus(handle);
}

LayerItem* ScreenLayer::GetItem(int32_t handle) {
  auto found = m_items.find(handle);
  return found == m_items.end() ? nullptr : &found->second;
}

uint32_t ScreenLayer::FindItem(int32_t handle) const {
  auto found = m_items.find(handle);
  return found == m_items.end() ? 0 : found->second.entityId;
}

int ScreenLayer::SetItemState(int32_t handle, int32_t flag) {
  if (flag == 0) {
    m_hitTestSet.erase(handle);
    if (handle == m_focusHandle) {
      m_focusHandle = 0;
      m_hitFloor = 0;
    }
    return 1;
  }
  if (m_items.find(handle) == m_items.end()) {
    return 0;
  }
  m_hitTestSet.insert(handle);
  return 1;
}

void ScreenLayer::MarkForRedraw(int32_t handle) {
  if (m_items.find(handle) == m_items.end()) {
    return;
  }
  for (LayerItem& entry : m_drawList) {
    if (entry.handle == handle) {
      entry.redrawNow = 1;
      return;
    }
  }
}

void ScreenLayer::PushFocus(int32_t handle) {
  if (handle == 0) {
    m_focusStack.clear();
    m_focusHandle = 0;
    m_hitFloor = 0;
    return;
  }
  auto found = m_items.find(handle);
  if (handle == m_focusHandle || found == m_items.end()) {
    return;
  }
  RemoveFocus(handle);
  m_focusStack.push_back(handle);
  m_focusHandle = handle;
  m_hitFloor = found->second.placement->level - 1;
}

void ScreenLayer::RemoveFocus(int32_t handle) {
  for (auto it = m_focusStack.begin(); it != m_focusStack.end(); ++it) {
    if (*it == handle) {
      m_focusStack.erase(it);
      break;
    }
  }
  if (handle != m_focusHandle) {
    return;
  }
  if (m_focusStack.empty()) {
    m_focusHandle = 0;
    m_hitFloor = 0;
    return;
  }
  auto top = m_items.find(m_focusStack.back());
  if (top == m_items.end()) {
    m_focusHandle = 0;
    m_hitFloor = 0;
    return;
  }
  m_focusHandle = top->first;
  m_hitFloor = top->second.placement->level - 1;
}

uint32_t ScreenLayer::GetFocus() const {
  if (m_focusHandle == 0) {
    return 0;
  }
  return FindItem(m_focusHandle);
}

uint32_t ScreenLayer::HitTest(int32_t x, int32_t y, ImageSource* images) {
  const int32_t sx = x + m_centreX - m_halfWidth;
  const int32_t sy = y + m_centreY - m_halfHeight;
  uint32_t best = 0;
  int32_t floor = m_hitFloor;
  for (int32_t handle : m_hitTestSet) {
    auto found = m_items.find(handle);
    if (found == m_items.end()) {
      continue;
    }
    const LayerItem& item = found->second;
    if (!item.visible || !item.inView) {
      continue;
    }
    const EntityPlacement& p = *item.placement;
    PointD pt{static_cast<double>(sx), static_cast<double>(sy)};
    if (p.angle != 0.0) {
      RotatePointD(&pt, sx, sy, p.x, p.y, p.angle, 0);
    }
    const double hw = (p.width + 1) / 2;
    const double hh = (p.height + 1) / 2;
    if (!(p.x - hw < pt.x && pt.x < p.x + hw && p.y - hh < pt.y && pt.y < p.y + hh)) {
      continue;
    }
    if (!(static_cast<uint32_t>(p.level) > static_cast<uint32_t>(floor))) {
      continue;
    }
    if ((p.flags & PLACEMENT_FLAG_PIXEL_HIT) != 0 && !HitTestPixel(sx, sy, item, images)) {
      continue;
    }
    best = item.entityId;
    floor = p.level;
  }
  return best;
}

int ScreenLayer::HitTestPixel(int32_t sx, int32_t sy, const LayerItem& item,
                              ImageSource* images) const {
  if (item.data == nullptr) {
    return 0;
  }
  const EntityPlacement& p = *item.placement;
  if (p.angle != 0.0) {
    const POINT r = RotatePoint(sx, sy, p.x, p.y, p.angle, 0);
    sx = r.x;
    sy = r.y;
  }
  // (u, v) is the point inside the drawn box; it must lie inside it to be looked up at all.
  const int64_t u = static_cast<int64_t>(sx) - p.x + (p.width + 1) / 2;
  const int64_t v = static_cast<int64_t>(sy) - p.y + (p.height + 1) / 2;
  if (u < 0 || v < 0 || u >= p.width || v >= p.height) {
    return 0;
  }
  const EntityData& data = *item.data;
  if (data.kind == BIT_SINGLE) {
    const auto* state = static_cast<const PictureState*>(data.state);
    if (state == nullptr || images == nullptr || state->resourceId == 0) {
      return 0;
    }
    const ImageRecord* image = images->GetImage(static_cast<uint32_t>(state->resourceId));
    if (image == nullptr || image->pixels == nullptr || state->width <= 0 ||
        state->height <= 0) {
      return 0;
    }
    // The same mapping the drawing uses: the picture's source rectangle scaled to the box.
    const int64_t px = state->sourceX + MapToSource(static_cast<int32_t>(u), p.width, state->width);
    const int64_t py =
        state->sourceY + MapToSource(static_cast<int32_t>(v), p.height, state->height);
    const int64_t total =
        image->frameCount > 1 ? static_cast<int64_t>(image->height) * image->frameCount
                              : image->height;
    if (px < 0 || py < 0 || px >= image->width || py >= total) {
      return 0;
    }
    const int bpp = BytesPerPixel(*image);
    const uint64_t index = static_cast<uint64_t>(py) * image->width + static_cast<uint64_t>(px);
    if ((index + 1) * bpp > image->bufferSize) {
      return 0;
    }
    const uint8_t* pixel = image->pixels + index * bpp;
    if (bpp == 4) {
      return pixel[3] != 0 ? 1 : 0;
    }
    if (pixel[0] == image->transparent) {
      return 0;
    }
    return (bpp == 2 && pixel[1] == 0) ? 0 : 1;
  }
  if (data.kind == ENTITY_KIND_PLANE) {
    const auto* plane = static_cast<const PlaneData*>(data.state);
    if (plane == nullptr || plane->pixels == nullptr || plane->width <= 0 ||
        plane->height <= 0) {
      return 0;
    }
    const int64_t px = MapToSource(static_cast<int32_t>(u), p.width, plane->width);
    const int64_t py = MapToSource(static_cast<int32_t>(v), p.height, plane->height);
    return (plane->pixels[py * plane->width + px] >> 24) != 0 ? 1 : 0;
  }
  return 0;
}

void ScreenLayer::ScreenToLayer(POINT* out, int32_t x, int32_t y) const {
  out->x = x + m_centreX - m_halfWidth;
  out->y = y + m_centreY - m_halfHeight;
}

void ScreenLayer::LayerToScreen(POINT* out, int32_t x, int32_t y) const {
  out->x = x + m_halfWidth - m_centreX;
  out->y = y + m_halfHeight - m_centreY;
}

int ScreenLayer::LayerRectToScreen(RECT* r) const {
  if (r->right < m_centreX - m_halfWidth || r->left > m_centreX + m_halfWidth ||
      r->top > m_centreY + m_halfHeight || r->bottom < m_centreY - m_halfHeight) {
    return 0;
  }
  OffsetRect(r, m_halfWidth - m_centreX, m_halfHeight - m_centreY);
  if (r->right > m_viewWidth) r->right = m_viewWidth;
  if (r->left < 0) r->left = 0;
  if (r->top < 0) r->top = 0;
  if (r->bottom > m_viewHeight) r->bottom = m_viewHeight;
  return 1;
}

int ScreenLayer::HasDirty() const { return m_dirtyList.empty() ? 0 : 1; }

void ScreenLayer::AddDirtyPlacement(const EntityPlacement& placement) {
  m_dirtyList.push_back(placement);
}

RECT ScreenLayer::DirtyRectOf(EntityPlacement p) const {
  RECT r;
  if (p.angle != 0.0) {
    if (p.radius < 1) {
      p.radius = BoundingRadius(p.width, p.height);
    }
    r = RECT{p.viewX - p.radius, p.viewY - p.radius, p.viewX + p.radius, p.viewY + p.radius};
  } else {
    r.left = p.viewX - (p.width + 1) / 2;
    r.top = p.viewY - (p.height + 1) / 2;
    r.right = r.left + p.width;
    r.bottom = r.top + p.height;
  }
  if ((p.flags & PLACEMENT_FLAG_CLIP) != 0) {
    // The copy's own view position tells where its layer put it at the time.
    RECT k = p.clip;
    OffsetRect(&k, p.viewX - p.x - m_bounds.left, p.viewY - p.y - m_bounds.top);
    RECT cut;
    IntersectRect(&cut, &r, &k);
    r = cut;
  }
  return r;
}

void ScreenLayer::MergeDirtyRects(std::vector<RECT>& rects) {
  for (const EntityPlacement& placement : m_dirtyList) {
    const RECT r = DirtyRectOf(placement);
    bool merged = false;
    for (RECT& e : rects) {
      RECT u;
      if (!UnionRect(&u, &r, &e)) {
        continue;
      }
      if (EqualRect(&u, &r)) {
        e = r;
      } else if (EqualRect(&u, &e)) {
        // e already covers r.
      } else if ((r.left == e.left && r.right == e.right) ||
                 (r.top == e.top && r.bottom == e.bottom)) {
        e = u;
      } else {
        continue;
      }
      merged = true;
      break;
    }
    if (!merged) {
      rects.push_back(r);
    }
  }
  m_dirtyList.clear();
}

void ScreenLayer::CollectDirtyItems(const std::vector<RECT>& rects) {
  for (LayerItem& entry : m_drawList) {
    if (entry.redrawNow) {
      entry.redrawNow = 0;
      m_frameList.push_back(entry);
      continue;
    }
    const EntityPlacement& p = *entry.placement;
    const RECT r = ItemRect(p);
    for (const RECT& d : rects) {
      bool touches;
      if (p.angle == 0.0) {
        RECT cut;
        touches = IntersectRect(&cut, &r, &d) != 0;
      } else {
        touches = RotatedMeets(p, d);
      }
      if (touches) {
        m_frameList.push_back(entry);
        break;
      }
    }
  }
}

void ScreenLayer::CollectAllItems() {
  m_frameList.clear();
  for (LayerItem& entry : m_drawList) {
    entry.redrawNow = 0;
    m_frameList.push_back(entry);
  }
}

void ScreenLayer::ClearFrameList() { m_frameList.clear(); }

void ScreenLayer::RecomputeView() {
  m_drawList.clear();
  m_dirtyList.clear();
  for (auto& [handle, item] : m_items) {
    const int inView = TestInView(*item.placement);
    item.inView = inView;
    SetInViewFlags(item.placement, inView);
    if (!inView) {
      continue;
    }
    item.placementCopy = *item.placement;
    if (item.visible) {
      InsertDrawOrder(item);
    }
    AddDirtyPlacement(*item.placement);
  }
}
