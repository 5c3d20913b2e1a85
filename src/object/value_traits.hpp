#pragma once
// Conversions between automation values and the C++ types that member functions take and
// return. These decide, at compile time, which types a class may expose: bool, std::int16_t
// (Integer), std::int32_t (Long), double, std::string, enumerations (as Integer or Long by
// width), Value itself (a variant), std::vector of any of these (an array), and
// std::shared_ptr to an automation class (an object, or Nothing).
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "object/standard_errors.hpp"
#include "object/value.hpp"

namespace vz {

template <class T>
struct ValueTraits {
  static_assert(sizeof(T) == 0,
                "not an automation type: use bool, std::int16_t, std::int32_t, double, std::string, an enum, "
                "vz::Value, std::vector of these, or std::shared_ptr to an automation class");
};

template <>
struct ValueTraits<Value> {
  static Value From(const Value& v) { return v; }
  static Value To(Value v) { return v; }
};

template <>
struct ValueTraits<bool> {
  static bool From(const Value& v) { return v.ToBoolean(); }
  static Value To(bool b) { return Value(b); }
};

template <>
struct ValueTraits<std::int16_t> {
  static std::int16_t From(const Value& v) { return v.ToInteger(); }
  static Value To(std::int16_t i) { return Value(i); }
};

template <>
struct ValueTraits<std::int32_t> {
  static std::int32_t From(const Value& v) { return v.ToLong(); }
  static Value To(std::int32_t i) { return Value(i); }
};

template <>
struct ValueTraits<double> {
  static double From(const Value& v) { return v.ToDouble(); }
  static Value To(double d) { return Value(d); }
};

template <>
struct ValueTraits<std::string> {
  static std::string From(const Value& v) { return v.ToString(); }
  static Value To(std::string s) { return Value(std::move(s)); }
};

// Results only: a view is copied into the value.
template <>
struct ValueTraits<std::string_view> {
  static Value To(std::string_view s) { return Value(s); }
};

template <class E>
  requires std::is_enum_v<E>
struct ValueTraits<E> {
  // 16-bit enumerations travel as Integer, all others as Long.
  using Wire = std::conditional_t<sizeof(E) == 2, std::int16_t, std::int32_t>;
  static E From(const Value& v) { return static_cast<E>(ValueTraits<Wire>::From(v)); }
  static Value To(E e) { return Value(static_cast<Wire>(e)); }
};

template <class T>
struct ValueTraits<std::vector<T>> {
  // Each element converted; a non-array is a type mismatch (Empty reads as an empty array).
  static std::vector<T> From(const Value& v) {
    std::vector<T> items;
    for (const Value& item : v.ToArray()) items.push_back(ValueTraits<T>::From(item));
    return items;
  }
  static Value To(const std::vector<T>& items) {
    Value::Array array;
    array.reserve(items.size());
    for (const T& item : items) array.push_back(ValueTraits<T>::To(item));
    return Value(std::move(array));
  }
};

template <class T>
  requires std::is_base_of_v<Object, T>
struct ValueTraits<std::shared_ptr<T>> {
  // An object of another class is a type mismatch; Nothing gives a null pointer.
  static std::shared_ptr<T> From(const Value& v) {
    ObjectRef object = v.ToObject();
    if (!object) return nullptr;
    auto typed = std::dynamic_pointer_cast<T>(std::move(object));
    if (!typed) RaiseStandardError(kErrTypeMismatch);
    return typed;
  }
  static Value To(std::shared_ptr<T> o) { return Value(ObjectRef(std::move(o))); }
};

template <class T>
T FromValue(const Value& v) {
  return ValueTraits<std::remove_cvref_t<T>>::From(v);
}

template <class T>
Value ToValue(T&& x) {
  using Base = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<Base, const char*> || std::is_same_v<Base, char*>) {
    return Value(std::string_view(x));
  } else {
    return ValueTraits<Base>::To(std::forward<T>(x));
  }
}

}  // namespace vz
