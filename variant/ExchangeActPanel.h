// The ticket-exchange activity panel: an engine control inside the table view with five pages
// of prizes (four a page, each with its picture, name and exchange button), the activity's rules,
// the latest exchanges of the room's players and the own ticket count. Choosing a prize opens the
// prize pop-up with the contact form; the server makes the final check.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/Control.h"
#include "engine/PictureButton.h"
#include "variant/ExchangeForm.h"
#include "variant/PngPopupDlg.h"

class GameBase;

#define CMD_EXCHANGE_CLOSE 210069
#define CMD_EXCHANGE_PAGE_FIRST 210070
#define CMD_EXCHANGE_PAGE_LAST 210074
#define CMD_EXCHANGE_PRIZE_FIRST 210075
#define CMD_EXCHANGE_PRIZE_LAST 210092
#define CMD_EXCHANGE_RESULT_CLOSE 210093
#define CMD_EXCHANGE_CONTINUE 210094
// The scene's timer command that ends the wait for an exchange's result.
#define CMD_EXCHANGE_WAIT_OVER 210095
#define EXCHANGE_PAGES 5
#define EXCHANGE_PANEL_WIDTH 578
#define EXCHANGE_PANEL_HEIGHT 454

// What each prize costs and is called: the long names on the pages, the short ones in the
// latest-exchange lines.
extern const std::array<int, EXCHANGE_PRIZE_COUNT> EXCHANGE_PRIZE_PRICES;
extern const std::array<const char*, EXCHANGE_PRIZE_COUNT> EXCHANGE_PRIZE_NAMES;
extern const std::array<const char*, EXCHANGE_PRIZE_COUNT> EXCHANGE_PRIZE_SHORT_NAMES;

class CExchangeActPanel : public Control {
 public:
  // Loads the activity's package; `table` is what the prize pop-up's form needs.
  CExchangeActPanel(GameBase& game, const ExchangeTable& table);
  ~CExchangeActPanel() override;

  void OnAttached() override;
  int OnMessage(Event* message) override;

  // The 304-byte prize page of the server; nothing for a page that cannot be read.
  void SetPrizeData(const uint8_t* record, size_t length);
  void SetTicketCount(int count) { m_tickets = count; }
  int GetTicketCount() const { return m_tickets; }
  void SetPage(int page);
  int GetPage() const { return m_page; }
  bool HasPrizeData() const { return m_prizeDataReceived != 0; }
  // Draws and shows the current page; with `centre` the panel also moves to the view's middle.
  void ShowPage(int centre);
  void RefreshIfShown();
  // Hides the prizes, their buttons and the panel.
  void Close();
  void Exchange(int prize);
  bool IsShown() const;

  // For tests and the scene.
  PictureButton* ExchangeButton(int prize) const { return ValidPrize(prize) ? m_exchange[prize] : nullptr; }
  PictureButton* PageButton(int page) const { return page >= 0 && page < EXCHANGE_PAGES ? m_pages[page] : nullptr; }
  Entity* PrizePicture(int prize) const { return ValidPrize(prize) ? m_pictures[prize] : nullptr; }
  Entity* Plane() const { return m_plane; }
  CPngPopupDlg& Popup() { return m_popup; }
  // The latest-exchange lines the page shows.
  std::vector<std::string> LatestLines() const;

 private:
  static bool ValidPrize(int prize) { return prize >= 0 && prize < EXCHANGE_PRIZE_COUNT; }
  PictureButton* NewButton(const char* name, uint32_t code, int dx, int dy, uint32_t linkFlags);

  GameBase& m_game;
  PrizePage m_prizes;
  int m_tickets = -1;
  int m_page = 0;
  PictureButton* m_close = nullptr;
  std::array<PictureButton*, EXCHANGE_PAGES> m_pages{};
  std::array<PictureButton*, EXCHANGE_PRIZE_COUNT> m_exchange{};
  std::array<Entity*, EXCHANGE_PRIZE_COUNT> m_pictures{};
  Entity* m_plane = nullptr;
  CPngPopupDlg m_popup;
  int m_prizeDataReceived = 0;
  std::function<void(const char*)> m_message;
};

// The panel that tells how an exchange went.
class CExchangeResultPanel : public Control {
 public:
  explicit CExchangeResultPanel(GameBase& game) : m_game(game) {}
  void OnAttached() override;
  int OnMessage(Event* message) override;
  void ShowSucceeded();
  // Result codes: 2 too few tickets, 3 the prize is gone, 4 the activity is over, others unknown.
  void ShowFailed(int code);
  bool IsShown() const;
  Entity* Plane() const { return m_plane; }

  // The text of a failure code.
  static const char* FailureText(int code);

 private:
  PictureButton* NewButton(const char* name, uint32_t code, int dx, int dy);
  void ShowFrame(const char* frame);

  GameBase& m_game;
  PictureButton* m_close = nullptr;
  PictureButton* m_sure = nullptr;
  PictureButton* m_continue = nullptr;
  Entity* m_plane = nullptr;
};
