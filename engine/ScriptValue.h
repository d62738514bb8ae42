// The one value type of the engine's script language: a text together with a type byte that says
// how the text is read when the value takes part in arithmetic or comparison, and a flag byte that
// travels with it. Every conversion goes through the text, so a value is always printable.
//
// The left operand's type alone decides how an operator reads both operands: INT, UNSIGNED and
// BOOL read as signed 32-bit integers (so "TRUE" and "FALSE" both read as 0 there; only ToBool
// reads them as truth values), DOUBLE as doubles, and STRING or no type as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint8_t SCRIPT_TYPE_STRING = 5;
constexpr uint8_t SCRIPT_TYPE_INT = 10;
constexpr uint8_t SCRIPT_TYPE_BOOL = 20;
constexpr uint8_t SCRIPT_TYPE_DOUBLE = 30;
constexpr uint8_t SCRIPT_TYPE_UNSIGNED = 40;

class ScriptValue {
 public:
  // Empty text, no type, flag 0.
  ScriptValue() = default;
  // A text value: type STRING unless another is given.
  explicit ScriptValue(std::string text, uint8_t type = SCRIPT_TYPE_STRING, uint8_t flag = 0)
      : m_text(std::move(text)), m_type(type), m_flag(flag) {}

  static ScriptValue FromInt(int32_t value, uint8_t flag = 0);
  // "TRUE" for any non-zero input, else "FALSE".
  static ScriptValue FromBool(int value, uint8_t flag = 0);
  // Written with "%f": six digits after the point.
  static ScriptValue FromDouble(double value, uint8_t flag = 0);
  static ScriptValue FromUnsigned(uint32_t value, uint8_t flag = 0);

  void SetType(uint8_t type, uint8_t flag) {
    m_type = type;
    m_flag = flag;
  }
  // No type; the flag stays.
  void ClearType() { m_type = 0; }
  // INT for a text of digits with an optional leading sign (and for the empty text or a lone
  // sign), DOUBLE when it also holds one or more dots, STRING for anything else.
  void InferType();
  uint8_t GetType() const { return m_type; }
  uint8_t GetFlag() const { return m_flag; }

  std::string GetString() const { return m_text; }
  const std::string& Text() const { return m_text; }
  // The byte at a position of the text; 0 at the text's end and beyond it.
  char GetAt(size_t index) const { return index < m_text.size() ? m_text[index] : 0; }
  size_t GetLength() const { return m_text.size(); }

  // The text read as atoi reads it (leading blanks, an optional sign, digits up to the first other
  // byte; no digits give 0). A number beyond 32 bits gives the nearest 32-bit value.
  int32_t ToInt() const;
  // The text read as atof reads it, in the C locale.
  double ToDouble() const;
  // 1 for exactly "TRUE", 0 for exactly "FALSE", else ToInt.
  int32_t ToBool() const;
  // The index of the first `byte` at or after `start` that lies outside double quotes, counting
  // the quotes from `start`; the text's length when there is none.
  size_t FindUnquoted(char byte, size_t start) const;

  void Assign(const ScriptValue& other) { *this = other; }
  // Type STRING, flag 0.
  void AssignString(const std::string& text);
  // Type STRING; the flag stays.
  void AssignText(const char* text);

  // The compound-assignment forms: the text is appended, then the type set after what was
  // appended. Appending a value takes its type and flag; the others keep the flag.
  ScriptValue& Append(const ScriptValue& other);
  ScriptValue& Append(const char* text);
  ScriptValue& Append(int32_t value);
  ScriptValue& Append(double value);
  ScriptValue& Append(uint32_t value);
  template <typename T>
  ScriptValue& operator+=(const T& value) {
    return Append(value);
  }

  ScriptValue operator+(const ScriptValue& right) const;
  // STRING and no type: the part of this text that equals the right text (found from the start),
  // or a copy of this value when there is none.
  ScriptValue operator-(const ScriptValue& right) const;
  // STRING and no type: as +.
  ScriptValue operator*(const ScriptValue& right) const;
  // STRING and no type: as -. Integer division by zero gives INT 0.
  ScriptValue operator/(const ScriptValue& right) const;

  bool operator==(const ScriptValue& right) const;
  bool operator!=(const ScriptValue& right) const { return !(*this == right); }
  bool operator<(const ScriptValue& right) const;
  bool operator>=(const ScriptValue& right) const;
  // Byte-wise, case-sensitive.
  int EqualsText(const char* text) const;
  int NotEqualsText(const char* text) const { return !EqualsText(text); }
  int GreaterThan(double value) const { return ToDouble() > value ? 1 : 0; }

 private:
  enum class Reading { Integer, Double, Text };
  Reading ReadingOf() const;
  ScriptValue Concatenate(const ScriptValue& right) const;
  ScriptValue Substring(const ScriptValue& right) const;

  std::string m_text;
  uint8_t m_type = 0;
  uint8_t m_flag = 0;
};

// The string's text followed by the value's text: type STRING, flag 0.
ScriptValue operator+(const char* left, const ScriptValue& right);
