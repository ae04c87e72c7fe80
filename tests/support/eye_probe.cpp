// Preloaded into the program by end-to-end tests that measure turns: passes
// every gluLookAt on to GLU, and keeps the eye's position at the last drawn
// frame, with a count of drawn frames, in the file that MAREL_EYE_FILE names.
// The program itself prints nothing; this lets a test read the camera exactly.
#include "tests/support/eye_record.h"

#include <GL/glu.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace {

using LookAt = void (*)(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble);

int recordFile()
{
    const char* path = std::getenv("MAREL_EYE_FILE");
    return path != nullptr ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
}

}  // namespace

extern "C" void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
                          GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ)
{
    static const LookAt next = reinterpret_cast<LookAt>(dlsym(RTLD_NEXT, "gluLookAt"));
    static const int file = recordFile();
    static Eye record;
    ++record.frames;
    record.x = eyeX;
    record.y = eyeY;
    record.z = eyeZ;
    record.check = record.frames;
    if (file >= 0) {
        // One small write at the start of the file: a reader that sees the
        // frame count twice has a whole record.
        [[maybe_unused]] const ssize_t written = pwrite(file, &record, sizeof record, 0);
    }
    next(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
}
