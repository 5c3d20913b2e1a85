#pragma once
// The most heap a piece of code holds at once beyond what was held when it started, counted
// through the sanitizer allocator's hooks (the tests run under AddressSanitizer). Every thread's
// allocations count, so measure code that runs alone. Without the sanitizer nothing is counted:
// HeapPeak::Counted() is false and the test skips its check.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#define VZ_HEAP_PEAK 1
// The sanitizer runtime's allocator interface (its header is not installed with every compiler).
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*, std::size_t),
                                              void (*freeHook)(const volatile void*));
int __sanitizer_get_ownership(const volatile void* block);
std::size_t __sanitizer_get_allocated_size(const volatile void* block);
}
#endif

namespace vz::testing {

class HeapPeak {
 public:
  static bool Counted() {
#ifdef VZ_HEAP_PEAK
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(&OnMalloc, &OnFree) != 0;
    return installed;
#else
    return false;
#endif
  }

  // Runs `body` and returns the most bytes it held at once.
  template <class Body>
  static std::int64_t Of(Body&& body) {
    const bool counted = Counted();
    Held() = 0;
    Peak() = 0;
    Watching() = counted;
    body();
    Watching() = false;
    return Peak();
  }

 private:
  static std::atomic<bool>& Watching() {
    static std::atomic<bool> watching{false};
    return watching;
  }
  static std::atomic<std::int64_t>& Held() {
    static std::atomic<std::int64_t> held{0};
    return held;
  }
  static std::atomic<std::int64_t>& Peak() {
    static std::atomic<std::int64_t> peak{0};
    return peak;
  }

#ifdef VZ_HEAP_PEAK
  static void OnMalloc(const volatile void*, std::size_t size) {
    if (!Watching()) return;
    const std::int64_t now = Held() += static_cast<std::int64_t>(size);
    std::int64_t peak = Peak();
    while (now > peak && !Peak().compare_exchange_weak(peak, now)) {
    }
  }
  // Called before the block is freed: its size can still be asked.
  static void OnFree(const volatile void* block) {
    if (!Watching() || block == nullptr) return;
    if (__sanitizer_get_ownership(block)) Held() -= static_cast<std::int64_t>(__sanitizer_get_allocated_size(block));
  }
#endif
};

}  // namespace vz::testing
