#include "variant/VariantSeatPainter.h"

void CVariantSeatPainter::BuildVoiceFolders() {
  const std::string base = BaseSoundFolder();
  for (int chair = 0; chair < m_playerCount && chair < 4; ++chair) {
    const int side = ChairToSide(chair);
    if (side < 0) continue;
    switch (m_seats[side].voiceGender) {
      case 0:
        m_seats[side].voiceFolder = base + "00\\";
        m_dialectFolders[side] = base + "01\\";
        break;
      case 1:
        m_seats[side].voiceFolder = base + "10\\";
        m_dialectFolders[side] = base + "11\\";
        break;
      default:
        m_seats[side].voiceFolder = base + "\\";
        m_dialectFolders[side] = base + "\\";
        break;
    }
  }
}

std::string CVariantSeatPainter::GetVoiceFolder(int side) const {
  if (side < 0 || side > 3) return "";
  return m_dialect ? m_dialectFolders[side] : m_seats[side].voiceFolder;
}

void CVariantSeatPainter::SetSeatName(int side, const char* text) {
  if (side < 0 || side > 3) return;
  m_seats[side].name = SeatNameField(text ? text : "");
  RepaintSeat(side);
}
