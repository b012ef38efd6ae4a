// The process base: the command line, process and thread ids, events and threads with the waits
// on them, and the processor's features.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "base/types.h"
#include "process/clock.h"
#include "process/waitable.h"

// ---- waits ------------------------------------------------------------------------
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_ABANDONED_0 0x00000080L
#define WAIT_TIMEOUT 258L
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)
#define MAXIMUM_WAIT_OBJECTS 64
#define STILL_ACTIVE 259L
#ifndef ERROR_TIMEOUT
#define ERROR_TIMEOUT 1460L
#endif

// Threads, events and (later) processes. WAIT_FAILED with ERROR_INVALID_HANDLE for a handle that
// is not waitable; timeouts are measured on the platform clock.
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds);

// ---- events -----------------------------------------------------------------------
// Names are ignored: every call makes a new event.
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName);
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName);
BOOL SetEvent(HANDLE hEvent);
BOOL ResetEvent(HANDLE hEvent);
#ifdef _UNICODE
#define CreateEvent CreateEventW
#else
#define CreateEvent CreateEventA
#endif

// ---- threads ----------------------------------------------------------------------
typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);
typedef LPTHREAD_START_ROUTINE PTHREAD_START_ROUTINE;
#define CREATE_SUSPENDED 0x00000004
#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_ERROR_RETURN (0x7fffffff)

// The handle is signalled when the routine has returned; its result is the exit code.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress,
                    LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId);
// Previous suspend count; a thread created with CREATE_SUSPENDED starts when it reaches 0.
// (DWORD)-1 for a handle that is no thread.
DWORD ResumeThread(HANDLE hThread);
// STILL_ACTIVE while the thread runs.
BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
DWORD GetThreadId(HANDLE hThread);
// Priorities are remembered, not applied.
BOOL SetThreadPriority(HANDLE hThread, int nPriority);
int GetThreadPriority(HANDLE hThread);

// ---- process and thread identity ---------------------------------------------------
DWORD GetCurrentProcessId();
// Small ids (multiples of 4, handed out from 4 on), stable for the life of a thread.
DWORD GetCurrentThreadId();
// Pseudo handles, as on Windows: (HANDLE)-1 and (HANDLE)-2.
HANDLE GetCurrentProcess();
HANDLE GetCurrentThread();

// ---- command line -----------------------------------------------------------------
// The command line of the process in Windows form: the program's path as a Windows path
// (quoted when it holds a blank), then the arguments, each quoted when it holds a blank or is
// empty (quotes and backslashes inside escaped as the C runtime reads them back). The pointer
// stays valid for the life of the process.
LPWSTR GetCommandLineW();
LPSTR GetCommandLineA();  // Windows-1252
#ifdef _UNICODE
#define GetCommandLine GetCommandLineW
#else
#define GetCommandLine GetCommandLineA
#endif

namespace nux::process {

// Replaces the command line GetCommandLineW/A return (hosts, tests).
void SetCommandLine(std::u16string commandLine);
// Back to the command line the process was started with.
void ResetCommandLine();
// One argument as it goes onto a command line (quoted when it holds a blank or tab or is empty).
std::u16string QuoteArgument(std::u16string_view argument);
// A command line from a program's Linux path and UTF-8 arguments, as GetCommandLineW builds it.
std::u16string BuildCommandLine(const std::string& programLinuxPath, const std::vector<std::string>& arguments);

}  // namespace nux::process

// ---- processor features ------------------------------------------------------------
#define PF_FLOATING_POINT_PRECISION_ERRATA 0
#define PF_FLOATING_POINT_EMULATED 1
#define PF_COMPARE_EXCHANGE_DOUBLE 2
#define PF_MMX_INSTRUCTIONS_AVAILABLE 3
#define PF_XMMI_INSTRUCTIONS_AVAILABLE 6
#define PF_3DNOW_INSTRUCTIONS_AVAILABLE 7
#define PF_RDTSC_INSTRUCTION_AVAILABLE 8
#define PF_PAE_ENABLED 9
#define PF_XMMI64_INSTRUCTIONS_AVAILABLE 10
#define PF_NX_ENABLED 12
#define PF_SSE3_INSTRUCTIONS_AVAILABLE 13
#define PF_COMPARE_EXCHANGE128 14
#define PF_XSAVE_ENABLED 17
#define PF_SSSE3_INSTRUCTIONS_AVAILABLE 36
#define PF_SSE4_1_INSTRUCTIONS_AVAILABLE 37
#define PF_SSE4_2_INSTRUCTIONS_AVAILABLE 38
#define PF_AVX_INSTRUCTIONS_AVAILABLE 39
#define PF_AVX2_INSTRUCTIONS_AVAILABLE 40

// Answers from the processor's CPUID (through the test override, when one is set); FALSE for a
// feature number it does not know.
BOOL IsProcessorFeaturePresent(DWORD ProcessorFeature);

// The CPUID instruction: info receives EAX, EBX, ECX, EDX of the given leaf (sub-leaf 0).
// Note: the compiler's <cpuid.h> defines a macro of the same name; a file that includes both
// must #undef __cpuid after <cpuid.h>.
void __cpuid(int info[4], int leaf);

namespace nux::process::testing {

// Lets a test pretend another processor: after the real instruction has filled the registers of
// a leaf, adjust may change them (e.g. clear EDX bit 26 of leaf 1 to take SSE2 away). An empty
// function switches the override off.
void SetCpuidOverride(std::function<void(int leaf, int info[4])> adjust);

}  // namespace nux::process::testing
