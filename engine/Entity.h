// One thing the engine places on the screen. Every kind (picture, strip, plane, emitter, dot set,
// item list, mirror, plain anchor) is this one class: the kind's state lives in an owned state
// object that the entity's EntityData points at, so entities can be kept by value in the World
// without losing their kind. Setters change the record and the linked children only; the caller
// ends a batch of changes with one Refresh, which pushes them to the entity's screen item.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/EntityData.h"
#include "engine/EntityPlacement.h"
#include "platform/base/WinTypes.h"

class Screen;

// Link flags: what follows the parent.
constexpr uint32_t LINK_DELETE = 0x1;
constexpr uint32_t LINK_ROTATE = 0x2;
constexpr uint32_t LINK_SHOW = 0x4;
constexpr uint32_t LINK_ALPHA = 0x8;
constexpr uint32_t LINK_HITTEST = 0x10;
constexpr uint32_t LINK_REFRESH = 0x20;
constexpr uint32_t LINK_SIZE = 0x40;
constexpr uint32_t LINK_VERIFY = 0x100;
constexpr uint32_t LINK_HIDE_MEMO = 0x1000;
constexpr uint32_t LINK_RESHOW = 0x2000;
constexpr uint32_t LINK_CLIP = 0x4000;
constexpr uint32_t LINK_LEVEL = 0x8000;
constexpr uint32_t LINK_MOVE = 0x10000;

class Entity;

struct EntityLink {
  // 0 marks an entry that is being removed.
  int32_t childId;
  // The child's screen item when the link was made.
  int32_t childItem;
  uint32_t flags;
  Entity* child;
};

// The owned state of a kind; each kind derives its own.
class EntityKindState {
 public:
  virtual ~EntityKindState() = default;
};

class Entity {
 public:
  explicit Entity(int32_t kind);
  ~Entity();
  Entity(const Entity&) = delete;
  Entity& operator=(const Entity&) = delete;

  // The one virtual operation of the original record; no kind overrides it.
  virtual void Reserved(int32_t) {}

  void Init(const char* name, int32_t x, int32_t y, int32_t width, int32_t height, double angle,
            int32_t level, int32_t visible, double alpha);
  void SetId(int32_t id) { m_id = id; }

  // Layer.
  int32_t AttachToLayer(Screen* screen, int layer);
  void DetachFromLayer();
  int IsOnLayer() const { return m_layer != -1 ? 1 : 0; }
  void Refresh();

  // Placement setters; none draws.
  Entity* MoveBy(int32_t dx, int32_t dy);
  Entity* MoveTo(int32_t x, int32_t y);
  Entity* RotateBy(double d);
  Entity* SetAngle(double a);
  Entity* RotateAbout(int32_t px, int32_t py, double d);
  Entity* AddLevel(int32_t d);
  Entity* SetLevel(int32_t level);
  Entity* ResizeBy(int32_t dw, int32_t dh);
  Entity* SetSize(int32_t w, int32_t h);
  Entity* ScaleBy(double sx, double sy);
  Entity* SetFlags(uint32_t flags);
  Entity* SetClipRect(const RECT& rect);

  // Other state; Refresh always sends these.
  Entity* Show();
  Entity* Hide();
  Entity* SetAlpha(double alpha);
  int SetHitTestable(int on);

  // Queries.
  int32_t GetId() const { return m_id; }
  int32_t GetKind() const { return m_kind; }
  uint32_t GetControlKey() const { return m_controlKey; }
  void SetControlKey(uint32_t key) { m_controlKey = key; }
  int32_t GetLevel() const { return m_placement.level; }
  double GetAlpha() const { return m_alpha; }
  double GetAngle() const { return m_placement.angle; }
  int32_t GetX() const { return m_placement.x; }
  int32_t GetY() const { return m_placement.y; }
  int32_t GetWidth() const { return m_placement.width; }
  int32_t GetHeight() const { return m_placement.height; }
  int32_t GetLeft() const { return m_placement.x - (m_placement.width + 1) / 2; }
  int32_t GetRight() const { return m_placement.x + (m_placement.width + 1) / 2; }
  int32_t GetTop() const { return m_placement.y - (m_placement.height + 1) / 2; }
  int32_t GetBottom() const { return m_placement.y + (m_placement.height + 1) / 2; }
  POINT* GetTopLeft(POINT* out) const;
  EntityPlacement* GetPlacement(EntityPlacement* out) const;
  const EntityPlacement& Placement() const { return m_placement; }
  int IsInView() const;
  int IsVisible() const { return m_visible; }
  int IsHitTestable() const { return m_hitTestable; }
  int IsDirty() const { return m_dirty; }
  int GetLayer() const { return m_layer; }
  int32_t GetScreenItem() const { return m_item; }
  Screen* GetScreen() const { return m_screen; }
  POINT* ScreenToLayer(POINT* out, int32_t sx, int32_t sy) const;
  Entity* GetParent() const { return m_parent; }

  // Links.
  Entity* GetChild(uint32_t i) const;
  uint32_t GetLinkCount() const { return static_cast<uint32_t>(m_links.size()); }
  uint32_t GetLinkCapacity() const { return m_linkCapacity; }
  const EntityLink& GetLink(uint32_t i) const { return m_links[i]; }
  uint32_t LinkChild(Entity* child, uint32_t flags);
  uint32_t RemoveLink(int32_t childId);
  void CompactLinks();
  // Children's parents cleared, link table freed, taken out of its parent, kind data released and
  // item removed from its layer.
  void Destroy();

  // Kind data. The state object is owned; data describes it to the screen.
  int IsDataReady() const { return m_dataReady; }
  EntityData* GetData() { return m_dataReady ? &m_data : nullptr; }
  EntityKindState* GetKindState() const { return m_state.get(); }
  void SetKindState(std::unique_ptr<EntityKindState> state, const EntityData& data);
  void ReleaseKindState();

 private:
  // A child of a verified link is acted on only while the screen still says that the child's
  // item on this entity's layer belongs to it.
  bool LinkHolds(const EntityLink& link) const;

  int32_t m_id = 0;
  int32_t m_item = 0;
  int m_layer = -1;
  uint32_t m_controlKey = 0;
  EntityData m_data{};
  std::unique_ptr<EntityKindState> m_state;
  Entity* m_parent = nullptr;
  std::vector<EntityLink> m_links;
  uint32_t m_linkCapacity = 0;
  Screen* m_screen = nullptr;
  int32_t m_dataReady = 0;
  int32_t m_kind;
  EntityPlacement m_placement{};
  int32_t m_visible = 0;
  double m_alpha = 1.0;
  int32_t m_dirty = 0;
  int32_t m_hitTestable = 0;
};

// Nearest integer with halves away from zero, as every rotation of the engine rounds.
int32_t RoundHalfAway(double v);
