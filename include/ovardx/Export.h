#pragma once

// Symbols of the public API are exported from the shared library; everything
// else is built with hidden visibility.
#if defined(_WIN32)
#define OVARDX_EXPORT __declspec(dllexport)
#else
#define OVARDX_EXPORT __attribute__((visibility("default")))
#endif
