// What the table shows about the player on each side: the name plate (the name, yellow once
// the player is in the hand, with the banker mark) and the folder the player's voice sounds
// come from. The application's seat table, its sound folders and the scene's name plates are
// reached through hooks, so the painter's rules run without them.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "mahjong/GameInfo.h"
#include "mahjong/SeatLayout.h"
#include "platform/base/WinTypes.h"

#define SEAT_VOICE_FOLDER_SIZE 260
#define SEAT_NAME_SIZE 32
#define SEAT_PLATE_TEXT_SIZE 96
#define PLATE_COLOUR_STARTED 0xFFFF
#define PLATE_COLOUR_WAITING 0xFFFFFF

// A name in its 32-byte field: at most 31 bytes, cut on a character boundary.
std::string SeatNameField(const std::string& text);

struct SeatRecord {
  int textX = 0, textY = 0;
  int markX = 0, markY = 0;
  int userId = 0;
  int chair = 0;
  int voiceGender = 0;
  int started = 0;
  int banker = 0;
  std::string voiceFolder;  // ends in '\'
  std::string name;         // at most 31 bytes
  std::string plateText;
};

// A seated player as the application's seat table gives it.
struct SeatPlayer {
  int userId = 0;
  int gender = 0;  // the player record's word at byte 68
  std::string name;
};

class CSeatPainter : public CSeatLayout {
 public:
  struct Hooks {
    std::function<bool(int chair, SeatPlayer* out)> seat;                         // the seat table
    std::function<void(std::vector<std::string>&, std::vector<std::string>&)> soundFolders;  // '0...', '1...'
    std::function<std::string()> programFolder;                                   // ends in '\'
    std::function<RECT(int side)> sideArea;                                       // the scene's side area
    std::function<void(int side)> repaintPlate;                                   // the scene's name plate
    std::function<unsigned()> seed;                                               // the voice choice's seed
  };

  explicit CSeatPainter(CGameInfo& info);
  ~CSeatPainter() override;

  void SetHooks(Hooks hooks) { m_hooks = std::move(hooks); }
  CGameInfo& GetGameInfo() { return m_info; }
  int GetOwnChair() const override { return m_info.GetOwnChair(); }

  virtual void CreateFonts();
  virtual void PaintAllSeats(HDC dc);
  // The banker's mark of the GDI-drawn plates: the skin's "MJ_ZHUANG", one square frame per
  // side. The skin library keeps the picture.
  virtual void LoadBankerBitmap();
  virtual void RefreshSeats();
  virtual void BuildVoiceFolders();
  virtual RECT GetNamePlateRect(int side) const;
  virtual void PaintSeatName(HDC dc, int side);
  virtual void SetAllStarted(int value);
  virtual void SetAllBanker(int value);
  virtual void SetBanker(int chair, int value);
  // View mode 1: the plate is painted again on the GDI table view; otherwise the scene redraws it.
  virtual void RepaintSeat(int side);
  // Every side's record emptied.
  void ClearSeats();
  // The name on a side's plate (cut to its field), repainted.
  virtual void SetSeatName(int side, const char* text);
  virtual void OnNewHand();
  virtual int MarkSeatStarted(int chair);
  virtual void Refresh() { OnNewHand(); }

  // The folder a side's voices come from.
  virtual std::string GetVoiceFolder(int side) const;
  const SeatRecord& GetSeat(int side) const { return m_seats[side >= 0 && side < 4 ? side : 0]; }
  int GetViewMode() const { return m_viewMode; }
  void SetViewMode(int mode) { m_viewMode = mode; }
  HFONT GetSideFont(int side) const { return (side >= 0 && side < 4) ? m_fonts[side] : nullptr; }

 protected:
  std::string BaseSoundFolder() const;
  // The mark before a banker's plate text (T pixels square), drawn after the text.
  void DrawBankerMark(HDC dc, int side, int thick);
  CGameInfo& m_info;
  Hooks m_hooks;
  int m_viewMode = 0;
  std::array<SeatRecord, 4> m_seats;
  std::array<HFONT, 4> m_fonts{};
  std::array<HFONT, 4> m_boldFonts{};
  HBITMAP m_bankerMark = nullptr;
};
