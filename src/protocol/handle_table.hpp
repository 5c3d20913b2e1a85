#pragma once
// The handles of one connection: positive integers naming the objects that crossed to the client.
// The same object always gets the same handle; a handle keeps its object alive until it is
// released or the connection ends.
#include <cstdint>
#include <unordered_map>

#include "object/object.hpp"

namespace vz::protocol {

class HandleTable {
 public:
  // The object's handle, giving it one when it has none yet.
  std::int64_t HandleOf(const ObjectRef& object);
  // The object, or null for an unknown handle.
  ObjectRef Find(std::int64_t handle) const;
  // False when the handle was not in use.
  bool Release(std::int64_t handle);
  void Clear();
  std::size_t Size() const { return objects_.size(); }

 private:
  std::int64_t next_ = 1;
  std::unordered_map<std::int64_t, ObjectRef> objects_;
  std::unordered_map<const Object*, std::int64_t> handles_;
};

}  // namespace vz::protocol
