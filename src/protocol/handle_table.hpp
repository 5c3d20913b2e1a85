#pragma once
// The handles of one connection: positive integers naming the objects that crossed to the client.
// The same object always gets the same handle; a handle keeps its object alive until it is
// released or the connection ends.
//
// The table counts how often each handle has been handed out. A client that releases a handle
// may say how often it has received it: a release that crossed a message still carrying the
// handle (an event raised meanwhile) then leaves the handle alone, for the proxy that message
// made on the client's side.
#include <cstdint>
#include <optional>
#include <unordered_map>

#include "object/object.hpp"

namespace vz::protocol {

class HandleTable {
 public:
  // The object's handle for a message to the client, giving it one when it has none yet.
  std::int64_t HandleOf(const ObjectRef& object);
  // The object, or null for an unknown handle.
  ObjectRef Find(std::int64_t handle) const;
  enum class ReleaseResult { kReleased, kStillHeld, kUnknown };
  // Releases the handle, unless it has been handed out more than `seen` times.
  ReleaseResult Release(std::int64_t handle, std::optional<std::uint64_t> seen = std::nullopt);
  void Clear();
  std::size_t Size() const { return objects_.size(); }

 private:
  std::int64_t next_ = 1;
  struct Entry {
    ObjectRef object;
    std::uint64_t handedOut = 0;
  };
  std::unordered_map<std::int64_t, Entry> objects_;
  std::unordered_map<const Object*, std::int64_t> handles_;
};

}  // namespace vz::protocol
