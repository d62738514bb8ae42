#include "mahjong/TableResync.h"

int CTableResync::Run() {
  if (m_running) return 0;
  m_running = true;
  int ok = 0;
  for (int attempt = 0; attempt < ATTEMPTS && !ok; ++attempt) {
    ok = m_steps.getGameData ? m_steps.getGameData() : 0;
    if (!ok && m_steps.sleep) m_steps.sleep(PAUSE_MS);
  }
  if (ok) {
    if (m_steps.rebuild) m_steps.rebuild();
  } else if (m_steps.giveUp) {
    m_steps.giveUp();
  }
  m_running = false;
  return ok;
}
