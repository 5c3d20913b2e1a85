#include "platform/random_name.hpp"

#include <sys/random.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>

namespace vz::platform {

std::string RandomName() {
  std::uint64_t bits[2] = {0, 0};
  std::size_t got = 0;
  while (got < sizeof bits) {
    const ssize_t read = ::getrandom(reinterpret_cast<char*>(bits) + got, sizeof bits - got, 0);
    if (read < 0 && errno == EINTR) continue;
    if (read <= 0) break;
    got += static_cast<std::size_t>(read);
  }
  if (got < sizeof bits) {
    // A kernel without getrandom: the C++ library's own source of randomness.
    std::random_device device;
    bits[0] = (std::uint64_t{device()} << 32) | device();
    bits[1] = (std::uint64_t{device()} << 32) | device();
  }
  char text[33];
  std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(bits[0]),
                static_cast<unsigned long long>(bits[1]));
  return text;
}

}  // namespace vz::platform
