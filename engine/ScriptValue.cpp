#include "engine/ScriptValue.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string FormatDouble(double value) {
  char small[64];
  const int length = std::snprintf(small, sizeof small, "%f", value);
  if (length >= 0 && length < static_cast<int>(sizeof small)) return small;
  // Large magnitudes print every integer digit.
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%f", value);
  text.resize(static_cast<size_t>(length));
  return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

ScriptValue ScriptValue::FromInt(int32_t value, uint8_t flag) {
  return ScriptValue(std::to_string(value), SCRIPT_TYPE_INT, flag);
}

ScriptValue ScriptValue::FromBool(int value, uint8_t flag) {
  return ScriptValue(value ? "TRUE" : "FALSE", SCRIPT_TYPE_BOOL, flag);
}

ScriptValue ScriptValue::FromDouble(double value, uint8_t flag) {
  return ScriptValue(FormatDouble(value), SCRIPT_TYPE_DOUBLE, flag);
}

ScriptValue ScriptValue::FromUnsigned(uint32_t value, uint8_t flag) {
  return ScriptValue(std::to_string(value), SCRIPT_TYPE_UNSIGNED, flag);
}

void ScriptValue::InferType() {
  bool dot = false;
  for (size_t i = 0; i < m_text.size(); i++) {
    const char c = m_text[i];
    if (c >= '0' && c <= '9') continue;
    if (c == '.') {
      dot = true;
      continue;
    }
    if ((c == '+' || c == '-') && i == 0) continue;
    m_type = SCRIPT_TYPE_STRING;
    return;
  }
  m_type = dot ? SCRIPT_TYPE_DOUBLE : SCRIPT_TYPE_INT;
}

int32_t ScriptValue::ToInt() const {
  const char* p = m_text.c_str();
  while (IsBlank(*p)) p++;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; p++) {
    // Past 32 bits the value only saturates, so the sum never overflows.
    if (value <= 0x80000000LL) value = value * 10 + (*p - '0');
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

double ScriptValue::ToDouble() const { return std::strtod(m_text.c_str(), nullptr); }

int32_t ScriptValue::ToBool() const {
  if (m_text == "TRUE") return 1;
  if (m_text == "FALSE") return 0;
  return ToInt();
}

size_t ScriptValue::FindUnquoted(char byte, size_t start) const {
  bool quoted = false;
  for (size_t i = start; i < m_text.size(); i++) {
    const char c = m_text[i];
    if (c == '"') {
      quoted = !quoted;
      // A quote searched for is found only outside quotes: the one that opens them counts.
      if (byte == '"' && quoted) return i;
      continue;
    }
    if (c == byte && !quoted) return i;
  }
  return m_text.size();
}

void ScriptValue::AssignString(const std::string& text) {
  m_text = text;
  m_type = SCRIPT_TYPE_STRING;
  m_flag = 0;
}

void ScriptValue::AssignText(const char* text) {
  m_text = text ? text : "";
  m_type = SCRIPT_TYPE_STRING;
}

ScriptValue& ScriptValue::Append(const ScriptValue& other) {
  m_text += other.m_text;
  m_type = other.m_type;
  m_flag = other.m_flag;
  return *this;
}

ScriptValue& ScriptValue::Append(const char* text) {
  if (text) m_text += text;
  m_type = SCRIPT_TYPE_STRING;
  return *this;
}

ScriptValue& ScriptValue::Append(int32_t value) {
  m_text += std::to_string(value);
  m_type = SCRIPT_TYPE_INT;
  return *this;
}

ScriptValue& ScriptValue::Append(double value) {
  m_text += FormatDouble(value);
  m_type = SCRIPT_TYPE_DOUBLE;
  return *this;
}

ScriptValue& ScriptValue::Append(uint32_t value) {
  m_text += std::to_string(value);
  m_type = SCRIPT_TYPE_UNSIGNED;
  return *this;
}

ScriptValue::Reading ScriptValue::ReadingOf() const {
  switch (m_type) {
    case SCRIPT_TYPE_INT:
    case SCRIPT_TYPE_UNSIGNED:
    case SCRIPT_TYPE_BOOL:
      return Reading::Integer;
    case SCRIPT_TYPE_DOUBLE:
      return Reading::Double;
    default:
      return Reading::Text;
  }
}

ScriptValue ScriptValue::Concatenate(const ScriptValue& right) const {
  return ScriptValue(m_text + right.m_text, SCRIPT_TYPE_STRING, m_flag);
}

ScriptValue ScriptValue::Substring(const ScriptValue& right) const {
  const size_t at = m_text.find(right.m_text);
  if (at == std::string::npos) return *this;
  return ScriptValue(m_text.substr(at, right.m_text.size()), SCRIPT_TYPE_STRING, 0);
}

namespace {

// 32-bit integer results wrap.
int32_t Wrap(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value))); }

}  // namespace

ScriptValue ScriptValue::operator+(const ScriptValue& right) const {
  switch (ReadingOf()) {
    case Reading::Integer:
      return FromInt(Wrap(int64_t(ToInt()) + right.ToInt()), m_flag);
    case Reading::Double:
      return FromDouble(ToDouble() + right.ToDouble(), right.m_flag);
    default:
      return Concatenate(right);
  }
}

ScriptValue ScriptValue::operator-(const ScriptValue& right) const {
  switch (ReadingOf()) {
    case Reading::Integer:
      return FromInt(Wrap(int64_t(ToInt()) - right.ToInt()), m_flag);
    case Reading::Double:
      return FromDouble(ToDouble() - right.ToDouble(), right.m_flag);
    default:
      return Substring(right);
  }
}

ScriptValue ScriptValue::operator*(const ScriptValue& right) const {
  switch (ReadingOf()) {
    case Reading::Integer:
      return FromInt(Wrap(int64_t(ToInt()) * right.ToInt()), m_flag);
    case Reading::Double:
      return FromDouble(ToDouble() * right.ToDouble(), right.m_flag);
    default:
      return Concatenate(right);
  }
}

ScriptValue ScriptValue::operator/(const ScriptValue& right) const {
  switch (ReadingOf()) {
    case Reading::Integer: {
      const int64_t divisor = right.ToInt();
      // Division by zero has no value of its own in the language; 0 keeps the script running.
      if (divisor == 0) return FromInt(0, m_flag);
      return FromInt(Wrap(int64_t(ToInt()) / divisor), m_flag);
    }
    case Reading::Double:
      return FromDouble(ToDouble() / right.ToDouble(), right.m_flag);
    default:
      return Substring(right);
  }
}

bool ScriptValue::operator==(const ScriptValue& right) const {
  switch (ReadingOf()) {
    case Reading::Integer:
      return ToInt() == right.ToInt();
    case Reading::Double:
      return ToDouble() == right.ToDouble();
    default:
      return m_text == right.m_text;
  }
}

bool ScriptValue::operator<(const ScriptValue& right) const {
  switch (ReadingOf()) {
    case Reading::Integer:
      return ToInt() < right.ToInt();
    case Reading::Double:
      return ToDouble() < right.ToDouble();
    default:
      // std::string compares its bytes as unsigned char, and a prefix is the smaller.
      return m_text.compare(right.m_text) < 0;
  }
}

bool ScriptValue::operator>=(const ScriptValue& right) const {
  switch (ReadingOf()) {
    case Reading::Integer:
      return ToInt() >= right.ToInt();
    case Reading::Double:
      return ToDouble() >= right.ToDouble();
    default:
      return m_text.compare(right.m_text) >= 0;
  }
}

int ScriptValue::EqualsText(const char* text) const { return text && m_text == text ? 1 : 0; }

ScriptValue operator+(const char* left, const ScriptValue& right) {
  return ScriptValue(std::string(left ? left : "") + right.Text(), SCRIPT_TYPE_STRING, 0);
}
