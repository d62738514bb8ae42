// The table's bars and small buttons around the play: the system bar (music, tile style, hand
// sort, managed play, screenshot and the dialect voice), the operation bar that holds the claim
// buttons, the see-hand button of an onlooker, the bar's arrow and the note board that shows a
// hovered system button's hint. The bars own what these buttons do, except the claims and the
// managed-play logic, which they hand to the scene's turn code through hooks. The settings the
// buttons change (music, style, dialect) are read from the game ini when the table is built and
// written back when they change or when the table shuts down.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "engine/ButtonFrame.h"
#include "engine/EngineEvent.h"
#include "engine/PictureEntity.h"
#include "mahjong/scene/TableMetrics.h"
#include "variant/TableControlsLayout.h"
#include "platform/base/WinTypes.h"

class AdvancedButton;
class CMJTableModel;
class Entity;
class GameBase;
struct ControlRecord;

class CTableBars {
 public:
  // Commands of the bars' controls.
  static constexpr uint32_t CMD_START = 210023;
  static constexpr uint32_t CMD_SEE_HAND = 210024;
  static constexpr uint32_t CMD_CHI = 210025;
  static constexpr uint32_t CMD_PENG = 210026;
  static constexpr uint32_t CMD_GANG = 210027;
  static constexpr uint32_t CMD_HU = 210028;
  static constexpr uint32_t CMD_PASS = 210029;
  static constexpr uint32_t CMD_MUSIC = 210030;
  static constexpr uint32_t CMD_STYLE = 210031;
  static constexpr uint32_t CMD_SORT = 210032;
  static constexpr uint32_t CMD_MANAGED = 210033;
  static constexpr uint32_t CMD_MANAGED_CLICK = 210034;
  static constexpr uint32_t CMD_MANAGED_RPRESS = 210035;
  static constexpr uint32_t CMD_BUTTON_ENTER = 210036;
  static constexpr uint32_t CMD_SCREENSHOT = 210037;
  static constexpr uint32_t CMD_CHANGE_TABLE = 210038;
  static constexpr uint32_t CMD_READY_RANDOM = 210039;
  static constexpr uint32_t CMD_BAR_SLID_IN = 210043;
  static constexpr uint32_t CMD_BAR_ENTER = 210052;
  static constexpr uint32_t CMD_BAR_LEAVE = 210053;
  static constexpr uint32_t CMD_TIP = 210055;
  static constexpr uint32_t CMD_TIP_END = 210056;
  static constexpr uint32_t CMD_SORT_END = 210060;
  static constexpr uint32_t CMD_DIALECT = 1003;

  // The see-hand button rests this long after a request.
  static constexpr uintptr_t SEE_HAND_TIMER = 7;
  static constexpr UINT SEE_HAND_REST_MS = 15000;
  static constexpr int SYSTEM_BUTTONS = 6;
  static constexpr int ACTION_BUTTONS = 5;

  struct Hooks {
    std::function<bool()> isLookOn;
    // The game ini: [SKIN] Style0-Style2 and Default, [GAMESET] Music and fangyan.
    std::function<std::string()> iniPath;
    std::function<void(const std::string&)> addChat;
    std::function<void(const std::string&)> log;
    std::function<void(int resource, int flags)> playSound;
    // Local time, for the screenshot's name.
    std::function<std::tm()> localTime;
    // Writes what the screen shows to the path as a JPEG; the desktop capture by default.
    std::function<void(const char* path)> capture;
    std::function<std::string()> gameCode;
    std::function<int()> userId;
    // Every button but the hover sound counts as the player being there: the managed play's
    // time-out counter starts again.
    std::function<void()> resetTimeouts;
    std::function<void()> toggleManaged;
    // A claim button or the start button was pressed (the turn code owns them).
    std::function<void(uint32_t code)> playButton;
    // The dialect voice switch, kept by the seat painter.
    std::function<int()> dialect;
    std::function<void(int)> setDialect;
    // Loads the tile pictures of a style folder into the table; false when they are missing.
    std::function<bool(const std::string& folder)> loadStyle;
    // Whether a claim waits for the player's choice or the hand is dimmed for one: no sort then.
    std::function<bool()> handBusy;
    // The treasure tile and the substitute flag of the hand, which decide the sort order.
    std::function<void(int* joker1, int* substituteFlag)> sortRule;
    // The picture that shows an own hand place, or null while it has none; the sort sweep runs
    // along the pictures as they stand.
    std::function<Entity*(int place)> ownTilePicture;
    // The see-hand request: whether it may be asked now, the request itself (1 when sent) and
    // the watched player's name for the chat line.
    std::function<bool()> seeHandAllowed;
    // Whether the room lets onlookers ask at all (the button is offered at the start).
    std::function<bool()> seeHandOffered;
    std::function<int()> requestSeeHand;
    std::function<std::string()> watchedName;
    // Whether the operation bar holds the chi button as its fifth.
    std::function<bool()> fifthBarButton;
    // The table view's window timers.
    std::function<void(uintptr_t id, UINT ms)> setTimer;
    std::function<void(uintptr_t id)> killTimer;
  };

  CTableBars(GameBase& scene, CMJTableModel& model) : m_scene(scene), m_model(model) {}
  CTableBars(const CTableBars&) = delete;
  CTableBars& operator=(const CTableBars&) = delete;
  void SetHooks(Hooks hooks) { m_hooks = std::move(hooks); }

  // Reads the settings (music, style, dialect) from the game ini; the scene calls it before it
  // loads its pictures, so that both use the same style.
  void ReadSettings();
  // Creates the buttons and bars once (the style's bar pictures must be loadable); later calls
  // only lay them out again.
  void Build(const CTableMetrics& metrics);
  void Layout(const CTableMetrics& metrics);
  // Offers an onlooker the see-hand button and starts the music when the switch is on (the
  // table's start).
  void OnGameStart();
  // Writes [SKIN] Default and [GAMESET] Music; the table shuts down.
  void OnShutdown();
  // Forgets the engine objects (the engine has destroyed them).
  void Forget();

  // A command of the bars; false when the code is not theirs.
  bool OnCommand(const Event& event);
  // A window timer of the table view; false when it is not theirs.
  bool OnTimer(uintptr_t id);

  // The operations behind the buttons.
  void ToggleMusic();
  bool SwitchStyle();
  void SortHandAnimated();
  void FinishSort();
  std::string SaveScreenshot();
  void ToggleDialect();
  void AskToSeeHand();
  void ShowNoteBoard(const char* text);
  void HideNoteBoard();
  void ShowSeeHandButton(bool show);
  // Whether the mouse is over a visible bar or the see-hand button: a press there is theirs.
  bool IsMouseOverBars();
  // The operation bar with its claim buttons (the turn code shows it for a claim).
  void ShowOperationBar(bool show);
  void ToggleManagedPlay() {
    if (m_hooks.toggleManaged) m_hooks.toggleManaged();
  }
  // Small screens: the system bar slides out beside the own hand and back; elsewhere it only
  // shows.
  void SlideSystemBarIn();
  void SlideSystemBarOut();
  bool SystemBarOut() const { return m_barOut; }

  int MusicOn() const { return m_music; }
  int StyleIndex() const { return m_styleIndex; }
  const std::string& StyleFolder(int i) const { return m_styles[i >= 0 && i < 3 ? i : 0]; }
  BUTTONFRAME* SystemBar() const { return m_systemBar; }
  BUTTONFRAME* OperationBar() const { return m_operationBar; }
  ControlRecord* SeeHandButton() const { return m_seeHand; }
  ControlRecord* ActionButton(uint32_t code) const;
  // The claim button the scene made for a code (with its own look and click) takes the place of
  // the bar's own picture in the operation bar, which then lays it out; false without the bar.
  bool AdoptActionButton(uint32_t code, ControlRecord* control);
  // Whether the operation bar holds the button of a code now (a rule set without chi leaves the
  // chi button out).
  bool HoldsActionButton(uint32_t code);
  AdvancedButton* SystemButton(int i) const { return i >= 0 && i < SYSTEM_BUTTONS ? m_system[i] : nullptr; }
  AdvancedButton* DialectButton() const { return m_system[SYSTEM_BUTTONS - 1]; }
  Entity* NoteBoard() const;
  Entity* HandCursor() const;
  // The key of the sweep that runs while the hand is sorted.
  uint32_t SortKey() const { return m_sortKey; }

 private:
  void LoadBarPictures(const std::string& style);
  void FrameBars();
  ControlRecord* CreatePictureButton(int x, int y, const ResourceFrame& frame, uint32_t code, uint32_t backColor);
  AdvancedButton* CreateSystemButton(uint32_t code, const ResourceFrame& frame, const char* hint);
  void SetDialectLook(int on);
  void Log(const std::string& line);
  std::string Ini() const { return m_hooks.iniPath ? m_hooks.iniPath() : std::string(); }

  GameBase& m_scene;
  CMJTableModel& m_model;
  Hooks m_hooks;
  CTableMetrics m_metrics;

  std::string m_styles[3];
  int m_styleIndex = 0;
  int m_music = 0;

  uint32_t m_buff = 0;
  uint32_t m_actions = 0;
  uint32_t m_arrowPicture = 0;
  uint32_t m_notePicture = 0;
  uint32_t m_handPicture = 0;
  uint32_t m_seeHandPicture = 0;
  ResourceFrame m_operationFrames[3] = {};
  ResourceFrame m_systemFrames[3] = {};
  ButtonFrameLayout m_operationLayout{m_operationFrames};
  ButtonFrameLayout m_systemLayout{m_systemFrames};
  ButtonFrameLayout m_operationLayout2{m_operationFrames};
  ButtonFrameLayout m_systemLayout2{m_systemFrames};
  bool m_layoutFlip = false;

  BUTTONFRAME* m_systemBar = nullptr;
  BUTTONFRAME* m_operationBar = nullptr;
  AdvancedButton* m_system[SYSTEM_BUTTONS] = {};
  ControlRecord* m_actionButtons[ACTION_BUTTONS] = {};
  ControlRecord* m_seeHand = nullptr;
  uint32_t m_arrowId = 0;
  uint32_t m_noteId = 0;
  uint32_t m_handId = 0;
  uint32_t m_sparkPicture = 0;
  uint32_t m_sparkIds[5] = {};
  uint32_t m_sortKey = 0;
  uint32_t m_slideKey = 0;
  ControlPoint m_barIn{};
  bool m_slides = false;
  bool m_barOut = false;
  bool m_built = false;
};
