#pragma once
// frmExitProcess: the exit window. Loaded on demand, it holds one timer (Timer1, 1000 ms, off).
// Nothing in the server starts the timer: a party outside the process does, by sending SIGUSR1 to
// the process whose id the window handle is (the daemon routes the signal to StartTimerFromOutside).
// When the timer fires the process ends at once with exit code 0, without any further clean-up.
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/clock.hpp"
#include "platform/timer.hpp"

namespace vz {

class frmExitProcess {
 public:
  static constexpr std::string_view kCaption = "Penwright MT - Exit Process";

  // The loaded window, loading it on the given clock first if needed.
  static frmExitProcess& Load(Clock& clock);
  // The loaded window, or null.
  static frmExitProcess* Loaded();
  static void Unload();
  // Starts Timer1 when the window is loaded; false when it is not.
  static bool StartTimerFromOutside();

  // How the process ends; tests replace it. The default is std::_Exit.
  static void SetExitAction(std::function<void(int)> exit);

  explicit frmExitProcess(Clock& clock);
  // The window handle: the process id, the address an outside party sends its signal to.
  std::int32_t hWnd() const;
  Timer& Timer1() { return timer_; }
  void Timer1_Timer();

 private:
  Timer timer_;
};

}  // namespace vz
