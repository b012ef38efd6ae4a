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
#include "process/shell.h"

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

// ---- processes --------------------------------------------------------------------
#define STARTF_USESHOWWINDOW 0x00000001
#define STARTF_USESIZE 0x00000002
#define STARTF_USEPOSITION 0x00000004
#define STARTF_USESTDHANDLES 0x00000100
#define CREATE_NEW_CONSOLE 0x00000010
#define CREATE_NO_WINDOW 0x08000000
#define DETACHED_PROCESS 0x00000008
#define NORMAL_PRIORITY_CLASS 0x00000020

typedef struct _STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  BYTE* lpReserved2;
  HANDLE hStdInput, hStdOutput, hStdError;
} STARTUPINFOA, *LPSTARTUPINFOA;

typedef struct _STARTUPINFOW {
  DWORD cb;
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  BYTE* lpReserved2;
  HANDLE hStdInput, hStdOutput, hStdError;
} STARTUPINFOW, *LPSTARTUPINFOW;

typedef struct _PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;

// Starts a program. Its name is the application name when one is given, else the first argument
// of the command line (split as the C runtime splits it: blanks outside quotes, 2n backslashes
// before a quote stand for n). A name with a folder resolves through the platform's Windows
// paths against the current folder (or lpCurrentDirectory); a bare name is looked for in the
// program's folder, the current folder, the system and Windows folders and last among the
// platform's own programs (they lie beside the platform library: regsvr32). ".exe" is tried
// when the name has no extension.
// What the file is decides how it runs: a Linux executable runs directly (its arguments are the
// command line's other arguments, its working folder the current folder, and it shares the
// platform root); a Windows program (a file that begins with "MZ") goes to the Windows program
// runner (see nux::process below), and without one the start fails with ERROR_BAD_EXE_FORMAT.
// Errors: ERROR_FILE_NOT_FOUND (no such program), ERROR_DIRECTORY (a bad current folder),
// ERROR_BAD_EXE_FORMAT (neither kind, or no runner), ERROR_INVALID_PARAMETER (no name).
// The process handle is waitable (signalled when the process ends) and answers
// GetExitCodeProcess; the thread handle stands for its first thread and is signalled with it.
// Handles are not inherited and environments are not replaced: those parameters are ignored.
BOOL CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES lpProcessAttributes,
                    LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags,
                    LPVOID lpEnvironment, LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                    LPPROCESS_INFORMATION lpProcessInformation);
BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, LPSECURITY_ATTRIBUTES lpProcessAttributes,
                    LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags,
                    LPVOID lpEnvironment, LPCWSTR lpCurrentDirectory, LPSTARTUPINFOW lpStartupInfo,
                    LPPROCESS_INFORMATION lpProcessInformation);
// STILL_ACTIVE while the process runs; its exit status afterwards (a Linux process ended by a
// signal reports 128 + the signal's number).
BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode);
// Ends the process (SIGKILL for a Linux process); its exit code becomes uExitCode. A process that
// has ended already: FALSE with ERROR_ACCESS_DENIED, as on Windows.
BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode);
DWORD GetProcessId(HANDLE hProcess);
#ifdef _UNICODE
#define CreateProcess CreateProcessW
#define STARTUPINFO STARTUPINFOW
#else
#define CreateProcess CreateProcessA
#define STARTUPINFO STARTUPINFOA
#endif

// ---- debugger output --------------------------------------------------------------
// The platform's debugger output: standard error unless the environment variable
// NUX_DEBUG_OUTPUT or nux::process::SetDebugOutputFile names a file, to which each text is
// appended. Texts of several threads never mix.
void OutputDebugStringA(LPCSTR lpOutputString);  // Windows-1252, written as UTF-8
void OutputDebugStringW(LPCWSTR lpOutputString);
#ifdef _UNICODE
#define OutputDebugString OutputDebugStringW
#else
#define OutputDebugString OutputDebugStringA
#endif

namespace nux::process {

// Splits a command line into its arguments as the C runtime does for argv.
std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine);

// A program start as the platform passes it on to a runner or a shell handler.
struct ProgramStart {
  std::string program;                 // Linux path of the program file
  std::u16string windowsProgram;       // the same as a Windows path
  std::vector<std::string> arguments;  // the command line's arguments after the program's name (UTF-8)
  std::u16string commandLine;          // the whole command line as given
  std::string currentDirectory;        // Linux path of the working folder
  DWORD startupFlags = 0;              // STARTUPINFO dwFlags
  WORD showWindow = 0;                 // STARTUPINFO wShowWindow (SW_SHOWNORMAL when not given)
  DWORD creationFlags = 0;
};

// ---- configuration of the platform's outside world -----------------------------------------
// All of it lives here. Each setting is taken from its call when one was made, else from its
// environment variable.
//
// Windows programs: a function that stands for them (tests: it records the start and returns
// the exit code; it runs on a thread of its own, the process ends when it returns), or a command
// they are handed to (NUX_WINDOWS_RUNNER, e.g. "wine": the command's words, then the program's
// Linux path and its arguments). Neither: Windows programs cannot start.
using WindowsProgramRunner = std::function<DWORD(const ProgramStart& start)>;
void SetWindowsProgramRunner(WindowsProgramRunner runner);
void SetWindowsProgramCommand(std::vector<std::string> command);  // empty: back to the environment
// Forgets both calls (the environment decides again).
void ResetWindowsProgramRunner();

// The debugger output's file (empty: back to NUX_DEBUG_OUTPUT, else standard error).
void SetDebugOutputFile(const std::string& linuxPath);

}  // namespace nux::process
