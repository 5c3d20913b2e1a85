#include "object/value.hpp"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <ostream>

#include "object/blank_trim.hpp"
#include "object/case_fold.hpp"
#include "object/standard_errors.hpp"

namespace vz {

namespace {

// A numeric string as automation coercion reads it: surrounding blanks, an optional sign, a
// decimal number with optional fraction and exponent, or &H/&O for hexadecimal and octal.
double ParseNumber(std::string_view original) {
  std::string_view text = TrimBlanks(original);
  if (text.size() > 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h' || text[1] == 'O' || text[1] == 'o')) {
    const int base = (text[1] == 'H' || text[1] == 'h') ? 16 : 8;
    std::uint32_t bits = 0;
    const auto [end, error] = std::from_chars(text.data() + 2, text.data() + text.size(), bits, base);
    if (error == std::errc::result_out_of_range) RaiseStandardError(kErrOverflow);
    if (error != std::errc() || end != text.data() + text.size()) RaiseStandardError(kErrTypeMismatch);
    // Literals of up to 16 bits are Integers, wider ones Longs: both read as two's complement.
    if (bits <= 0xFFFF) return static_cast<std::int16_t>(bits);
    return static_cast<std::int32_t>(bits);
  }
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  // from_chars would also take "inf" and "nan", which are not numbers here.
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.')) {
    RaiseStandardError(kErrTypeMismatch);
  }
  double number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error == std::errc::result_out_of_range) RaiseStandardError(kErrOverflow);
  if (error != std::errc() || end != text.data() + text.size()) RaiseStandardError(kErrTypeMismatch);
  return negative ? -number : number;
}

// Rounds half to even, as automation integer conversion does, and checks the range.
template <class Int>
Int RoundToInteger(double number) {
  const double rounded = std::nearbyint(number);
  if (!(rounded >= std::numeric_limits<Int>::min() && rounded <= std::numeric_limits<Int>::max())) {
    RaiseStandardError(kErrOverflow);
  }
  return static_cast<Int>(rounded);
}

std::string FormatDouble(double number) {
  if (number == 0) return "0";
  // Fifteen significant digits, exponent form for very large and very small magnitudes: 0.1,
  // 1E+15, 1.5E-07.
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.15G", number);
  return buffer;
}

}  // namespace

Value Value::Missing() { return Value(MissingTag{}); }

bool Value::IsNothing() const { return IsObject() && !ObjectReference(); }

bool Value::IsNumeric() const {
  switch (GetType()) {
    case Type::Boolean:
    case Type::Integer:
    case Type::Long:
    case Type::Double: return true;
    default: return false;
  }
}

namespace {
DefaultPropertyReader& InstalledDefaultPropertyReader() {
  static DefaultPropertyReader reader = nullptr;
  return reader;
}
}  // namespace

void SetDefaultPropertyReader(DefaultPropertyReader reader) { InstalledDefaultPropertyReader() = reader; }

Value Value::Scalar() const {
  if (!IsObject()) return *this;
  if (!ObjectReference()) RaiseStandardError(kErrObjectNotSet);
  const auto reader = InstalledDefaultPropertyReader();
  if (!reader) RaiseStandardError(kErrMemberNotFound);
  return reader(*ObjectReference()).Scalar();
}

bool Value::ToBoolean() const {
  const Value value = Scalar();
  switch (value.GetType()) {
    case Type::Empty: return false;
    case Type::Boolean: return std::get<bool>(value.data_);
    case Type::String: {
      const std::string_view text = TrimBlanks(value.String());
      if (EqualsIgnoreCase(text, "True")) return true;
      if (EqualsIgnoreCase(text, "False")) return false;
      return ParseNumber(text) != 0;
    }
    default: break;
  }
  if (value.IsNumeric()) return value.ToDouble() != 0;
  RaiseStandardError(kErrTypeMismatch);
}

std::int16_t Value::ToInteger() const {
  const Value value = Scalar();
  if (value.GetType() == Type::Integer) return std::get<std::int16_t>(value.data_);
  return RoundToInteger<std::int16_t>(value.ToDouble());
}

std::int32_t Value::ToLong() const {
  const Value value = Scalar();
  if (value.GetType() == Type::Long) return std::get<std::int32_t>(value.data_);
  return RoundToInteger<std::int32_t>(value.ToDouble());
}

double Value::ToDouble() const {
  const Value value = Scalar();
  switch (value.GetType()) {
    case Type::Empty: return 0;
    case Type::Boolean: return std::get<bool>(value.data_) ? -1 : 0;
    case Type::Integer: return std::get<std::int16_t>(value.data_);
    case Type::Long: return std::get<std::int32_t>(value.data_);
    case Type::Double: return std::get<double>(value.data_);
    case Type::String: return ParseNumber(value.String());
    default: RaiseStandardError(kErrTypeMismatch);
  }
}

std::string Value::ToString() const {
  const Value value = Scalar();
  switch (value.GetType()) {
    case Type::Empty: return {};
    case Type::Boolean: return std::get<bool>(value.data_) ? "True" : "False";
    case Type::Integer: return std::to_string(std::get<std::int16_t>(value.data_));
    case Type::Long: return std::to_string(std::get<std::int32_t>(value.data_));
    case Type::Double: return FormatDouble(std::get<double>(value.data_));
    case Type::String: return value.String();
    default: RaiseStandardError(kErrTypeMismatch);
  }
}

Value::Array Value::ToArray() const {
  if (IsEmpty()) return {};
  if (!IsArray()) RaiseStandardError(kErrTypeMismatch);
  return ArrayItems();
}

ObjectRef Value::ToObject() const {
  if (IsEmpty()) return nullptr;
  if (!IsObject()) RaiseStandardError(kErrTypeMismatch);
  return ObjectReference();
}

bool operator==(const Value& a, const Value& b) { return a.data_ == b.data_; }

std::string_view TypeName(Value::Type type) {
  switch (type) {
    case Value::Type::Empty: return "Empty";
    case Value::Type::Missing: return "Missing";
    case Value::Type::Boolean: return "Boolean";
    case Value::Type::Integer: return "Integer";
    case Value::Type::Long: return "Long";
    case Value::Type::Double: return "Double";
    case Value::Type::String: return "String";
    case Value::Type::Array: return "Array";
    case Value::Type::Object: return "Object";
  }
  return "?";
}

std::ostream& operator<<(std::ostream& out, const Value& value) {
  out << TypeName(value.GetType());
  switch (value.GetType()) {
    case Value::Type::Empty:
    case Value::Type::Missing: return out;
    case Value::Type::String: return out << "(\"" << value.String() << "\")";
    case Value::Type::Array: {
      out << '(';
      const char* separator = "";
      for (const Value& item : value.ArrayItems()) {
        out << separator << item;
        separator = ", ";
      }
      return out << ')';
    }
    case Value::Type::Object: return out << '(' << value.ObjectReference().get() << ')';
    default: return out << '(' << value.ToString() << ')';
  }
}

}  // namespace vz
