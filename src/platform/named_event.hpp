#pragma once
// A named, auto-reset event shared between processes, standing in for the desktop's named event
// objects: a POSIX named semaphore kept at no more than one pending signal. Signal sets it; a waiter
// in another process consumes it.
#include <semaphore.h>

#include <string>

namespace vz::platform {

class NamedEvent {
 public:
  // Opens the event, creating it not signalled when it does not exist yet. Check `IsOpen`.
  explicit NamedEvent(std::string name);
  ~NamedEvent();
  NamedEvent(const NamedEvent&) = delete;
  NamedEvent& operator=(const NamedEvent&) = delete;

  bool IsOpen() const { return handle_ != SEM_FAILED; }
  const std::string& Name() const { return name_; }
  // Wakes one waiter (or the next one to wait); signalling a signalled event changes nothing.
  // False when the event is not open.
  bool Signal();
  // Consumes a pending signal without blocking; true when there was one.
  bool TryWait();

 private:
  std::string name_;
  sem_t* handle_ = SEM_FAILED;
};

}  // namespace vz::platform
