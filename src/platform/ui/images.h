#pragma once
// Bitmaps of the program, rendered from the SVG sources compiled in from
// src/resources (see resources.h).

#include <wx/bmpbndl.h>
#include <wx/iconbndl.h>

#include <string>

// name relative to src/resources, e.g. "toolbar/NEWU.svg"; an empty bundle
// when no such resource exists.
wxBitmapBundle svgBundle(const std::string& name, const wxSize& size);
// The window icon (icon.svg) at the usual sizes.
wxIconBundle programIcons();
// The splash and About picture, 357 x 198 pixels.
wxBitmap programPicture();
