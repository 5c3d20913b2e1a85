#include "protocol/handle_table.hpp"

namespace vz::protocol {

std::int64_t HandleTable::HandleOf(const ObjectRef& object) {
  const auto known = handles_.find(object.get());
  if (known != handles_.end()) {
    ++objects_[known->second].handedOut;
    return known->second;
  }
  const std::int64_t handle = next_++;
  objects_.emplace(handle, Entry{object, 1});
  handles_.emplace(object.get(), handle);
  return handle;
}

ObjectRef HandleTable::Find(std::int64_t handle) const {
  const auto found = objects_.find(handle);
  return found == objects_.end() ? nullptr : found->second.object;
}

HandleTable::ReleaseResult HandleTable::Release(std::int64_t handle, std::optional<std::uint64_t> seen) {
  const auto found = objects_.find(handle);
  if (found == objects_.end()) return ReleaseResult::kUnknown;
  if (seen && found->second.handedOut > *seen) return ReleaseResult::kStillHeld;
  // Erase before the object may die: its destructor could reach back into the table.
  const ObjectRef object = std::move(found->second.object);
  handles_.erase(object.get());
  objects_.erase(found);
  return ReleaseResult::kReleased;
}

void HandleTable::Clear() {
  auto objects = std::move(objects_);
  objects_.clear();
  handles_.clear();
  objects.clear();
}

}  // namespace vz::protocol
