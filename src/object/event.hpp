#pragma once
// Events: what a class declares it raises, and the sink that hears them.
//
// A class declares each event once as a typed constant and describes it to its class builder:
//
//   static constexpr vz::EventDef<std::shared_ptr<clsDatabaseRequest>, bool&> kDatabaseRequestComplete{
//       "DatabaseRequestComplete", {"objDatabaseRequest", "bReceived"}};
//   ...
//   bool received = false;
//   RaiseEvent(kDatabaseRequestComplete, request, received);  // `received` as the sinks left it
//
// An argument type that is a non-const lvalue reference is a by-reference argument: sinks may
// change it, and the raiser reads it back when every sink has returned.
#include <array>
#include <span>
#include <string_view>

#include "object/value.hpp"

namespace vz {

struct MemberInfo;
class Object;

template <class... Args>
struct EventDef {
  std::string_view name;
  std::array<std::string_view, sizeof...(Args)> argumentNames;
};

// Hears the events of the objects it is advised to. Called synchronously on the loop thread, in
// the order the sinks advised; `arguments` are the event's values as the previous sink left them,
// and changes to by-reference ones (flagged in `event.arguments`) reach the raiser. A sink that
// throws ends the raising: the error reaches the code that raised the event.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void OnEvent(Object& source, const MemberInfo& event, std::span<Value> arguments) = 0;
};

}  // namespace vz
