#include "variant/ManagedBanner.h"

#include <random>

#include "engine/Apply.h"
#include "engine/EngineEvent.h"
#include "engine/Entity.h"
#include "engine/GameBase.h"
#include "engine/PlaneEntity.h"
#include "engine/World.h"

namespace {

constexpr uint32_t KEY = 0xFF00FF;
constexpr uint32_t WHITE = 0xFFFFFF;

}  // namespace

struct CManagedBanner::Shared {
  RandomByte random;
};

namespace {

// The task's data: the banner's random source, shared with the banner so that a new source
// reaches a task that is already running.
class BlinkSource : public EventObject {
 public:
  explicit BlinkSource(std::shared_ptr<void> shared, CManagedBanner::RandomByte* random)
      : m_keep(std::move(shared)), m_random(random) {}
  int Next() const { return *m_random ? (*m_random)() & 0xFF : 0; }

 private:
  std::shared_ptr<void> m_keep;
  CManagedBanner::RandomByte* m_random;
};

}  // namespace

CManagedBanner::CManagedBanner(GameBase& scene) : m_scene(scene), m_shared(std::make_shared<Shared>()) {
  auto engine = std::make_shared<std::mt19937>(std::random_device{}());
  m_shared->random = [engine] { return static_cast<int>((*engine)() & 0xFF); };
}

CManagedBanner::~CManagedBanner() = default;

void CManagedBanner::SetRandom(RandomByte random) {
  if (random) m_shared->random = std::move(random);
}

Entity* CManagedBanner::Banner() const { return m_plane != 0 ? m_scene.FindEntity(m_plane) : nullptr; }

bool CManagedBanner::Visible() const {
  const Entity* e = Banner();
  return e != nullptr && e->IsVisible() != 0;
}

bool CManagedBanner::Build(const CTableMetrics& metrics) {
  const RECT c = metrics.GetCentreRect();
  const int cx = (c.left + c.right) / 2, cy = (c.top + c.bottom) / 2;
  if (Entity* e = Banner()) {
    m_scene.MoveEntity(e, cx, cy);
    return true;
  }
  m_scene.SetResourceFolder("skins\\Common");
  const uint32_t picture = m_scene.LoadImageResource("Autoplay.bmp", 1, "托管", KEY, 1);
  ResourceFrame frame{};
  GameBase::GetResourceFrame(&frame, picture, 0);
  if (frame.resourceId == 0 || frame.width <= 0 || frame.height <= 0) return false;
  Entity* e = m_scene.CreatePlane(4, cx, cy, frame.width, frame.height, KEY, "托管横幅");
  if (e == nullptr) return false;
  PlaneEntity::DrawImage(e, 0, 0, frame, frame.width, frame.height, 0.0, 1.0, KEY);
  e->SetLevel(LEVEL);
  m_scene.ShowEntity(e, 0);
  m_plane = static_cast<uint32_t>(e->GetId());
  m_shown = false;
  ApplyParams p;
  ApplyParams::Init(&p, STEP_MS, 0, nullptr, 0);
  p.p1 = static_cast<int32_t>(FIRST_COLOUR);
  p.data = new BlinkSource(m_shared, &m_shared->random);
  p.ownsData = 1;
  m_task = m_scene.GetWorldRef().AddApply(static_cast<uint32_t>(e->GetId()), p, &CManagedBanner::Step, 0, 0, 0,
                                          APPLY_MODE_DEFAULT);
  if (m_task == 0) {
    delete p.data;
    return false;
  }
  return true;
}

void CManagedBanner::Forget() {
  m_plane = 0;
  m_task = 0;
  m_shown = false;
}

void CManagedBanner::Show(bool show) {
  Entity* e = Banner();
  if (e == nullptr || show == m_shown) return;
  m_shown = show;
  m_scene.ShowEntity(e, show ? 1 : 0);
  World& world = m_scene.GetWorldRef();
  if (show) {
    world.ResumeApply(m_task);
  } else {
    world.HoldApply(m_task, 1);
  }
  m_scene.InvalidateAll();
}

uint32_t CManagedBanner::Colour() const {
  for (const Apply& a : m_scene.GetWorldRef().GetActiveApplies())
    if (a.id != 0 && a.id == m_task) return static_cast<uint32_t>(a.params.p1);
  return FIRST_COLOUR;
}

int CManagedBanner::Step(Entity* banner, ApplyParams* params, World*, uint32_t) {
  // A banner that is hidden before its task was first held does not blink either.
  if (banner == nullptr || banner->IsVisible() == 0 || params == nullptr) return 0;
  const auto* source = dynamic_cast<const BlinkSource*>(params->data);
  if (source == nullptr) return 0;
  const uint32_t r = static_cast<uint32_t>(source->Next());
  const uint32_t g = static_cast<uint32_t>(source->Next());
  const uint32_t b = static_cast<uint32_t>(source->Next());
  const uint32_t colour = r | g << 8 | b << 16;
  const uint32_t previous = static_cast<uint32_t>(params->p1);
  if (colour == KEY || colour == WHITE || colour == previous) return 0;
  // Once the caption took a colour that other pixels of the banner have, the two could never be
  // told apart again: such a colour is passed over like the key.
  PlaneKindState* s = PlaneEntity::GetState(banner);
  if (s == nullptr) return 0;
  const uint32_t packed = PlaneEntity::PackColor(colour, s->data.keyColor);
  for (uint32_t pixel : s->pixels)
    if (pixel == packed) return 0;
  PlaneEntity::ReplaceColor(banner, previous, colour);
  params->p1 = static_cast<int32_t>(colour);
  banner->Refresh();
  return 0;
}
