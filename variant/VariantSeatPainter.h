// This game's seat painter.
#pragma once

#include <array>
#include <string>

#include "mahjong/SeatPainter.h"

// This game's painter: fixed voice folders by gender, a second dialect folder for every seat,
// and the switch between the two sets.
class CVariantSeatPainter : public CSeatPainter {
 public:
  explicit CVariantSeatPainter(CGameInfo& info) : CSeatPainter(info) {}
  void BuildVoiceFolders() override;
  std::string GetVoiceFolder(int side) const override;
  void SetDialectVoice(int flag) { m_dialect = flag; }
  int GetDialectVoice() const { return m_dialect; }
  // The side's plate shows this text (at most 31 bytes, cut on a character boundary).
  void SetSeatName(int side, const char* text);
  const std::string& GetDialectFolder(int side) const { return m_dialectFolders[side >= 0 && side < 4 ? side : 0]; }

 private:
  std::array<std::string, 4> m_dialectFolders;
  int m_dialect = 0;
};
