#include "platform/named_event.hpp"

#include <fcntl.h>

#include <utility>

namespace vz::platform {

NamedEvent::NamedEvent(std::string name) : name_(std::move(name)) {
  handle_ = ::sem_open(name_.c_str(), O_CREAT, 0600, 0);
}

NamedEvent::~NamedEvent() {
  if (IsOpen()) ::sem_close(handle_);
}

bool NamedEvent::Signal() {
  if (!IsOpen()) return false;
  // An auto-reset event holds at most one signal: a pending one is taken before posting, so
  // signalling twice leaves one, not two.
  while (::sem_trywait(handle_) == 0) {
  }
  return ::sem_post(handle_) == 0;
}

bool NamedEvent::TryWait() { return IsOpen() && ::sem_trywait(handle_) == 0; }

}  // namespace vz::platform
