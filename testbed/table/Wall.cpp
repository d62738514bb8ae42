#include "testbed/table/Wall.h"

namespace testbed {

Wall::Wall(std::vector<int> tilesByPosition, int breakPosition)
    : m_tiles(std::move(tilesByPosition)), m_taken(m_tiles.size(), false), m_break(breakPosition) {
  const int n = static_cast<int>(m_tiles.size());
  m_indicator = n > 0 ? ((m_break - 2) % n + n) % n : 0;
  if (n > 0) m_taken[m_indicator] = true;
}

Wall::TailStep Wall::TailPosition(int start, int heldBack, int counter) {
  int position = start - 2 - 2 * (counter / 2) + (counter % 2);
  while (position < 0) position += TILE_COUNT;
  position %= TILE_COUNT;
  int next = counter;
  if (position == heldBack) {
    ++next;
    position = (position + 1) % TILE_COUNT;
  }
  return TailStep{position, next + 1};
}

bool Wall::CanDrawHead() const {
  if (m_tiles.empty()) return false;
  const int position = (m_break + m_head) % static_cast<int>(m_tiles.size());
  return m_head < static_cast<int>(m_tiles.size()) && !m_taken[position];
}

bool Wall::CanDrawTail() const {
  if (m_tiles.empty()) return false;
  const TailStep step = TailPosition(m_break, m_indicator, m_tailCounter);
  return m_tailCounter < static_cast<int>(m_tiles.size()) && !m_taken[step.position];
}

std::optional<WallDraw> Wall::DrawHead() {
  if (!CanDrawHead()) return std::nullopt;
  const int position = (m_break + m_head) % static_cast<int>(m_tiles.size());
  m_taken[position] = true;
  ++m_head;
  return WallDraw{m_tiles[position], position};
}

std::optional<WallDraw> Wall::DrawTail() {
  if (!CanDrawTail()) return std::nullopt;
  const TailStep step = TailPosition(m_break, m_indicator, m_tailCounter);
  m_taken[step.position] = true;
  m_tailCounter = step.nextCounter;
  return WallDraw{m_tiles[step.position], step.position};
}

int Wall::HeadPosition() const {
  const int n = static_cast<int>(m_tiles.size());
  return n > 0 ? (m_break + m_head) % n : 0;
}

int Wall::Remaining() const {
  int n = 0;
  for (bool taken : m_taken) n += taken ? 0 : 1;
  return n;
}

std::vector<int> Wall::StandingTiles() const {
  std::vector<int> ids;
  for (size_t i = 0; i < m_tiles.size(); ++i) {
    if (!m_taken[i]) ids.push_back(m_tiles[i]);
  }
  return ids;
}

}  // namespace testbed
