// Loading of the transfer library at run time. The host names it "libcurl.dll"; on this system
// that name stands for the system's libcurl shared library, whose entry points are taken by
// name.
#pragma once

// Loads the library for the resolved path of "libcurl.dll" (or the bare name when the host
// folders hold none). Null when it can't be loaded.
void* LoadCurlLibrary(const char* path);
// An entry point by name; null when missing or when the library is null.
void* GetCurlProcAddress(void* library, const char* name);
void FreeCurlLibrary(void* library);

// The system library that "libcurl.dll" stands for: "libcurl.so.4" unless the environment
// variable NUX_CURL_LIBRARY or this call names another (empty restores the default).
void SetCurlSystemLibrary(const char* soname);
