// The processor's features, from the CPUID instruction.
#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define NUX_HAVE_CPUID 1
#endif

#include <mutex>

namespace {

void RealCpuid(int info[4], int leaf, int subleaf) {
#ifdef NUX_HAVE_CPUID
  unsigned a = 0, b = 0, c = 0, d = 0;
  __cpuid_count(unsigned(leaf), unsigned(subleaf), a, b, c, d);
  info[0] = int(a);
  info[1] = int(b);
  info[2] = int(c);
  info[3] = int(d);
#else
  (void)leaf;
  (void)subleaf;
  info[0] = info[1] = info[2] = info[3] = 0;
#endif
}

}  // namespace

// <cpuid.h> defines a macro of this name; ours is the function the system calls.
#undef __cpuid

#include "process/process.h"

namespace {

std::mutex g_overrideMutex;
std::function<void(int, int*)> g_override;

void Cpuid(int info[4], int leaf, int subleaf) {
  RealCpuid(info, leaf, subleaf);
  std::lock_guard<std::mutex> lock(g_overrideMutex);
  if (g_override) g_override(leaf, info);
}

bool Bit(int reg, int bit) { return (unsigned(reg) >> bit) & 1u; }

}  // namespace

void __cpuid(int info[4], int leaf) { Cpuid(info, leaf, 0); }

namespace nux::process::testing {

void SetCpuidOverride(std::function<void(int leaf, int info[4])> adjust) {
  std::lock_guard<std::mutex> lock(g_overrideMutex);
  g_override = std::move(adjust);
}

}  // namespace nux::process::testing

BOOL IsProcessorFeaturePresent(DWORD ProcessorFeature) {
  int leaf0[4];
  Cpuid(leaf0, 0, 0);
  const int maxLeaf = leaf0[0];
  int l1[4] = {0, 0, 0, 0};
  int l7[4] = {0, 0, 0, 0};
  int e1[4] = {0, 0, 0, 0};
  if (maxLeaf >= 1) Cpuid(l1, 1, 0);
  if (maxLeaf >= 7) Cpuid(l7, 7, 0);
  int ext[4];
  Cpuid(ext, int(0x80000000u), 0);
  if (unsigned(ext[0]) >= 0x80000001u) Cpuid(e1, int(0x80000001u), 0);
  const int ecx = l1[2], edx = l1[3];
  switch (ProcessorFeature) {
    case PF_FLOATING_POINT_PRECISION_ERRATA:
    case PF_FLOATING_POINT_EMULATED:
      return FALSE;
    case PF_COMPARE_EXCHANGE_DOUBLE:
      return Bit(edx, 8);
    case PF_MMX_INSTRUCTIONS_AVAILABLE:
      return Bit(edx, 23);
    case PF_XMMI_INSTRUCTIONS_AVAILABLE:
      return Bit(edx, 25);
    case PF_3DNOW_INSTRUCTIONS_AVAILABLE:
      return Bit(e1[3], 31);
    case PF_RDTSC_INSTRUCTION_AVAILABLE:
      return Bit(edx, 4);
    case PF_PAE_ENABLED:
      return Bit(edx, 6);
    case PF_XMMI64_INSTRUCTIONS_AVAILABLE:
      return Bit(edx, 26);
    case PF_NX_ENABLED:
      return Bit(e1[3], 20);
    case PF_SSE3_INSTRUCTIONS_AVAILABLE:
      return Bit(ecx, 0);
    case PF_COMPARE_EXCHANGE128:
      return Bit(ecx, 13);
    case PF_XSAVE_ENABLED:
      return Bit(ecx, 26) && Bit(ecx, 27);
    case PF_SSSE3_INSTRUCTIONS_AVAILABLE:
      return Bit(ecx, 9);
    case PF_SSE4_1_INSTRUCTIONS_AVAILABLE:
      return Bit(ecx, 19);
    case PF_SSE4_2_INSTRUCTIONS_AVAILABLE:
      return Bit(ecx, 20);
    case PF_AVX_INSTRUCTIONS_AVAILABLE:
      return Bit(ecx, 28) && Bit(ecx, 27);
    case PF_AVX2_INSTRUCTIONS_AVAILABLE:
      return Bit(l7[1], 5) && Bit(ecx, 28);
    default:
      return FALSE;
  }
}
