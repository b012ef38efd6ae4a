// A shared library with resources of its own, loaded by the resource tests.
#include "res/resources.h"

extern "C" __attribute__((visibility("default"))) int ResPluginAnswer() { return 42; }

// The library's own module, found from an address inside it.
extern "C" __attribute__((visibility("default"))) HMODULE ResPluginModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ResPluginAnswer), &module);
  return module;
}
