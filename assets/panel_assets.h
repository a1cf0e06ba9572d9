// The pictures the panel is drawn with, built into the program as baseline JPEG data.
// Portable: no Windows headers, so the data can be checked by native tests too.
#pragma once

#include <cstddef>

struct EmbeddedJpeg {
    const unsigned char* data;
    std::size_t size;
};

// Background of the panel, 305 x 246 (the panel shows its top-left 304 x 245).
EmbeddedJpeg panelPictureJpeg();
// Background tile of the information line, 18 x 28, repeated over the whole label.
EmbeddedJpeg labelTileJpeg();
// Normal face of the rewrite button, 83 x 27 (the button shows its left 80 columns).
EmbeddedJpeg rewriteFaceJpeg();
// Face of the rewrite button while the pointer is over it, 83 x 27.
EmbeddedJpeg rewriteFaceHotJpeg();
