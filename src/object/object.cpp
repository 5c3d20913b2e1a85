#include "object/object.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "object/class_info.hpp"
#include "object/standard_errors.hpp"

namespace vz {

void Object::Advise(const std::shared_ptr<EventSink>& sink) {
  if (!Class().HasEvents()) RaiseStandardError(kErrMemberNotFound, Class().Name());
  std::erase_if(sinks_, [](const std::weak_ptr<EventSink>& s) { return s.expired(); });
  const bool advised = std::any_of(sinks_.begin(), sinks_.end(),
                                   [&](const std::weak_ptr<EventSink>& s) { return s.lock() == sink; });
  if (!advised) sinks_.push_back(sink);
}

void Object::Unadvise(const EventSink& sink) {
  std::erase_if(sinks_, [&](const std::weak_ptr<EventSink>& s) {
    const auto held = s.lock();
    return !held || held.get() == &sink;
  });
}

std::size_t Object::AdvisedSinkCount() const {
  return static_cast<std::size_t>(
      std::count_if(sinks_.begin(), sinks_.end(), [](const std::weak_ptr<EventSink>& s) { return !s.expired(); }));
}

void Object::Deliver(std::string_view eventName, std::span<Value> arguments) {
  const MemberInfo* event = Class().FindEvent(eventName);
  if (!event) throw std::logic_error(Class().Name() + " raises the undescribed event " + std::string(eventName));
  // A sink may advise or unadvise while it handles the event: walk a snapshot, and skip sinks
  // that left meanwhile. The object itself may lose its last outside reference in a handler.
  const ObjectRef keepAlive = weak_from_this().lock();
  const std::vector<std::weak_ptr<EventSink>> snapshot = sinks_;
  for (const std::weak_ptr<EventSink>& weak : snapshot) {
    const std::shared_ptr<EventSink> sink = weak.lock();
    if (!sink) continue;
    const bool stillAdvised = std::any_of(sinks_.begin(), sinks_.end(),
                                          [&](const std::weak_ptr<EventSink>& s) { return s.lock() == sink; });
    if (stillAdvised) sink->OnEvent(*this, *event, arguments);
  }
}

}  // namespace vz
