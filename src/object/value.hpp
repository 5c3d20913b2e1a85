#pragma once
// The automation value: what crosses the automation boundary as an argument, a property value,
// a result or an event argument, and what collections of variants hold.
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace vz {

class Object;
using ObjectRef = std::shared_ptr<Object>;

class Value;

// How an object's default property is read when a value holding the object is converted. Dispatch
// sits above values (it passes them), so it installs its reader here when it is linked in, instead
// of values calling up into it; without one, the object has no default property.
using DefaultPropertyReader = Value (*)(Object& object);
void SetDefaultPropertyReader(DefaultPropertyReader reader);

class Value {
 public:
  // Missing marks an optional argument left out (the caller may leave out arguments in the middle
  // too); it never reaches a property. Nothing is an object reference to no object.
  enum class Type : std::uint8_t { Empty, Missing, Boolean, Integer, Long, Double, String, Array, Object };
  using Array = std::vector<Value>;

  Value() = default;  // Empty
  Value(bool b) : data_(b) {}
  Value(std::int16_t i) : data_(i) {}
  Value(std::int32_t i) : data_(i) {}
  Value(double d) : data_(d) {}
  Value(std::string s) : data_(std::move(s)) {}
  Value(std::string_view s) : data_(std::string(s)) {}
  Value(const char* s) : data_(std::string(s)) {}
  Value(Array a) : data_(std::move(a)) {}
  Value(ObjectRef o) : data_(std::move(o)) {}
  template <class T>
    requires std::is_base_of_v<Object, T>
  Value(std::shared_ptr<T> o) : data_(ObjectRef(std::move(o))) {}
  // Other integer and pointer types would silently pick a width; say which one you mean.
  template <class T>
    requires(std::is_arithmetic_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, std::int16_t> &&
             !std::is_same_v<T, std::int32_t> && !std::is_same_v<T, double>)
  Value(T) = delete;

  static Value Nothing() { return Value(ObjectRef()); }
  static Value Missing();

  Type GetType() const { return static_cast<Type>(data_.index()); }
  bool IsEmpty() const { return GetType() == Type::Empty; }
  bool IsMissing() const { return GetType() == Type::Missing; }
  bool IsObject() const { return GetType() == Type::Object; }
  bool IsNothing() const;
  bool IsArray() const { return GetType() == Type::Array; }
  bool IsNumeric() const;  // Boolean, Integer, Long or Double

  // Conversions with the automation rules: numbers to and from numeric strings, Booleans as -1
  // and 0, Empty as 0, "" or False, rounding half to even; an object converts through its default
  // property. Error 13 "Type mismatch" when no conversion applies, 6 "Overflow" when the number
  // does not fit.
  bool ToBoolean() const;
  std::int16_t ToInteger() const;
  std::int32_t ToLong() const;
  double ToDouble() const;
  std::string ToString() const;
  // The array itself; Empty converts to an empty array, anything else is a type mismatch.
  Array ToArray() const;
  // The object or null (Nothing, or Empty, which the wire cannot tell from Nothing).
  ObjectRef ToObject() const;

  // This value, or for an object the value of its default member (91 for Nothing, 438 when the
  // class has no default member).
  Value Scalar() const;

  // Exact access, no conversion; precondition: GetType() says so.
  const std::string& String() const { return std::get<std::string>(data_); }
  const Array& ArrayItems() const { return std::get<Array>(data_); }
  Array& ArrayItems() { return std::get<Array>(data_); }
  const ObjectRef& ObjectReference() const { return std::get<ObjectRef>(data_); }

  // Same type and same content; objects compare by identity.
  friend bool operator==(const Value& a, const Value& b);

 private:
  struct MissingTag {
    friend bool operator==(MissingTag, MissingTag) { return true; }
  };
  explicit Value(MissingTag m) : data_(m) {}
  // Alternatives in the order of Type.
  std::variant<std::monostate, MissingTag, bool, std::int16_t, std::int32_t, double, std::string, Array, ObjectRef> data_;
};

std::string_view TypeName(Value::Type type);

// For test failure messages and traces.
std::ostream& operator<<(std::ostream& out, const Value& value);

}  // namespace vz
