// What the browser build is measured against, made by the native build: the
// driven pictures drawn by Mesa under a private Xvfb, written as binary PPMs
// (rows from the top), and the time one drawn cycle takes natively.
// Usage: web_reference PICTURE.ppm (the start view; the turned and raised
// views go beside it, as PICTURE-turned.ppm and PICTURE-raised.ppm)
// Prints the median of 200 drawn cycles (thirty display calls, the last
// drawing, glFinish and the swap included), in milliseconds.
#include "tests/support/open_window.h"
#include "tests/web/driven_picture.h"

#include "render/frame.h"

#include <GL/freeglut.h>  // glutExit() is freeglut's own

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int TIMED_CYCLES = 200;

bool writePicture(const char* path)
{
    Picture picture;
    try {
        picture = readWindow();
    } catch (const std::runtime_error&) {
        return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    std::fprintf(file, "P6\n%d %d\n255\n", picture.width, picture.height);
    for (const Rgb& c : picture.pixels) {
        const unsigned char rgb[3] = {static_cast<unsigned char>(c.r), static_cast<unsigned char>(c.g),
                                      static_cast<unsigned char>(c.b)};
        std::fwrite(rgb, 1, sizeof rgb, file);
    }
    return std::fclose(file) == 0;
}

double medianCycleMillis()
{
    std::vector<double> cycles;
    for (int cycle = 0; cycle < TIMED_CYCLES; ++cycle) {
        const auto start = std::chrono::steady_clock::now();
        for (int call = 0; call < RENDER_INTERVAL; ++call) {
            onDisplay();
        }
        cycles.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(cycles.begin(), cycles.begin() + TIMED_CYCLES / 2, cycles.end());
    return cycles[TIMED_CYCLES / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: web_reference PICTURE.ppm\n");
        return 2;
    }
    const auto server = openProgramWindow();
    // The start view's picture where asked; the turned and raised views'
    // beside it.
    const std::string start = argv[1];
    const std::string stem = start.size() > 4 && start.compare(start.size() - 4, 4, ".ppm") == 0
                                 ? start.substr(0, start.size() - 4)
                                 : start;
    bool written = true;
    const DrivenView views[] = {DrivenView::Start, DrivenView::Turned, DrivenView::Raised};
    for (const DrivenView view : views) {
        drawDrivenPicture(view);
        const int index = static_cast<int>(view);
        const std::string path = index == 0 ? start : stem + DRIVEN_VIEW_SUFFIXES[index] + ".ppm";
        written = writePicture(path.c_str()) && written;
    }
    drawDrivenPicture();
    const double cycle = medianCycleMillis();
    glutExit();
    if (!written) {
        std::fprintf(stderr, "web_reference: the window could not be read into %s or the pictures beside it\n", argv[1]);
        return 1;
    }
    std::printf("%.3f\n", cycle);
    return 0;
}
