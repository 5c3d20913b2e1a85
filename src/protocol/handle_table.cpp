#include "protocol/handle_table.hpp"

namespace vz::protocol {

std::int64_t HandleTable::HandleOf(const ObjectRef& object) {
  const auto known = handles_.find(object.get());
  if (known != handles_.end()) return known->second;
  const std::int64_t handle = next_++;
  objects_.emplace(handle, object);
  handles_.emplace(object.get(), handle);
  return handle;
}

ObjectRef HandleTable::Find(std::int64_t handle) const {
  const auto found = objects_.find(handle);
  return found == objects_.end() ? nullptr : found->second;
}

bool HandleTable::Release(std::int64_t handle) {
  const auto found = objects_.find(handle);
  if (found == objects_.end()) return false;
  // Erase before the object may die: its destructor could reach back into the table.
  const ObjectRef object = std::move(found->second);
  handles_.erase(object.get());
  objects_.erase(found);
  return true;
}

void HandleTable::Clear() {
  auto objects = std::move(objects_);
  objects_.clear();
  handles_.clear();
  objects.clear();
}

}  // namespace vz::protocol
