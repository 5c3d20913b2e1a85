#include "server/exit_window.hpp"

#include <unistd.h>

#include <cstdlib>

#include "diagnostics/trace.hpp"

namespace vz {
namespace {

using namespace std::chrono_literals;

std::unique_ptr<frmExitProcess>& Window() {
  static std::unique_ptr<frmExitProcess> window;
  return window;
}

std::function<void(int)>& ExitAction() {
  static std::function<void(int)> exit = [](int code) { std::_Exit(code); };
  return exit;
}

}  // namespace

frmExitProcess& frmExitProcess::Load(Clock& clock) {
  auto& window = Window();
  if (!window) window = std::make_unique<frmExitProcess>(clock);
  return *window;
}

frmExitProcess* frmExitProcess::Loaded() { return Window().get(); }

void frmExitProcess::Unload() { Window().reset(); }

bool frmExitProcess::StartTimerFromOutside() {
  frmExitProcess* window = Loaded();
  if (!window) return false;
  window->Timer1().SetEnabled(true);
  return true;
}

void frmExitProcess::SetExitAction(std::function<void(int)> exit) {
  ExitAction() = exit ? std::move(exit) : [](int code) { std::_Exit(code); };
}

frmExitProcess::frmExitProcess(Clock& clock) : timer_(clock, 1000ms) {
  timer_.SetTickHandler([this] { Timer1_Timer(); });
}

std::int32_t frmExitProcess::hWnd() const { return static_cast<std::int32_t>(::getpid()); }

void frmExitProcess::Timer1_Timer() {
  timer_.SetEnabled(false);
  GlobalTrace("frmExitProcess.Timer1_Timer", "Exiting process.");
  ExitAction()(0);
}

}  // namespace vz
