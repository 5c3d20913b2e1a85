#pragma once
// Object: the base of every public class of the server.
//
// Objects are reference counted with std::shared_ptr (created with std::make_shared, reached
// from inside through shared_from_this). The standard pointer was chosen over an intrusive count
// because everything that holds objects already speaks it: the automation layer's handle tables,
// typed arguments (std::dynamic_pointer_cast checks an object's class), and weak references for
// back pointers that must not keep their owner alive. The server runs on one thread, so the
// atomic count costs nothing that matters.
#include <array>
#include <cstddef>
#include <memory>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "object/event.hpp"
#include "object/value_traits.hpp"

namespace vz {

class ClassInfo;

class Object : public std::enable_shared_from_this<Object> {
 public:
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object() = default;

  virtual const ClassInfo& Class() const = 0;

  // Subscribes `sink` to this object's events (error 438 when the class declares none). The
  // object holds the sink weakly: the subscriber keeps it alive and it drops out when destroyed.
  // Advising the same sink twice subscribes it once.
  void Advise(const std::shared_ptr<EventSink>& sink);
  // A sink unadvised while an event is being raised hears no more of that event.
  void Unadvise(const EventSink& sink);
  std::size_t AdvisedSinkCount() const;

 protected:
  // Raises `event` to every advised sink, in the order they advised, and copies by-reference
  // arguments back into the caller's variables. A value a sink left that does not convert back
  // to the argument's type raises error 13, leaving the variable unchanged.
  template <class... Args, class... Given>
  void RaiseEvent(const EventDef<Args...>& event, Given&&... arguments);

 private:
  void Deliver(std::string_view eventName, std::span<Value> arguments);

  template <class Arg, class GivenArg>
  static void ReadBack(const Value& value, GivenArg&& variable) {
    if constexpr (std::is_lvalue_reference_v<Arg> && !std::is_const_v<std::remove_reference_t<Arg>>) {
      static_assert(std::is_lvalue_reference_v<GivenArg&&> && !std::is_const_v<std::remove_reference_t<GivenArg>>,
                    "a by-reference event argument needs a variable");
      variable = FromValue<std::remove_cvref_t<Arg>>(value);
    }
  }

  template <class... Args, class... Given, std::size_t... I>
  void RaiseEventImpl(const EventDef<Args...>& event, std::index_sequence<I...>, Given&&... arguments) {
    std::array<Value, sizeof...(Args)> values{
        ValueTraits<std::remove_cvref_t<Args>>::To(arguments)...};
    Deliver(event.name, values);
    (ReadBack<Args>(values[I], std::forward<Given>(arguments)), ...);
  }

  std::vector<std::weak_ptr<EventSink>> sinks_;
};

template <class... Args, class... Given>
void Object::RaiseEvent(const EventDef<Args...>& event, Given&&... arguments) {
  static_assert(sizeof...(Args) == sizeof...(Given), "wrong number of event arguments");
  RaiseEventImpl(event, std::index_sequence_for<Args...>{}, std::forward<Given>(arguments)...);
}

}  // namespace vz
