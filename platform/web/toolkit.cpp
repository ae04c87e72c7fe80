// The toolkit's part in the browser: the page's canvas as the window, the
// browser's input as GLUT callbacks, Pointer Lock as the captured pointer, and
// the animation frame as the pace. Events are queued by the browser's handlers
// and delivered at the start of the next animation frame, never from inside
// a handler; idle calls then run until the frame's buffer swap.
#include "platform/web/gl.h"
#include "platform/web/gl_layer.h"

#include "platform/web/webgl.h"

#include <emscripten.h>
#include <emscripten/html5.h>

namespace {

constexpr const char* CANVAS = "#canvas";
constexpr int CANVAS_SIZE = 500;   // CSS pixels, and pixels of the drawing buffer at any pixel ratio
constexpr int IDLE_CALLS_PER_FRAME_CAP = 300;  // ten drawn frames' worth: no burst after a pause
constexpr int EVENT_QUEUE_LENGTH = 256;
constexpr int ESCAPE = 27;

struct Callbacks {
    void (*display)() = nullptr;
    void (*idle)() = nullptr;
    void (*reshape)(int, int) = nullptr;
    void (*keyboard)(unsigned char, int, int) = nullptr;
    void (*mouse)(int, int, int, int) = nullptr;
    void (*motion)(int, int) = nullptr;
    void (*passiveMotion)(int, int) = nullptr;
    void (*entry)(int) = nullptr;
};
Callbacks callbacks;

enum class EventKind { Motion, Button, Key, Entry };

struct Event {
    EventKind kind;
    int a;  // x, button, key or entry state
    int b;  // y or button state
};

Event queue[EVENT_QUEUE_LENGTH];
int queued = 0;

int initWidth = 300;  // GLUT's default window size
int initHeight = 300;
bool haveWebGL = false;
bool started = false;
bool swapped = false;

// The pointer as last reported to the program, in window pixels: while the
// pointer is locked it exists only as this sum of movements and warps.
int reportedX = 0;
int reportedY = 0;
bool locked = false;
bool lockRefused = false;  // refused or unavailable: positions as on a desktop that drops warps
bool buttonDown[3] = {false, false, false};

void push(EventKind kind, int a, int b)
{
    if (queued < EVENT_QUEUE_LENGTH) {
        queue[queued++] = Event{kind, a, b};
    }
}

bool anyButtonDown()
{
    return buttonDown[0] || buttonDown[1] || buttonDown[2];
}

void reportAt(int x, int y)
{
    reportedX = x;
    reportedY = y;
    push(EventKind::Motion, x, y);
}

// No button-up may be lost while the lock changes, the page loses focus or
// the tab is hidden: the camera would keep moving.
void releaseButtons()
{
    for (int button = 0; button < 3; ++button) {
        if (buttonDown[button]) {
            buttonDown[button] = false;
            push(EventKind::Button, button, GLUT_UP);
        }
    }
}

EM_BOOL onMouseMove(int, const EmscriptenMouseEvent* e, void*)
{
    if (locked) {
        reportAt(reportedX + static_cast<int>(e->movementX), reportedY + static_cast<int>(e->movementY));
    } else {
        reportAt(static_cast<int>(e->targetX), static_cast<int>(e->targetY));
    }
    return EM_TRUE;
}

// Asks for the lock; false when the browser refuses at once. A frame that may
// not lock the pointer throws, and newer browsers return a promise that is
// rejected on refusal: neither may reach the page as an error, as the
// refusal also comes as a pointerlockerror event.
EM_JS(int, requestCanvasLock, (), {
    var canvas = Module['canvas'];
    if (!canvas.requestPointerLock) return 0;
    try {
        var promise = canvas.requestPointerLock();
        if (promise && promise.catch) promise.catch(function() {});
        return 1;
    } catch (e) {
        return 0;
    }
});

EM_BOOL onMouseDown(int, const EmscriptenMouseEvent* e, void*)
{
    if (!locked) {
        // The capturing click asks for the lock and does nothing else. Once
        // the lock has been refused, clicks still ask (the refusal may have
        // been only for the moment, as just after the user left the lock),
        // but also press their button, as on a desktop.
        const bool asked = requestCanvasLock() != 0;
        if (asked && !lockRefused) {
            return EM_TRUE;
        }
        lockRefused = true;
    }
    if (e->button <= 2) {
        buttonDown[e->button] = true;
        push(EventKind::Button, e->button, GLUT_DOWN);
    }
    return EM_TRUE;
}

EM_BOOL onMouseUp(int, const EmscriptenMouseEvent* e, void*)
{
    if (e->button <= 2 && buttonDown[e->button]) {
        buttonDown[e->button] = false;
        push(EventKind::Button, e->button, GLUT_UP);
    }
    return EM_TRUE;
}

EM_BOOL onMouseEnter(int, const EmscriptenMouseEvent*, void*)
{
    if (!locked) {
        push(EventKind::Entry, GLUT_ENTERED, 0);
    }
    return EM_FALSE;
}

EM_BOOL onPointerLockChange(int, const EmscriptenPointerlockChangeEvent* e, void*)
{
    releaseButtons();
    locked = e->isActive != 0;
    if (locked) {
        lockRefused = false;
    }
    return EM_FALSE;
}

EM_BOOL onPointerLockError(int, const void*, void*)
{
    lockRefused = true;
    return EM_FALSE;
}

EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* e, void*)
{
    if (e->keyCode == ESCAPE) {
        push(EventKind::Key, ESCAPE, 0);
        return EM_TRUE;
    }
    // A printable character; the others (function keys, reload) stay the browser's.
    if (e->key[0] != '\0' && e->key[1] == '\0') {
        push(EventKind::Key, static_cast<unsigned char>(e->key[0]), 0);
    }
    return EM_FALSE;
}

EM_BOOL onBlur(int, const EmscriptenFocusEvent*, void*)
{
    releaseButtons();
    return EM_FALSE;
}

EM_BOOL onVisibilityChange(int, const EmscriptenVisibilityChangeEvent*, void*)
{
    releaseButtons();
    return EM_FALSE;
}

void deliverQueued()
{
    // Warps reported while delivering are queued behind and delivered here too.
    for (int i = 0; i < queued; ++i) {
        const Event e = queue[i];
        switch (e.kind) {
        case EventKind::Motion:
            if (anyButtonDown() ? callbacks.motion : callbacks.passiveMotion) {
                (anyButtonDown() ? callbacks.motion : callbacks.passiveMotion)(e.a, e.b);
            }
            break;
        case EventKind::Button:
            if (callbacks.mouse) {
                callbacks.mouse(e.a, e.b, reportedX, reportedY);
            }
            break;
        case EventKind::Key:
            if (callbacks.keyboard) {
                callbacks.keyboard(static_cast<unsigned char>(e.a), reportedX, reportedY);
            }
            break;
        case EventKind::Entry:
            if (callbacks.entry) {
                callbacks.entry(e.a);
            }
            break;
        }
    }
    queued = 0;
}

// The page's end of the program's exit: the loop below stops for good on
// the exit status thrown by exit(), and the page shows its line.
EM_JS(void, startAnimationLoop, (), {
    function tick() {
        try {
            Module['_marelWebFrame']();
        } catch (e) {
            if (e && e.name === 'ExitStatus') {
                if (Module['marelEnded']) Module['marelEnded'](e.status);
                return;
            }
            throw e;
        }
        requestAnimationFrame(tick);
    }
    requestAnimationFrame(tick);
});

EM_JS(void, setPageTitle, (const char* title), { document.title = UTF8ToString(title); });
EM_JS(void, setCanvasCursor, (int hidden), { Module['canvas'].style.cursor = hidden ? 'none' : 'auto'; });
EM_JS(void, reportMissingWebGL, (), {
    if (Module['marelNeeds']) Module['marelNeeds']();
});
EM_JS(int, pageViewport, (int height), {
    return height ? document.documentElement.clientHeight : document.documentElement.clientWidth;
});
EM_JS(int, canvasOrigin, (int y), {
    var r = Module['canvas'].getBoundingClientRect();
    return Math.round(y ? r.top : r.left);
});

}  // namespace

// One animation frame: the input that came since the last, then idle calls
// until the first buffer swap.
extern "C" EMSCRIPTEN_KEEPALIVE void marelWebFrame()
{
    if (!started) {
        started = true;
        // As GLUT does before a window is first shown: its size, then its picture.
        if (callbacks.reshape) {
            callbacks.reshape(CANVAS_SIZE, CANVAS_SIZE);
        }
        swapped = false;
        if (callbacks.display) {
            callbacks.display();
        }
    }
    swapped = false;
    deliverQueued();
    for (int calls = 0; !swapped && calls < IDLE_CALLS_PER_FRAME_CAP && callbacks.idle; ++calls) {
        callbacks.idle();
        if (queued > 0) {
            deliverQueued();  // our own warps' reports
        }
    }
}

void glutInit(int*, char**) {}
void glutInitDisplayMode(unsigned int) {}

void glutInitWindowSize(int width, int height)
{
    initWidth = width;
    initHeight = height;
}

void glutInitWindowPosition(int, int) {}  // the page centres the canvas

int glutCreateWindow(const char* title)
{
    setPageTitle(title);
    emscripten_set_canvas_element_size(CANVAS, CANVAS_SIZE, CANVAS_SIZE);
    haveWebGL = webglCreate(CANVAS);
    if (!haveWebGL) {
        reportMissingWebGL();
    }
    glLayerStart(CANVAS_SIZE, CANVAS_SIZE);
    emscripten_set_mousemove_callback(CANVAS, nullptr, EM_FALSE, onMouseMove);
    emscripten_set_mousedown_callback(CANVAS, nullptr, EM_FALSE, onMouseDown);
    // Button releases anywhere in the page: the pointer may leave the canvas with a button held.
    emscripten_set_mouseup_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE, onMouseUp);
    emscripten_set_mouseenter_callback(CANVAS, nullptr, EM_FALSE, onMouseEnter);
    emscripten_set_pointerlockchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                              onPointerLockChange);
    emscripten_set_pointerlockerror_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                             onPointerLockError);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE, onKeyDown);
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onBlur);
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, onVisibilityChange);
    EmscriptenPointerlockChangeEvent status;
    if (emscripten_get_pointerlock_status(&status) == EMSCRIPTEN_RESULT_NOT_SUPPORTED) {
        lockRefused = true;
    }
    return 1;
}

int glutGet(GLenum what)
{
    switch (what) {
    case GLUT_WINDOW_X:
        return canvasOrigin(0);
    case GLUT_WINDOW_Y:
        return canvasOrigin(1);
    case GLUT_WINDOW_WIDTH:
    case GLUT_WINDOW_HEIGHT:
        return CANVAS_SIZE;
    case GLUT_SCREEN_WIDTH:
        return pageViewport(0);
    case GLUT_SCREEN_HEIGHT:
        return pageViewport(1);
    case GLUT_INIT_WINDOW_WIDTH:
        return initWidth;
    case GLUT_INIT_WINDOW_HEIGHT:
        return initHeight;
    default:
        return 0;
    }
}

void glutSetCursor(int cursor)
{
    setCanvasCursor(cursor == GLUT_CURSOR_NONE ? 1 : 0);
}

void glutWarpPointer(int x, int y)
{
    // Under the lock the pointer is ours: the warp is carried out and reported
    // as a display reports one. Without it the browser cannot move the
    // pointer: the warp is dropped, as some desktops drop them.
    if (locked) {
        reportAt(x, y);
    }
}

void glutSwapBuffers()
{
    glLayerFlush();
    swapped = true;
}

void glutMainLoop()
{
    if (haveWebGL) {
        startAnimationLoop();
    }
    emscripten_exit_with_live_runtime();
}

void glutDisplayFunc(void (*callback)())
{
    callbacks.display = callback;
}
void glutIdleFunc(void (*callback)())
{
    callbacks.idle = callback;
}
void glutReshapeFunc(void (*callback)(int, int))
{
    callbacks.reshape = callback;
}
void glutKeyboardFunc(void (*callback)(unsigned char, int, int))
{
    callbacks.keyboard = callback;
}
void glutMouseFunc(void (*callback)(int, int, int, int))
{
    callbacks.mouse = callback;
}
void glutMotionFunc(void (*callback)(int, int))
{
    callbacks.motion = callback;
}
void glutPassiveMotionFunc(void (*callback)(int, int))
{
    callbacks.passiveMotion = callback;
}
void glutEntryFunc(void (*callback)(int))
{
    callbacks.entry = callback;
}
