#include "mahjong/MJGameNotify.h"

#include <cstdio>

#include "framework/BodyReader.h"
#include "mahjong/MahjongNotifyCodes.h"

namespace {
// The application keeps the advert address in a field of 256 bytes.
constexpr size_t ADVERT_URL_FIELD = 256;

bool IsMeldNotification(int code) {
  return code == NTF_PENG_MELD || code == NTF_CHI_MELD || code == NTF_GANG_EXPOSED ||
         code == NTF_GANG_CONCEALED || code == NTF_GANG_ADDED;
}
}  // namespace

CMJGameNotify::CMJGameNotify(CGameInfo& info, CMJTableModel& model, CMJNotifyHost& host)
    : m_info(info), m_model(model), m_host(host) {}

int CMJGameNotify::OnNotify(int code, const BYTE* data, size_t length) {
  if (data == nullptr) length = 0;
  if (MinimumNotifyLength(code) > 0 && !IsNotifyBodyLongEnough(code, data, length)) {
    char line[96];
    std::snprintf(line, sizeof(line), "notification %d refused: %u bytes are too few", code,
                  static_cast<unsigned>(length));
    m_host.Log(line);
    return 0;
  }
  bool taken = true;
  switch (code) {
    case NTF_PLAYER_STARTED: OnPlayerStarted(data, length); break;
    case NTF_NEW_HAND: OnNewHand(data, length); break;
    case NTF_HAND_RESULT: OnHandResult(data, length); break;
    case NTF_WAIT_FOR_TABLE:
      if (!m_host.IsPlaying()) m_host.ShowWaitingForTable();
      break;
    case NTF_ADVERT_URL: OnAdvertUrl(data, length); break;
    case NTF_SEE_HAND_REQUEST: OnSeeHandRequest(data, length); break;
    case NTF_HAND_SHOWN: OnHandShown(data, length); break;
    case NTF_TILE_DISCARDED:
      if (m_host.GetViewMode() == 1) {
        m_host.RelayoutTableControls();
      } else {
        m_host.RestartCountdown();
      }
      taken = m_model.OnTileDiscarded(data, length);
      break;
    case NTF_HAND_REFRESH: taken = m_model.OnHandRefresh(data, length); break;
    case NTF_TILE_DRAWN: taken = m_model.OnTileDrawn(data, length); break;
    case NTF_TIME_UP: taken = m_model.OnTimeUp(); break;
    case NTF_PENG_ANNOUNCED: taken = m_model.OnPengAnnounced(data, length); break;
    case NTF_CHI_ANNOUNCED: taken = m_model.OnChiAnnounced(data, length); break;
    case NTF_GANG_ANNOUNCED: taken = m_model.OnGangAnnounced(data, length); break;
    case NTF_PENG_MELD: taken = m_model.OnPengMeld(data, length); break;
    case NTF_CHI_MELD: taken = m_model.OnChiMeld(data, length); break;
    case NTF_GANG_EXPOSED:
    case NTF_GANG_CONCEALED:
    case NTF_GANG_ADDED: taken = m_model.OnGangMeld(code, data, length); break;
    case NTF_FLOWER_REPLACED: taken = m_model.OnFlowerReplaced(data, length); break;
    case NTF_CONNECTION_BROKEN: m_host.OnConnectionBroken(); break;
    case NTF_PLAYER_BACK_OR_LEFT: OnPlayerBackOrLeft(data, length); break;
    default: return CGameNotifySink::OnNotify(code, data, length);
  }
  if (!taken && IsMeldNotification(code)) {
    char line[96];
    std::snprintf(line, sizeof(line), "a meld notification %d could not be laid on the table", code);
    m_host.Log(line);
  }
  return taken ? 1 : 0;
}

void CMJGameNotify::OnPlayerStarted(const BYTE* data, size_t length) {
  const int chair = CBodyReader(data, length).Int(12);
  if (!m_info.IsSeatedChair(chair)) {
    m_host.Log("player started: the chair is no seat at this table");
    return;
  }
  char line[160];
  std::snprintf(line, sizeof(line), "<c=%d> %s 已经开始\r\n", 255, m_info.GetSeatPlayerName(chair).c_str());
  m_host.AppendChat(line);
  m_host.MarkSeatStarted(chair);
}

void CMJGameNotify::OnNewHand(const BYTE* data, size_t length) {
  if (!m_info.CopyTableInfo(data, length)) {
    m_host.Log("new hand refused: the table record does not fit this table");
    return;
  }
  m_host.AppendChat(m_info.FormatRoundResult());
  m_host.StartSeatsForNewHand();
  m_model.ResetRound();
  if (!m_host.GetAdvertUrl().empty()) m_host.RefreshRanking();
}

void CMJGameNotify::OnHandResult(const BYTE* data, size_t length) {
  if (m_info.CopyRoundResult(data, length) < 0) {
    m_host.Log("hand result refused: the body is shorter than the entries it announces");
    return;
  }
  if (m_handEndWatch) m_handEndWatch();
  m_host.UpdateScoreCells(data, length);
  m_host.AppendChat(m_info.FormatHandSummary());
  m_host.StopCountdown();
  m_model.OnHandResult(data, length);
  if (!m_host.GetAdvertUrl().empty()) m_host.RefreshRanking();
}

void CMJGameNotify::OnRandomSeatedExtra(const BYTE* tail, size_t length) {
  if (length == 0) return;
  if (!IsNotifyBodyLongEnough(NTF_NEW_HAND, tail, length)) {
    m_host.Log("random seating: the table record is too short");
    return;
  }
  OnNewHand(tail, length);
}

void CMJGameNotify::OnAdvertUrl(const BYTE* data, size_t length) {
  // The address ends at its terminator, at the end of its field or at the end of the body.
  m_host.SetAdvertUrl(CBodyReader(data, length).Text(32, ADVERT_URL_FIELD));
}

void CMJGameNotify::OnSeeHandRequest(const BYTE* data, size_t length) {
  const int watcher = CBodyReader(data, length).Int(0);
  if (m_host.RejectsSeeHandRequests() || m_host.IsUnwelcome(watcher)) return;
  m_host.ShowSeeHandPopup(watcher);
}

void CMJGameNotify::OnHandShown(const BYTE* data, size_t length) {
  // A refusal hides the hand only on the onlooker it was meant for.
  if (CBodyReader(data, length).Int(16) == m_host.GetOwnUserId()) m_model.OnShowHand(data, length);
  m_host.AddLookCardsLine(data, length);
}

void CMJGameNotify::OnTableClosed(const BYTE* data, size_t length) {
  CGameNotifySink::OnTableClosed(data, length);
  std::string text = MakeDepartureText(data, length);
  if (!text.empty()) m_host.ShowDeparture(text);
}

std::string CMJGameNotify::MakeDepartureText(const BYTE* data, size_t length) {
  CBodyReader r(data, length);
  if (!r.Has(28)) return "";
  const int chair = r.Int(4);
  std::string name = m_info.IsSeatedChair(chair) ? m_host.GetSeatDisplayName(chair) : std::string();
  char line[256];
  if (r.Int(8) != 0) {
    std::snprintf(line, sizeof(line), "%s 已经强行退出，游戏结束。(扣除%d两,%d分)", name.c_str(), -r.Int(24), -r.Int(20));
  } else {
    std::snprintf(line, sizeof(line), "%s 已经离开，游戏结束。", name.c_str());
  }
  return line;
}

void CMJGameNotify::OnPlayerBackOrLeft(const BYTE* data, size_t length) {
  CBodyReader r(data, length);
  const int chair = r.Int(12);
  if (!m_info.IsSeatedChair(chair)) {
    m_host.Log("player back or left: the chair is no seat at this table");
    return;
  }
  const int kind = r.Int(16);
  const char* format = kind == 1   ? "<c=%d>[系统]<c=%d>%s重新回到了游戏!\r\n"
                       : kind == 2 ? "<c=%d>[系统]<c=%d>%s离开了游戏!\r\n"
                                   : nullptr;
  if (format == nullptr) return;
  char line[256];
  std::snprintf(line, sizeof(line), format, 255, 4953725, m_info.GetSeatPlayerName(chair).c_str());
  m_host.AppendChat(line);
}
