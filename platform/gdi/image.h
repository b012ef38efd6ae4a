// Pictures: decoding the image files the system loads (BMP, JPEG, GIF, ICO, PNG) into
// surfaces, bitmaps from surfaces and bitmap resources, and PNG snapshots.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "gdi/gdi.h"

namespace nux::gdi {

enum class ImageFormat { Unknown, Bmp, Jpeg, Gif, Icon, Png };

// The format by the file's first bytes.
ImageFormat DetectImageFormat(const void* data, size_t size);

// Decodes a whole image file held in memory into `out` (top-down, 0xAARRGGBB, alpha not
// premultiplied). Transparent pixels (GIF transparency, icon masks, alpha) have alpha 0 and
// colour black; everything else is opaque unless the file has alpha of its own. A GIF gives
// its first frame; an icon file its image nearest to 32 x 32 with the most colours. Returns
// false for data that is not a picture of these formats or is damaged; `out` is then empty.
bool DecodeImage(const void* data, size_t size, Surface& out);

// One image of an icon or cursor file (the bytes an entry of its directory points at): a
// bitmap with its AND mask, or a PNG. With `inverseOpaque`, pixels that would invert the screen
// (masked out, with a colour) are opaque black, as a colour cursor cannot invert.
bool DecodeIconImage(const void* data, size_t size, Surface& out, bool inverseOpaque);

// A 32-bit bitmap holding a copy of `surface` (null for an empty surface).
HBITMAP CreateBitmapFromSurface(const Surface& surface);

// Writes the surface as an 8-bit RGB PNG (alpha dropped: windows are opaque). The file is
// written beside the target and renamed over it. False when it cannot be written.
bool WritePng(const Surface& surface, const std::string& linuxPath);
// The same with a Windows path of the platform layer.
bool WritePngW(const Surface& surface, std::u16string_view windowsPath);

// Reads a PNG file into a surface (for tests that check snapshots).
bool ReadPng(const std::string& linuxPath, Surface& out);

}  // namespace nux::gdi

// A bitmap resource of `instance` (by name or MAKEINTRESOURCE id) as a 32-bit bitmap; NULL
// with ERROR_RESOURCE_NAME_NOT_FOUND (or the resource layer's error) when there is none.
HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name);
HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);
#ifdef _UNICODE
#define LoadBitmap LoadBitmapW
#else
#define LoadBitmap LoadBitmapA
#endif
