#include "alloc_hook.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define NUX_ALLOC_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NUX_ALLOC_ASAN 1
#endif
#endif

#ifdef NUX_ALLOC_ASAN
// The sanitizer runtime's allocation statistics and hooks.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, size_t),
                                                          void (*onFree)(const volatile void*));
#endif

namespace {

std::atomic<size_t> g_live{0};      // bytes held through operator new
std::atomic<size_t> g_budget{SIZE_MAX};
std::atomic<size_t> g_base{0};
std::atomic<size_t> g_peak{0};

size_t Held() {
#ifdef NUX_ALLOC_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  return g_live.load(std::memory_order_relaxed);
#endif
}

void NotePeak() {
  const size_t now = Held();
  size_t peak = g_peak.load(std::memory_order_relaxed);
  while (now > peak && !g_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
}

#ifdef NUX_ALLOC_ASAN
void OnMalloc(const volatile void*, size_t) { NotePeak(); }
void OnFree(const volatile void*) {}
struct InstallHooks {
  InstallHooks() { __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree); }
} g_install;
#endif

void* Allocate(size_t n, size_t align, bool nothrow) {
  if (n == 0) n = 1;
  if (n > g_budget.load(std::memory_order_relaxed) - std::min(g_live.load(std::memory_order_relaxed),
                                                               g_budget.load(std::memory_order_relaxed))) {
    if (nothrow) return nullptr;
    throw std::bad_alloc();
  }
  void* p = align > alignof(std::max_align_t) ? std::aligned_alloc(align, (n + align - 1) / align * align)
                                              : std::malloc(n);
  if (!p) {
    if (nothrow) return nullptr;
    throw std::bad_alloc();
  }
  g_live.fetch_add(malloc_usable_size(p), std::memory_order_relaxed);
  NotePeak();
  return p;
}

void Release(void* p) {
  if (!p) return;
  g_live.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
  std::free(p);
}

}  // namespace

namespace alloctest {

void SetBudget(size_t bytes) { g_budget.store(bytes == SIZE_MAX ? SIZE_MAX : g_live.load() + bytes); }
Budget::~Budget() { SetBudget(SIZE_MAX); }
void ResetPeak() {
  const size_t now = Held();
  g_base.store(now);
  g_peak.store(now);
}
size_t PeakSinceReset() {
  const size_t peak = g_peak.load(), base = g_base.load();
  return peak > base ? peak - base : 0;
}
bool PeakCountsMalloc() {
#ifdef NUX_ALLOC_ASAN
  return true;
#else
  return false;
#endif
}

}  // namespace alloctest

void* operator new(size_t n) { return Allocate(n, 0, false); }
void* operator new[](size_t n) { return Allocate(n, 0, false); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return Allocate(n, 0, true); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return Allocate(n, 0, true); }
void* operator new(size_t n, std::align_val_t a) { return Allocate(n, size_t(a), false); }
void* operator new[](size_t n, std::align_val_t a) { return Allocate(n, size_t(a), false); }
void* operator new(size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return Allocate(n, size_t(a), true); }
void* operator new[](size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
  return Allocate(n, size_t(a), true);
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
