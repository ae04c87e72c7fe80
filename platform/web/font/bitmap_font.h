// A bitmap font as data: the glyphs of an X BDF font, turned into C++ by
// bdf_to_cpp.js (font_9x15.cpp, committed, from Debian's xfonts-base by
// make_font.sh).
#pragma once

#include <cstdint>

constexpr int BITMAP_FONT_GLYPHS = 256;  // character codes 0 to 255, ISO 8859-1

struct BitmapGlyph {
    int8_t advance;   // pixels the raster position moves right
    int8_t width;     // bitmap size, pixels
    int8_t height;
    int8_t xOffset;   // the bitmap's lower left relative to the raster position, pixels
    int8_t yOffset;
    uint16_t firstRow;  // index of its top row in `rows`
};

struct BitmapFont {
    BitmapGlyph glyphs[BITMAP_FONT_GLYPHS];
    const uint16_t* rows;  // one entry per bitmap row, leftmost pixel in bit 15
};

extern const BitmapFont font9x15;
