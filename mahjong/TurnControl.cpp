#include "mahjong/TurnControl.h"

#include <cstdio>

bool CTurnControl::SwitchManagedPlay(bool bannerShown, std::string* chat) {
  chat->clear();
  if (m_actions.IsLookOn()) return bannerShown;
  char line[256];
  if (!bannerShown) {
    std::snprintf(line, sizeof line, "<c=%d>[系统]<c=%d>游戏已进入系统托管状态，点击鼠标左键解除!\r\n", 255, 4953725);
    m_timeOutCount = 3;
  } else {
    std::snprintf(line, sizeof line, "<c=%d>[系统]<c=%d>系统托管终止!\r\n", 255, 4953725);
    m_timeOutCount = 0;
  }
  *chat = line;
  return !bannerShown;
}

int CTurnControl::NextBannerColour(int r, int g, int b) {
  const int colour = (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16;
  if (colour == 0xFF00FF || colour == 0xFFFFFF) return -1;
  return colour;
}

void CTurnControl::SetPendingClaim(int n) {
  if (m_clock.pendingClaim == n) return;
  m_clock.pendingClaim = n;
  // The tiles' click commands follow the open claim.
  m_actions.RefreshTileControls();
}

CTurnControl::ReplyKind CTurnControl::OnClaimReply(int code, int pending) {
  if (code == RESULT_SUCCESS) return ReplyKind::Accepted;
  if (code == RESULT_CLAIM_HELD) {
    m_claimWaiting = 1;
    SetPendingClaim(pending);
    return ReplyKind::Held;
  }
  return ReplyKind::Refused;
}

void CTurnControl::OnPengButton() {
  if (m_actions.IsLookOn()) return;
  m_actions.PlayActionVoice("peng0");
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) m_actions.ShowClaimButton(b, 0);
  m_actions.RequestPengClaim();
  m_actions.DoPengMeld();
}

void CTurnControl::OnGangButton() {
  if (m_actions.IsLookOn()) return;
  if (IsOwnTurn() && m_actions.HasDrawnTile()) {
    // On the own turn the button opens and closes the choice of the tile to gang.
    if (m_actions.GetButtonFrame(CLAIM_GANG) != BUTTON_FRAME_CHOICE) {
      m_actions.PlayActionVoice("gang0");
      m_actions.EnableConcealedGangTiles();
      m_actions.ShowHand();
      SetPendingClaim(PENDING_GANG);
      m_actions.SetButtonFrame(CLAIM_GANG, BUTTON_FRAME_CHOICE);
    } else if (!(m_claimWaiting == 1 && m_clock.pendingClaim == PENDING_GANG)) {
      m_actions.EnableAllHandTiles();
      m_actions.ShowHand();
      SetPendingClaim(PENDING_NONE);
      m_actions.SetButtonFrame(CLAIM_GANG, BUTTON_FRAME_GANG);
    }
    return;
  }
  m_actions.PlayActionVoice("gang0");
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) m_actions.ShowClaimButton(b, 0);
  if (m_actions.RequestGangClaim()) m_actions.DoGangClaim();
}

void CTurnControl::OnChiButton() {
  if (m_actions.IsLookOn() || !IsOwnTurn()) return;
  if (m_actions.GetButtonFrame(CLAIM_CHI) != BUTTON_FRAME_CHOICE) {
    m_actions.PlayActionVoice("chi0");
    m_actions.ShowClaimButton(CLAIM_GANG, 0);
    m_actions.ShowClaimButton(CLAIM_PASS, 0);
    m_actions.RequestChiClaim();
    m_actions.EnableListedTiles();
    m_actions.ShowHand();
    SetPendingClaim(PENDING_CHI);
    m_actions.SetButtonFrame(CLAIM_CHI, BUTTON_FRAME_CHOICE);
    return;
  }
  // A second press cancels the choice; the chi claim already sent stays with the server.
  m_actions.ShowClaimButton(CLAIM_PASS, 1);
  m_actions.EnableAllHandTiles();
  m_actions.ShowHand();
  SetPendingClaim(PENDING_NONE);
  m_actions.SetButtonFrame(CLAIM_CHI, BUTTON_FRAME_CHI);
}

void CTurnControl::OnHuButton() {
  if (m_actions.IsLookOn()) return;
  m_actions.DoHu();
}

void CTurnControl::OnPassButton() {
  if (m_actions.IsLookOn()) return;
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) m_actions.ShowClaimButton(b, 0);
  m_actions.RequestPass();
}

void CTurnControl::OnCountdownExpired() {
  if (m_actions.IsLookOn()) return;
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) m_actions.ShowClaimButton(b, 0);
  if (!m_actions.HasCountdownTimer()) return;
  m_actions.StartTurnTimers(1);

  if (m_claimWaiting == 0 && m_clock.pendingClaim == PENDING_CHI) m_actions.EnableAllHandTiles();

  if (m_claimWaiting == 1) {
    switch (m_clock.pendingClaim) {
      case PENDING_PENG:
        // The held peng is sent again.
        SetPendingClaim(PENDING_NONE);
        m_actions.DoPengMeld();
        return;
      case PENDING_GANG:
        SetPendingClaim(PENDING_NONE);
        if (!m_actions.HasDrawnTile()) {
          m_actions.DoGangClaim();
          m_claimWaiting = 0;
          return;
        }
        {
          int raised[CLAIM_CHOICES];
          int n = m_actions.GetRaisedTiles(raised);
          if (n == 1 && m_actions.MeldKindOfCode(raised[0]) == 1 && m_actions.DoAddedGang(raised[0])) return;
        }
        m_claimWaiting = 0;
        return;
      case PENDING_HU:
        SetPendingClaim(PENDING_NONE);
        m_actions.DoHu();
        m_claimWaiting = 0;
        return;
      default:
        break;
    }
  }

  if (IsOwnTurn() && m_clock.pendingClaim == PENDING_GANG) {
    SetPendingClaim(PENDING_NONE);
    m_actions.EnableAllHandTiles();
    m_actions.ShowHand();
  }

  if (m_claimWaiting == 1 && m_clock.pendingClaim == PENDING_CHI) {
    if (m_actions.DoChiMeld()) return;
    // The chi is given up and the player draws instead.
    m_claimWaiting = 0;
    m_actions.EnableAllHandTiles();
    m_actions.ShowHand();
    m_clock.pendingClaim = PENDING_NONE;
    m_clock.turnActive = 1;
    m_clock.remainingSeconds = m_actions.DiscardTime();
    m_actions.DrawTileForTurn();
    return;
  }

  if (IsOwnTurn() && m_actions.HasDrawnTile()) {
    m_actions.CancelHandDrag();
    m_actions.EnableAllHandTiles();
    m_claimWaiting = 0;
    if (m_actions.IsFlowerTile(m_actions.DrawnTile()))
      m_actions.DoFlowerReplace(0);
    else
      m_actions.DoDiscard(0);
    m_timeOutCount += 1;
    if (m_timeOutCount >= 3) m_actions.ToggleManagedPlay();
    return;
  }

  if (IsOwnTurn() && m_actions.IsPlayedTilePresent(0)) {
    // Nobody claimed the discard before the own turn: the player draws.
    m_clock.pendingClaim = PENDING_NONE;
    m_clock.turnActive = 1;
    m_clock.remainingSeconds = m_actions.DiscardTime();
    m_actions.DrawTileForTurn();
  }
}

void CTurnControl::ManagedChi() {
  if (m_actions.IsLookOn() || !IsOwnTurn() || !m_actions.IsClaimButtonOffered(CLAIM_CHI)) return;
  int pair[2] = {-1, -1};
  if (!m_actions.FirstChiPair(pair)) return;
  OnClaimReply(m_actions.SendChiMeld(pair), PENDING_CHI);
}

void CTurnControl::ManagedPlayStep() {
  if (m_actions.IsLookOn()) return;
  if (!IsOwnTurn() && !m_actions.IsClaimButtonOffered(CLAIM_PASS)) return;
  if (++m_managedStepTicks < m_managedStepPeriod) return;
  m_managedStepTicks = 0;

  auto offered = [this](int type) { return m_actions.IsClaimButtonOffered(type); };
  if (offered(CLAIM_HU)) {
    OnHuButton();
    return;
  }
  if (offered(CLAIM_GANG) && offered(CLAIM_PASS)) {
    OnGangButton();
    return;
  }
  if (offered(CLAIM_PENG)) {
    OnPengButton();
    return;
  }
  if (offered(CLAIM_CHI)) {
    ManagedChi();
    // A held chi waits for the server's time-up; passing now would answer the claim twice.
    if (m_claimWaiting == 1 && m_clock.pendingClaim == PENDING_CHI) {
      for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) m_actions.ShowClaimButton(b, 0);
      return;
    }
  }
  if (offered(CLAIM_GANG) && m_actions.HasDrawnTile()) {
    OnGangButton();
    int tile = m_actions.FindGangCandidate();
    if (tile < 0) return;
    int kind = m_actions.MeldKindOfCode(tile);
    if (kind == 0)
      m_actions.DoConcealedGang(tile);
    else if (kind == 1)
      m_actions.DoAddedGang(tile);
    return;
  }
  if (offered(CLAIM_PASS)) {
    OnPassButton();
    return;
  }
  if (!m_actions.HasDrawnTile()) return;
  // A flower in the hand is replaced before anything is weighed: flowers are no candidates of
  // the evaluation, and a hand holding one is not yet complete.
  int flower = m_actions.FindStandingFlower();
  if (flower >= 0) {
    m_actions.DoFlowerReplace(flower);
    return;
  }
  m_actions.DoDiscard(m_actions.ChooseDiscard());
}
