// vzed: the automation server daemon. See `vzed --help`.
#include <exception>
#include <iostream>

#include "daemon.hpp"
#include "options.hpp"

int main(int argc, char** argv) {
  const vzed::ParseResult parsed = vzed::ParseCommandLine(argc, argv);
  if (!parsed.options) return parsed.exitCode;
  try {
    vzed::Daemon daemon(*parsed.options);
    return daemon.Run();
  } catch (const std::exception& error) {
    std::cerr << "vzed: " << error.what() << "\n";
    return 1;
  }
}
