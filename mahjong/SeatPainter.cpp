#include "mahjong/SeatPainter.h"

#include <random>

#include "framework/BodyReader.h"
#include "mahjong/MJGameTableView.h"
#include "platform/skin/SkinLibrary.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"

std::string SeatNameField(const std::string& text) {
  char field[SEAT_NAME_SIZE];
  CopyTextField(field, sizeof(field), text.data(), text.size());
  return field;
}

CSeatPainter::CSeatPainter(CGameInfo& info) : m_info(info) {
  for (int s = 0; s < 4; ++s) m_seats[s] = SeatRecord{};
  CreateFonts();
}

CSeatPainter::~CSeatPainter() {
  for (HFONT f : m_fonts)
    if (f) DeleteObject(f);
  for (HFONT f : m_boldFonts)
    if (f) DeleteObject(f);
}

void CSeatPainter::CreateFonts() {
  LOGFONTA gui{};
  HGDIOBJ stock = GetStockObject(DEFAULT_GUI_FONT);
  if (stock) GetObjectA(stock, sizeof(gui), &gui);
  // Sides 1 and 3 are level; the right side reads downwards, the left side upwards.
  static const int escapement[4] = {2700, 0, 900, 0};
  for (int side = 0; side < 4; ++side) {
    const DWORD clip = escapement[side] ? 16 : 0;
    m_fonts[side] = CreateFontA(-16, 0, escapement[side], escapement[side], 400, 0, 0, 0, gui.lfCharSet, 0, clip, 0,
                                0, gui.lfFaceName);
    m_boldFonts[side] = CreateFontA(-20, 0, escapement[side], escapement[side], 700, 0, 0, 0, gui.lfCharSet, 0, clip,
                                    0, 0, gui.lfFaceName);
  }
}

void CSeatPainter::PaintAllSeats(HDC dc) {
  for (int side = 0; side < 4; ++side) {
    if (side == SIDE_TOP && m_playerCount == 3) continue;
    PaintSeatName(dc, side);
  }
}

void CSeatPainter::LoadBankerBitmap() { m_bankerMark = skinppGetBitmapRes("MJ_ZHUANG"); }

void CSeatPainter::ClearSeats() {
  for (SeatRecord& r : m_seats) r = SeatRecord{};
}

void CSeatPainter::RefreshSeats() {
  const int own = GetOwnChair();
  struct Step {
    int side, chair;
  } steps[] = {{SIDE_OWN, own}, {SIDE_RIGHT, NextChair(own)}, {SIDE_TOP, OppositeChair(own)}, {SIDE_LEFT, PrevChair(own)}};
  for (const Step& s : steps) {
    if (s.side == SIDE_TOP && m_playerCount != 4) continue;
    SeatRecord& r = m_seats[s.side];
    r.chair = s.chair;
    SeatPlayer p;
    if (m_hooks.seat && m_hooks.seat(s.chair, &p)) {
      r.userId = p.userId;
      r.voiceGender = p.gender;
      r.name = SeatNameField(p.name);
    } else {
      r.userId = 0;
      r.voiceGender = 0;
      r.name.clear();
    }
  }
  BuildVoiceFolders();
}

std::string CSeatPainter::BaseSoundFolder() const {
  return (m_hooks.programFolder ? m_hooks.programFolder() : std::string()) + "sound\\";
}

void CSeatPainter::BuildVoiceFolders() {
  std::vector<std::string> lists[2];
  if (m_hooks.soundFolders) m_hooks.soundFolders(lists[0], lists[1]);
  if (lists[0].empty() && lists[1].empty()) return;
  std::mt19937 random(m_hooks.seed ? m_hooks.seed() : std::random_device{}());
  const std::string base = BaseSoundFolder();
  const std::string fallback[2] = {lists[0].empty() ? "" : lists[0].front(), lists[1].empty() ? "" : lists[1].front()};
  for (int chair = 0; chair < m_playerCount && chair < 4; ++chair) {
    const int side = ChairToSide(chair);
    if (side < 0) continue;
    SeatRecord& r = m_seats[side];
    std::string folder = base;
    if (r.voiceGender == 0 || r.voiceGender == 1) {
      // Players of one gender get different voices while the list lasts.
      std::vector<std::string>& list = lists[r.voiceGender];
      if (!list.empty()) {
        size_t pick = random() % list.size();
        folder += list[pick];
        list.erase(list.begin() + static_cast<long>(pick));
      } else {
        folder += fallback[r.voiceGender];
      }
    }
    r.voiceFolder = folder + "\\";
  }
}

RECT CSeatPainter::GetNamePlateRect(int side) const {
  RECT a = m_hooks.sideArea ? m_hooks.sideArea(side) : RECT{0, 0, 0, 0};
  const int length = m_info.GetNamePlateLength(), thick = m_info.GetNamePlateThickness();
  const int width = a.right - a.left, height = a.bottom - a.top;
  RECT r{0, 0, 0, 0};
  switch (side) {
    case SIDE_RIGHT:
      r.left = a.right, r.right = a.right + thick, r.top = a.top + (height - length) / 2, r.bottom = r.top + length;
      break;
    case SIDE_TOP:
      r.left = a.left + (width - length) / 2, r.right = r.left + length, r.top = a.bottom, r.bottom = a.bottom + thick;
      break;
    case SIDE_LEFT:
      r.right = a.left, r.left = a.left - thick, r.top = a.top + (height - length) / 2, r.bottom = r.top + length;
      break;
    case SIDE_OWN:
      r.left = a.left + (width - length) / 2, r.right = r.left + length, r.bottom = a.top, r.top = a.top - thick;
      break;
    default: break;
  }
  return r;
}

void CSeatPainter::PaintSeatName(HDC dc, int side) {
  // Only the GDI-drawn table paints here; the engine-drawn table draws its own plates.
  if (m_viewMode != 1 || side < 0 || side > 3 || dc == nullptr) return;
  SeatRecord& r = m_seats[side];
  r.plateText = r.name;
  RECT plate = GetNamePlateRect(side);
  HGDIOBJ old = SelectObject(dc, m_fonts[side]);
  SIZE size{};
  GetTextExtentPoint32A(dc, r.plateText.c_str(), static_cast<int>(r.plateText.size()), &size);
  const int thick = m_info.GetNamePlateThickness();
  const int shift = r.banker ? thick : 0;
  const int along = size.cx + shift;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, r.started ? PLATE_COLOUR_STARTED : PLATE_COLOUR_WAITING);
  const int midX = (plate.left + plate.right) / 2, midY = (plate.top + plate.bottom) / 2;
  switch (side) {
    case SIDE_RIGHT:  // reads downwards: the reference point is the top right of the line
      r.textX = plate.right - (thick - size.cy) / 2, r.textY = midY - along / 2 + shift;
      break;
    case SIDE_LEFT:  // reads upwards: the reference point is the bottom left
      r.textX = plate.left + (thick - size.cy) / 2, r.textY = midY + along / 2 - shift;
      break;
    default:
      r.textX = midX - along / 2 + shift, r.textY = plate.top + (thick - size.cy) / 2;
      break;
  }
  TextOutA(dc, r.textX, r.textY, r.plateText.c_str(), static_cast<int>(r.plateText.size()));
  SelectObject(dc, old);
  if (r.banker) DrawBankerMark(dc, side, thick);
}

void CSeatPainter::DrawBankerMark(HDC dc, int side, int thick) {
  SeatRecord& r = m_seats[side];
  // The mark stands 6 pixels before the text, across the plate like the text.
  constexpr int GAP = 6;
  const RECT plate = GetNamePlateRect(side);
  switch (side) {
    case SIDE_RIGHT: r.markX = plate.left, r.markY = r.textY - GAP - thick; break;
    case SIDE_LEFT: r.markX = plate.left, r.markY = r.textY + GAP; break;
    default: r.markX = r.textX - GAP - thick, r.markY = plate.top; break;
  }
  BITMAP bm{};
  if (m_bankerMark == nullptr || !GetObjectA(m_bankerMark, sizeof bm, &bm) || bm.bmHeight <= 0) return;
  // Square frames, one per side; a picture with fewer frames serves every side with its first.
  const int frameSize = bm.bmHeight;
  const int frames = bm.bmWidth / frameSize;
  const int frame = side < frames ? side : 0;
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(source, m_bankerMark);
  TransparentBlt(dc, r.markX, r.markY, thick, thick, source, frame * frameSize, 0, frameSize, frameSize, 0xFF00FF);
  SelectObject(source, previous);
  DeleteDC(source);
}

void CSeatPainter::SetAllStarted(int value) {
  for (SeatRecord& r : m_seats) r.started = value;
}

void CSeatPainter::SetAllBanker(int value) {
  for (SeatRecord& r : m_seats) r.banker = value;
}

void CSeatPainter::SetBanker(int chair, int value) {
  const int side = ChairToSide(chair);
  if (side >= 0) m_seats[side].banker = value;
}

void CSeatPainter::RepaintSeat(int side) {
  if (side < 0 || side > 3) return;
  if (m_viewMode == 1) {
    if (CMJGameTableView* view = CMJGameTableView::FromMainWindow()) view->RepaintPlate(*this, side);
    return;
  }
  if (m_hooks.repaintPlate) m_hooks.repaintPlate(side);
}

void CSeatPainter::OnNewHand() {
  SetAllBanker(0);
  SetAllStarted(1);
  if (IsSeatedChair(m_info.GetBankerChair())) SetBanker(m_info.GetBankerChair(), 1);
  for (int side = 0; side < 4; ++side) {
    if (side == SIDE_TOP && m_playerCount == 3) continue;
    RepaintSeat(side);
  }
}

int CSeatPainter::MarkSeatStarted(int chair) {
  const int side = IsSeatedChair(chair) ? ChairToSide(chair) : -1;
  if (side < 0) return -1;
  m_seats[side].started = 1;
  RepaintSeat(side);
  return side;
}

std::string CSeatPainter::GetVoiceFolder(int side) const {
  return (side >= 0 && side < 4) ? m_seats[side].voiceFolder : std::string();
}

void CSeatPainter::SetSeatName(int side, const char* text) {
  if (side < 0 || side > 3) return;
  m_seats[side].name = SeatNameField(text != nullptr ? text : "");
  RepaintSeat(side);
}
