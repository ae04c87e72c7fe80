// The text overlay stream.
#include "overlay/text_overlay.h"

#include "platform/gl_headers.h"

#include <algorithm>
#include <iterator>
#include <string_view>

TextOverlay textOverlay;

void resetTextOverlayForTesting()
{
    // Rewound, not emptied: the buffer keeps its size, as render() leaves it.
    textOverlay.clear();
    textOverlay.seekp(0);
    textOverlay.x = textOverlay.y = 0;
    textOverlay.fontIndex = 0;
    textOverlay.lineSpacing = 1.0f;
    std::fill(std::begin(textOverlay.colour), std::end(textOverlay.colour), 1.0f);
}

TextOverlay::TextOverlay()
    : fontHandle{GLUT_BITMAP_9_BY_15, GLUT_BITMAP_8_BY_13, GLUT_BITMAP_TIMES_ROMAN_10, GLUT_BITMAP_TIMES_ROMAN_24,
                 GLUT_BITMAP_HELVETICA_10, GLUT_BITMAP_HELVETICA_12, GLUT_BITMAP_HELVETICA_18},
      fontHeight{15, 13, 10, 24, 10, 12, 18}
{
}

void TextOverlay::resize(int newWidth, int newHeight)
{
    width = newWidth;
    height = newHeight;
}

void TextOverlay::begin2D()
{
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // One unit per pixel, origin at the window's lower left.
    glOrtho(0.0, width, 0.0, height, -2.0, 2.0);
    glColor4fv(colour);
    glRasterPos2i(x, y);
}

void TextOverlay::setColor(float r, float g, float b, float a)
{
    colour[0] = r;
    colour[1] = g;
    colour[2] = b;
    colour[3] = a;
    glColor4fv(colour);
}

void TextOverlay::setPosition(int newX, int newY)
{
    x = newX;
    y = newY;
    // The raster position latches the current colour, so set the colour first.
    glColor4fv(colour);
    glRasterPos2i(x, y);
}

void TextOverlay::render()
{
    // Terminate what was written since the last rewind. The buffer is only
    // ever overwritten from the start, so older, longer text may follow the
    // terminator; it is not drawn.
    put('\0');
#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 17000
    // libc++ before 17 (Debian 12's Emscripten has 13) has no view(): the same characters,
    // read in place from the buffer, still without a copy.
    struct BufferAccess : std::stringbuf {
        static std::string_view written(std::stringbuf& buffer)
        {
            char* (std::stringbuf::*const start)() const = &BufferAccess::pbase;
            char* (std::stringbuf::*const end)() const = &BufferAccess::pptr;
            return std::string_view((buffer.*start)(), static_cast<std::size_t>((buffer.*end)() - (buffer.*start)()));
        }
    };
    std::string_view text = BufferAccess::written(*rdbuf());
#else
    std::string_view text = view();
#endif
    text = text.substr(0, text.find('\0'));

    for (const char character : text) {
        if (character == '\n') {
            y = static_cast<int32_t>(static_cast<float>(y) - static_cast<float>(fontHeight[fontIndex]) * lineSpacing);
            glColor4fv(colour);
            glRasterPos2i(x, y);
        } else {
            // As an unsigned byte: the fonts cover 1 to 255, and a plain char
            // would hand bytes above 127 over as negative numbers, which the
            // toolkit drops.
            glutBitmapCharacter(fontHandle[fontIndex], static_cast<unsigned char>(character));
        }
    }

    // Rewind without emptying: the next text overwrites this one, and the
    // buffer keeps its size, so a steady text never allocates.
    seekp(0);
}

void TextOverlay::end2D()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glEnable(GL_LIGHTING);
}
