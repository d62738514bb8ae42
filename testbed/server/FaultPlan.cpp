// The game server's injected faults (see FaultPlan.h).
#include "testbed/server/FaultPlan.h"

#include <cerrno>
#include <cstdlib>

namespace testbed {

namespace {

// One field of the fault text: a whole number from 0 to `limit`.
bool ParseField(const std::string& text, size_t* at, int limit, int* out) {
  if (*at > text.size()) return false;  // the text ended before this field
  const size_t end = text.find(':', *at);
  const std::string field = text.substr(*at, end == std::string::npos ? std::string::npos : end - *at);
  if (field.empty() || field.size() > 9 || field.find_first_not_of("0123456789") != std::string::npos) return false;
  const long value = std::strtol(field.c_str(), nullptr, 10);
  if (value > limit) return false;
  *out = static_cast<int>(value);
  *at = end == std::string::npos ? text.size() + 1 : end + 1;
  return true;
}

}  // namespace

FaultPlan::FaultPlan(FaultRates rates, uint64_t seed) : m_rates(rates), m_random(seed) {}

bool FaultPlan::Parse(const std::string& text, FaultRates* out) {
  FaultRates rates;
  size_t at = 0;
  // A delay beyond a minute would only look like a hung server to the long run's watch.
  if (!ParseField(text, &at, 1000000, &rates.delayOneIn) || !ParseField(text, &at, 60000, &rates.maxDelayMs) ||
      !ParseField(text, &at, 1000000, &rates.dropOneIn))
    return false;
  if (at <= text.size() && !ParseField(text, &at, 1000000, &rates.repeatOneIn)) return false;
  if (at != text.size() + 1) return false;
  if (rates.delayOneIn > 0 && rates.maxDelayMs == 0) return false;
  *out = rates;
  return true;
}

void FaultPlan::Apply(const Request& request, Reply* reply) {
  if (!request.replyWanted || !reply->send) return;
  std::lock_guard<std::mutex> g(m_lock);
  if (m_rates.dropOneIn > 0 && m_random() % static_cast<uint64_t>(m_rates.dropOneIn) == 0) {
    reply->closeMidPacket = true;
    ++m_dropped;
    return;
  }
  // A late in-order reply would be one that the notifications after it overtake, which no
  // server that keeps its order sends.
  if (!reply->inOrder && m_rates.delayOneIn > 0 && m_random() % static_cast<uint64_t>(m_rates.delayOneIn) == 0) {
    reply->delayMs += 1 + static_cast<int>(m_random() % static_cast<uint64_t>(m_rates.maxDelayMs));
    ++m_delayed;
  }
}

void FaultPlan::SetRepeatable(std::set<uint32_t> codes) {
  std::lock_guard<std::mutex> g(m_lock);
  m_repeatable = std::move(codes);
}

int FaultPlan::CopiesOf(uint32_t code) {
  std::lock_guard<std::mutex> g(m_lock);
  if (m_rates.repeatOneIn <= 0 || m_repeatable.count(code) == 0) return 1;
  if (m_random() % static_cast<uint64_t>(m_rates.repeatOneIn) != 0) return 1;
  ++m_repeated;
  return 2;
}

int FaultPlan::Repeated() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_repeated;
}

int FaultPlan::Delayed() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_delayed;
}

int FaultPlan::Dropped() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_dropped;
}

}  // namespace testbed
