// The picture of an own tile while the player drags it along the hand with the right button: a
// copy of the tile's face lifted above the other tiles that follows the mouse sideways, keeping
// the point where the tile was grabbed under the mouse, and goes away when the tile is dropped
// or the drag is given up. It does not care how the grabbed tile was found.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/WinTypes.h"

class Entity;
class GameBase;
struct ResourceFrame;

class CDragPicture {
 public:
  static constexpr int LEVEL = 2900;

  explicit CDragPicture(GameBase& scene) : m_scene(scene) {}
  CDragPicture(const CDragPicture&) = delete;
  CDragPicture& operator=(const CDragPicture&) = delete;

  // Starts a drag with the picture of a tile picture entity, where that tile stands; mouseX is
  // where it was grabbed. False when the entity shows no picture.
  bool Begin(Entity* tile, int mouseX);
  // The same for a tile that has no entity of its own (the plain board): a face of the given
  // size at the given place, edged and labelled.
  bool BeginPlain(const RECT& place, const std::string& label, uint32_t edge, uint32_t face, int mouseX);
  // Moves the picture so that the grab point is at mouseX; its height stays.
  void Follow(int mouseX);
  // Puts the picture away.
  void End();
  void Forget();

  bool Active() const { return m_active; }
  Entity* Picture() const;
  // Where the picture's centre is now.
  POINT Centre() const;
  int GrabOffset() const { return m_grab; }

 private:
  Entity* Prepare(int w, int h);
  void Start(int left, int top, int w, int h, int mouseX);

  GameBase& m_scene;
  uint32_t m_plane = 0;
  bool m_active = false;
  int m_grab = 0;
  int m_width = 0;
  int m_y = 0;
};
