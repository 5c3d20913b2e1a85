#include "platform/fatal_signals.hpp"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <filesystem>
#include <fstream>

namespace vz::platform {
namespace {

constexpr std::array kFatalSignals{SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS};

// Everything the handler reads is prepared beforehand: a signal handler may not allocate.
struct ReporterState {
  char prefix[4096] = {};       // "<folder>/Crash_<application>_"
  char application[256] = {};
  char terminateReason[512] = {};
  volatile sig_atomic_t installed = 0;
  volatile sig_atomic_t reporting = 0;
};
ReporterState reporter;

// Appends text to a fixed buffer, never past its end.
struct Line {
  char text[1024];
  size_t size = 0;
  Line& operator<<(const char* s) {
    while (s && *s && size + 1 < sizeof text) text[size++] = *s++;
    return *this;
  }
  Line& Number(unsigned long value, unsigned base = 10) {
    char digits[32];
    int n = 0;
    do {
      digits[n++] = "0123456789abcdef"[value % base];
      value /= base;
    } while (value != 0 && n < 32);
    while (n > 0 && size + 1 < sizeof text) text[size++] = digits[--n];
    return *this;
  }
  void WriteTo(int fd) const {
    size_t done = 0;
    while (done < size) {
      const ssize_t wrote = ::write(fd, text + done, size - done);
      if (wrote <= 0) return;
      done += static_cast<size_t>(wrote);
    }
  }
};

const char* SignalName(int signal) {
  switch (signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    case SIGSYS: return "SIGSYS";
    default: return "signal";
  }
}

void WriteReport(int signal, const siginfo_t* info) {
  Line path;
  path << reporter.prefix;
  path.Number(static_cast<unsigned long>(::getpid())) << "_";
  path.Number(static_cast<unsigned long>(::time(nullptr))) << ".txt";
  path.text[path.size] = '\0';
  const int fd = ::open(path.text, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return;
  Line head;
  head << "Crash report\nApplication: " << reporter.application << "\nProcess: ";
  head.Number(static_cast<unsigned long>(::getpid())) << "\nSignal: ";
  head.Number(static_cast<unsigned long>(signal)) << " (" << SignalName(signal) << ")\n";
  if (info != nullptr && signal != SIGABRT) {
    head << "Address: 0x";
    head.Number(reinterpret_cast<unsigned long>(info->si_addr), 16) << "\n";
  }
  if (reporter.terminateReason[0] != '\0') head << "Uncaught exception: " << reporter.terminateReason << "\n";
  head << "Backtrace:\n";
  head.WriteTo(fd);
  void* frames[64];
  const int count = ::backtrace(frames, 64);
  ::backtrace_symbols_fd(frames, count, fd);
  ::close(fd);
}

void OnFatalSignal(int signal, siginfo_t* info, void*) {
  if (reporter.reporting == 0) {
    reporter.reporting = 1;
    WriteReport(signal, info);
  }
  // Let the signal do what it would have done without us.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  ::sigemptyset(&fallback.sa_mask);
  ::sigaction(signal, &fallback, nullptr);
  ::raise(signal);
}

void OnTerminate() {
  const char* what = "unknown exception";
  try {
    if (const auto current = std::current_exception()) std::rethrow_exception(current);
    what = "std::terminate without an exception";
  } catch (const std::exception& error) {
    std::strncpy(reporter.terminateReason, error.what(), sizeof reporter.terminateReason - 1);
    what = nullptr;
  } catch (...) {
  }
  if (what != nullptr) std::strncpy(reporter.terminateReason, what, sizeof reporter.terminateReason - 1);
  std::abort();
}

void CopyBounded(char* target, size_t capacity, const std::string& text) {
  const size_t size = std::min(text.size(), capacity - 1);
  std::memcpy(target, text.data(), size);
  target[size] = '\0';
}

}  // namespace

void InstallCrashReporter(const std::string& folder, const std::string& applicationName, bool uncaughtExceptions) {
  std::error_code ignored;
  if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
  std::string name = applicationName.empty() ? std::string("process") : applicationName;
  for (char& c : name) {
    if (c == '/' || c == ' ') c = '_';
  }
  CopyBounded(reporter.prefix, sizeof reporter.prefix, (folder.empty() ? std::string(".") : folder) + "/Crash_" + name + "_");
  CopyBounded(reporter.application, sizeof reporter.application, applicationName);
  if (reporter.installed != 0) {
    if (uncaughtExceptions) std::set_terminate(OnTerminate);
    return;
  }
  // backtrace loads its unwinder on first use, which allocates: do that now, not in the handler.
  void* warmUp[4];
  ::backtrace(warmUp, 4);

  static std::array<char, 64 * 1024> alternateStack;
  stack_t stack{};
  stack.ss_sp = alternateStack.data();
  stack.ss_size = alternateStack.size();
  ::sigaltstack(&stack, nullptr);

  struct sigaction action {};
  action.sa_sigaction = OnFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  ::sigemptyset(&action.sa_mask);
  for (const int signal : kFatalSignals) ::sigaction(signal, &action, nullptr);
  if (uncaughtExceptions) std::set_terminate(OnTerminate);
  reporter.installed = 1;
}

bool CrashReporterInstalled() { return reporter.installed != 0; }

int CrashProcessesNamed(std::string_view processName) {
  if (processName.empty()) return 0;
  const std::string_view wanted = processName.substr(0, 15);  // the kernel keeps 15 characters
  const uid_t me = ::getuid();
  const pid_t self = ::getpid();
  bool crashSelf = false;
  int sent = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string pidText = entry.path().filename().string();
    if (pidText.empty() || pidText.find_first_not_of("0123456789") != std::string::npos) continue;
    struct stat owner {};
    if (::stat(entry.path().c_str(), &owner) != 0 || owner.st_uid != me) continue;
    std::ifstream comm(entry.path() / "comm");
    std::string name;
    if (!std::getline(comm, name) || name != wanted) continue;
    const pid_t pid = static_cast<pid_t>(std::strtol(pidText.c_str(), nullptr, 10));
    if (pid == self) {
      crashSelf = true;  // last, once the others have been sent theirs
      continue;
    }
    if (::kill(pid, SIGSEGV) == 0) ++sent;
  }
  if (crashSelf) {
    ::raise(SIGSEGV);
    ++sent;
  }
  return sent;
}

}  // namespace vz::platform
