#include "mahjong/SeatLayout.h"

namespace {
int Mod(int value, int n) {
  if (n <= 0) return -1;
  int r = value % n;
  return r < 0 ? r + n : r;
}
}  // namespace

void CSeatLayout::GetNeighbourSides(int side, int* a, int* b) const {
  if (side < 0 || side > 3) return;
  int first = -1, second = -1;
  if (m_playerCount == 4) {
    if (side == 0 || side == 2) first = 1, second = 3;
    else first = 0, second = 2;
  } else if (m_playerCount == 3) {
    if (side == 0) first = 2, second = 3;
    else if (side == 2) first = 0, second = 3;
    else first = 0, second = 2;
  }
  if (a) *a = first;
  if (b) *b = second;
}

void CSeatLayout::GetOtherOpponentSides(int side, int* a, int* b) const {
  int first, second;
  switch (side) {
    case 0: first = 2, second = 1; break;
    case 1: first = 0, second = 2; break;
    case 2: first = 0, second = 1; break;
    default: return;
  }
  if (a) *a = first;
  if (b) *b = second;
}

int CSeatLayout::SideToChair(int side) const {
  int own = GetOwnChair();
  switch (side) {
    case 0: return NextChair(own);
    case 1: return OppositeChair(own);
    case 2: return PrevChair(own);
    case 3: return own;
    default: return -1;
  }
}

int CSeatLayout::PrevSide(int side) const {
  if (m_playerCount == 3 && side == 2) return 0;
  return Mod(side + 3, 4);
}

int CSeatLayout::NextSide(int side) const {
  if (m_playerCount == 3 && side == 0) return 2;
  return Mod(side + 1, 4);
}

int CSeatLayout::OppositeSide(int side) const { return Mod(side + 2, 4); }

int CSeatLayout::ChairToSide(int chair) const {
  int own = GetOwnChair();
  if (chair == own) return 3;
  if (chair == NextChair(own)) return 0;
  if (chair == PrevChair(own)) return 2;
  if (chair == OppositeChair(own)) return 1;
  return -1;
}

int CSeatLayout::PrevChair(int chair) const { return Mod(chair + m_playerCount - 1, m_playerCount); }
int CSeatLayout::NextChair(int chair) const { return Mod(chair + 1, m_playerCount); }
int CSeatLayout::OppositeChair(int chair) const { return Mod(chair + 2, 4); }

bool CSeatLayout::IsSeatedChair(int chair) const {
  return chair >= 0 && chair < m_playerCount && chair < SIDE_COUNT && ChairToSide(chair) != -1;
}
