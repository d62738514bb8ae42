// One of the screen's five layers: its items, the view test, the drawing order, the dirty areas
// of the next frame, hit tests and the focus stack of modal boxes.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <set>
#include <vector>

#include "engine/EntityData.h"
#include "engine/EntityPlacement.h"
#include "engine/ImageSource.h"
#include "engine/ViewInfo.h"
#include "platform/base/WinTypes.h"

// One entity on a layer.
struct LayerItem {
  int32_t handle;
  uint32_t entityId;
  // The placement as it was when the item was added or last updated with a placement.
  EntityPlacement placementCopy;
  // The entity's live placement: the layer reads levels and positions from it and writes the
  // view position and the in-view bits into it.
  EntityPlacement* placement;
  int32_t visible;
  int32_t inView;
  int32_t redrawNow;
  double alpha;
  // What the item draws; null means nothing.
  EntityData* data;
};

class ScreenLayer {
 public:
  ScreenLayer();

  void SetView(const ViewInfo& view);
  void SetViewCentre(const ViewInfo& view);
  void SetBounds(int32_t left, int32_t top, int32_t right, int32_t bottom);

  int32_t AddItem(const char* name, uint32_t entityId, int32_t ignored,
                  EntityPlacement* placement, double alpha, int32_t visible, EntityData* data);
  // visibleMode 1 shows, 0 hides, any other value keeps the visibility.
  void UpdateItem(int32_t handle, int32_t ignored, int32_t visibleMode, double alpha);
  void UpdateItemEx(int32_t handle, int32_t ignored, int32_t visibleMode, double alpha,
                    EntityPlacement* placement);
  void RemoveItem(int32_t handle);
  LayerItem* GetItem(int32_t handle);
  uint32_t FindItem(int32_t handle) const;
  int SetItemState(int32_t handle, int32_t flag);
  void MarkForRedraw(int32_t handle);

  void PushFocus(int32_t handle);
  void RemoveFocus(int32_t handle);
  uint32_t GetFocus() const;

  // Entity id of the hit item at screen point (x, y), or 0. Pictures of pixel-precise items are
  // looked up in images.
  uint32_t HitTest(int32_t x, int32_t y, ImageSource* images);

  void ScreenToLayer(POINT* out, int32_t x, int32_t y) const;
  void LayerToScreen(POINT* out, int32_t x, int32_t y) const;
  int LayerRectToScreen(RECT* rect) const;

  // Frame operations.
  int HasDirty() const;
  void AddDirtyPlacement(const EntityPlacement& placement);
  void MergeDirtyRects(std::vector<RECT>& rects);
  void CollectDirtyItems(const std::vector<RECT>& rects);
  void CollectAllItems();
  void ClearFrameList();
  const std::vector<LayerItem>& GetFrameList() const { return m_frameList; }

  // Tests the placement against the view (and its clip rectangle) and writes its view position.
  int TestInView(EntityPlacement& placement) const;
  // The screen rectangle a dirty placement covers.
  RECT DirtyRectOf(EntityPlacement placement) const;

  int32_t GetHitFloor() const { return m_hitFloor; }
  size_t GetDrawListSize() const { return m_drawList.size(); }

 private:
  void RecomputeView();
  void InsertDrawOrder(const LayerItem& item);
  void RemoveDrawOrder(int32_t handle);
  void SetInViewFlags(EntityPlacement* placement, int inView) const;
  // The clip rectangle of a placement moved from layer to screen coordinates.
  RECT ClipToScreen(const EntityPlacement& placement) const;
  int HitTestPixel(int32_t sx, int32_t sy, const LayerItem& item, ImageSource* images) const;

  std::vector<LayerItem> m_frameList;
  int32_t m_halfWidth = 0;
  int32_t m_halfHeight = 0;
  int32_t m_centreX = 0;
  int32_t m_centreY = 0;
  int32_t m_viewWidth = 0;
  int32_t m_viewHeight = 0;
  int32_t m_viewRadius = 0;
  RECT m_bounds{0, 0, 0, 0};
  int32_t m_nextHandle = 1;
  int32_t m_focusHandle = 0;
  int32_t m_hitFloor = 0;
  std::map<int32_t, LayerItem> m_items;
  std::list<LayerItem> m_drawList;
  std::vector<EntityPlacement> m_dirtyList;
  std::set<int32_t> m_hitTestSet;
  std::vector<int32_t> m_focusStack;
};
