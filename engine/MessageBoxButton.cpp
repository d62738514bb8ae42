#include "engine/MessageBoxButton.h"

#include "engine/World.h"

int MessageBoxButton::OnMessage(Event* message) {
  const int result = AdvancedButton::OnMessage(message);
  if (message->code != CTRL_EVENT_CLICK || m_world == nullptr) return result;
  Entity* plane = GetPlane();
  if (plane == nullptr) return result;
  Entity* box = m_autoRelease ? plane->GetParent() : nullptr;
  // Destroying the plane releases this button's control and so this object; the World keeps the
  // object until this delivery has returned, and nothing here touches it afterwards.
  World* world = m_world;
  world->DestroyEntityById(static_cast<uint32_t>(box ? box->GetId() : plane->GetId()));
  return result;
}
