// The toolkit's part in the browser: the page's canvas as the window, the
// browser's input as GLUT callbacks, Pointer Lock as the captured pointer, and
// the animation frame as the pace. Events are queued by the browser's handlers
// and delivered at the start of the next animation frame, never from inside
// a handler; idle calls then run until the frame's buffer swap. The toolkit
// also tells the pointer rule what made each report it delivers (the
// program's seam for what a display can tell, platform/pointer_facts.h).
#include "platform/web/gl/gl.h"
#include "platform/web/gl/gl_layer.h"

#include "platform/pointer_facts.h"
#include "platform/web/gl/webgl.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstdint>

namespace {

constexpr const char* CANVAS = "#canvas";
constexpr int CANVAS_SIZE = 500;   // CSS pixels, and pixels of the drawing buffer at any pixel ratio
constexpr int IDLE_CALLS_PER_FRAME_CAP = 300;  // ten drawn frames' worth: no burst after a pause
// Input waiting for the next animation frame. It never grows: consecutive
// movements are merged, and a frame with more buttons, keys and entries than
// it holds is reduced to their net effect (see compactQueue()).
constexpr int EVENT_QUEUE_LENGTH = 256;
// Slots that the browser's handlers leave free for the warps' reports the
// program's answers queue while a frame's input is delivered.
constexpr int KEPT_FOR_WARPS = 2;
// The longest movement delivered in one report, pixels along each axis: a
// merged flood is delivered in steps of this, each turning the view 0.1 rad
// at most, so that the camera's side guard judges it as it would the moves
// it was made of (one turn of many radians would cross the guarded axis).
constexpr int64_t LONGEST_STEP = 100;
constexpr int BUTTONS = 3;
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

enum class EventKind {
    Movement,  // captured: a movement by (a, b) pixels, the sum of the browser's movementX and Y
    Position,  // not captured: the pointer at (a, b) on the canvas
    Warp,      // our own warp to (a, b), carried out: its report
    Button,    // button a went to state b
    Key,       // key a
    Entry,     // the pointer came in (a: GLUT_ENTERED)
};

struct Event {
    EventKind kind;
    int64_t a;
    int64_t b;
};

// Waiting events are queue[next] to queue[queued - 1], oldest first.
Event queue[EVENT_QUEUE_LENGTH];
int next = 0;
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
bool lockOnRelease = false;  // the capturing click came to a page without focus
bool lockOnFocus = false;    // and its button came up before the focus did
bool buttonDown[BUTTONS] = {false, false, false};       // as the browser last said
bool deliveredDown[BUTTONS] = {false, false, false};    // as the program was last told
bool deliveringWarp = false;  // the report being delivered is our warp's

bool anyButtonDown()
{
    return deliveredDown[0] || deliveredDown[1] || deliveredDown[2];
}

// What the waiting events come to, in as few as possible: where the pointer
// ended (one position, then the sum of the movements), the last state of
// each button that changed, the last entry and the last warp, and an Escape
// if one came. Only a frame with more buttons, keys and entries than the
// queue holds is reduced so; no release is lost, and no Escape.
void compactQueue()
{
    bool position = false;
    Event lastPosition{};
    bool moved = false;
    int64_t movedX = 0;
    int64_t movedY = 0;
    bool entry = false;
    bool warp = false;
    Event lastWarp{};
    bool escape = false;
    bool down[BUTTONS] = {deliveredDown[0], deliveredDown[1], deliveredDown[2]};
    for (int i = next; i < queued; ++i) {
        const Event& e = queue[i];
        switch (e.kind) {
        case EventKind::Movement:
            moved = true;
            movedX += e.a;
            movedY += e.b;
            break;
        case EventKind::Position:
            position = true;
            lastPosition = e;
            break;
        case EventKind::Warp:
            warp = true;
            lastWarp = e;
            break;
        case EventKind::Button:
            down[e.a] = e.b == GLUT_DOWN;
            break;
        case EventKind::Key:
            escape = escape || e.a == ESCAPE;  // other keys do nothing in the program
            break;
        case EventKind::Entry:
            entry = true;
            break;
        }
    }
    queued = 0;
    next = 0;
    if (entry) {
        queue[queued++] = Event{EventKind::Entry, GLUT_ENTERED, 0};
    }
    if (position) {
        queue[queued++] = lastPosition;
    }
    if (moved) {
        queue[queued++] = Event{EventKind::Movement, movedX, movedY};
    }
    if (warp) {
        queue[queued++] = lastWarp;
    }
    for (int button = 0; button < BUTTONS; ++button) {
        if (down[button] != deliveredDown[button]) {
            queue[queued++] = Event{EventKind::Button, button, down[button] ? GLUT_DOWN : GLUT_UP};
        }
    }
    if (escape) {
        queue[queued++] = Event{EventKind::Key, ESCAPE, 0};
    }
}

// Whether `e` may be folded into the last waiting event: consecutive
// movements into their sum, positions into the last (but for the one where
// the pointer came in), warps (each reported
// where it sent the pointer) into the last. A warp's report is never merged
// with a movement, and nothing is folded into an event already delivered.
bool merge(const Event& e)
{
    if (queued <= next) {
        return false;
    }
    Event& last = queue[queued - 1];
    if (last.kind != e.kind) {
        return false;
    }
    switch (e.kind) {
    case EventKind::Movement:
        last.a += e.a;
        last.b += e.b;
        return true;
    case EventKind::Position:
        // Where the pointer came in is kept: the moves after it turn.
        if (queued - 2 >= next && queue[queued - 2].kind == EventKind::Entry) {
            return false;
        }
        last = e;
        return true;
    case EventKind::Warp:
        last = e;
        return true;
    default:
        return false;
    }
}

void push(EventKind kind, int64_t a, int64_t b)
{
    const Event e{kind, a, b};
    if (merge(e)) {
        return;
    }
    // The browser's handlers leave room for the warps' reports that the
    // program's answers queue during delivery.
    const int room = kind == EventKind::Warp ? EVENT_QUEUE_LENGTH : EVENT_QUEUE_LENGTH - KEPT_FOR_WARPS;
    if (queued >= room) {
        compactQueue();
        if (merge(e)) {
            return;
        }
    }
    queue[queued++] = e;
}

// No button-up may be lost while the lock changes, the page loses focus or
// the tab is hidden: the camera would keep moving.
void releaseButtons()
{
    for (int button = 0; button < BUTTONS; ++button) {
        if (buttonDown[button]) {
            buttonDown[button] = false;
            push(EventKind::Button, button, GLUT_UP);
        }
    }
}

// Whether the mouse event being handled was made by the browser from a touch
// or a pen (its pointer event comes first): those are taken as contacts
// (listenToContacts()), never as the mouse.
EM_JS(int, fromContact, (), {
    var type = Module['marelLastPointerType'];
    return type === 'touch' || type === 'pen' ? 1 : 0;
});

// Canvas pixels per CSS pixel: 1, or more where the page shows the canvas
// smaller to fit a small screen (its drawing buffer stays 500 x 500).
EM_JS(double, canvasPixelsPerCssPixel, (), {
    var width = Module['canvas'].getBoundingClientRect().width;
    return width > 0 ? 500 / width : 1;
});

// The captured movements in canvas pixels, summed exactly: each report moves
// by what the whole sum has come to since the last, so that no fraction is
// lost however many small movements a drag is made of.
double movedX = 0.0;
double movedY = 0.0;
int64_t reportedMovedX = 0;
int64_t reportedMovedY = 0;

EM_BOOL onMouseMove(int, const EmscriptenMouseEvent* e, void*)
{
    if (fromContact() != 0) {
        return EM_FALSE;
    }
    const double scale = canvasPixelsPerCssPixel();
    if (locked) {
        movedX += e->movementX * scale;
        movedY += e->movementY * scale;
        const int64_t wholeX = std::llround(movedX);
        const int64_t wholeY = std::llround(movedY);
        push(EventKind::Movement, wholeX - reportedMovedX, wholeY - reportedMovedY);
        reportedMovedX = wholeX;
        reportedMovedY = wholeY;
    } else {
        push(EventKind::Position, std::llround(e->targetX * scale), std::llround(e->targetY * scale));
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

// Whether the page has the keyboard focus. A click into a window that is
// not yet the active one gives it the focus only after the button went down,
// and Firefox refuses the lock to a page without it.
EM_JS(int, pageHasFocus, (), { return document.hasFocus() ? 1 : 0; });

EM_BOOL onMouseDown(int, const EmscriptenMouseEvent* e, void*)
{
    if (fromContact() != 0) {
        return EM_FALSE;  // a touch or a pen never asks for the lock
    }
    if (lockOnFocus) {
        // The last click's focus never came (a frame that a click does not
        // focus): the lock is as good as refused, and this click presses.
        lockOnFocus = false;
        lockRefused = true;
    }
    if (!locked && !lockRefused && pageHasFocus() == 0) {
        // The capturing click asks once the button comes up, with the focus.
        lockOnRelease = true;
        return EM_TRUE;
    }
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
    if (e->button < BUTTONS) {
        buttonDown[e->button] = true;
        push(EventKind::Button, e->button, GLUT_DOWN);
    }
    return EM_TRUE;
}

EM_BOOL onMouseUp(int, const EmscriptenMouseEvent* e, void*)
{
    if (lockOnRelease) {
        lockOnRelease = false;
        if (pageHasFocus() == 0) {
            lockOnFocus = true;  // the window manager's focus is on its way
        } else if (!locked && requestCanvasLock() == 0) {
            lockRefused = true;
        }
        return EM_TRUE;
    }
    if (e->button < BUTTONS && buttonDown[e->button]) {
        buttonDown[e->button] = false;
        push(EventKind::Button, e->button, GLUT_UP);
    }
    return EM_TRUE;
}

EM_BOOL onMouseEnter(int, const EmscriptenMouseEvent*, void*)
{
    if (!locked && fromContact() == 0) {
        push(EventKind::Entry, GLUT_ENTERED, 0);
    }
    return EM_FALSE;
}

// The page's line follows the lock: "captured", "free" or "refused".
EM_JS(void, tellPageOfLock, (const char* state), {
    if (Module['marelLock']) Module['marelLock'](UTF8ToString(state));
});

EM_BOOL onPointerLockChange(int, const EmscriptenPointerlockChangeEvent* e, void*)
{
    releaseButtons();
    locked = e->isActive != 0;
    if (locked) {
        lockRefused = false;
    }
    tellPageOfLock(locked ? "captured" : "free");
    return EM_FALSE;
}

EM_BOOL onPointerLockError(int, const void*, void*)
{
    lockRefused = true;
    tellPageOfLock("refused");
    return EM_FALSE;
}

EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* e, void*)
{
    if (e->keyCode == ESCAPE) {
        if (locked) {
            // Chromium and Firefox keep an Escape that ends the lock for
            // themselves; WebKit passes it on while the pointer is still
            // locked, and ends the lock after. Either way it only frees
            // the mouse: the next Escape ends the program.
            emscripten_exit_pointerlock();
        } else {
            push(EventKind::Key, ESCAPE, 0);
        }
        return EM_TRUE;
    }
    // A printable character; the others (function keys, reload) stay the browser's.
    if (e->key[0] != '\0' && e->key[1] == '\0') {
        push(EventKind::Key, static_cast<unsigned char>(e->key[0]), 0);
    }
    return EM_FALSE;
}

// The focus that the capturing click brought, still within the click's
// activation: the lock is asked for now.
EM_BOOL onFocus(int, const EmscriptenFocusEvent*, void*)
{
    if (lockOnFocus) {
        lockOnFocus = false;
        if (!locked && requestCanvasLock() == 0) {
            lockRefused = true;
        }
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

// Touches and pens over the canvas, and the page's on-screen buttons. The
// first contact down drives: it reaches the program as the pointer entering
// where it lands, and its moves as the pointer's, not captured (it turns by
// exactly its length, as on a desktop that cannot put the pointer back). A
// hovering pen and further fingers do nothing; the browser neither pans nor
// zooms over the canvas (touch-action: none in the page), and no mouse
// events are made from the contact (its pointerdown's default prevented).
// The buttons act as the mouse's left and right buttons while held: a
// contact on one is not captured by it, so that leaving it lets go.
EM_JS(void, listenToContacts, (), {
    var canvas = Module['canvas'];
    var driving = null;
    var remember = function(e) { Module['marelLastPointerType'] = e.pointerType; };
    ['pointerdown', 'pointermove', 'pointerup', 'pointerover', 'pointerenter'].forEach(function(type) {
        document.addEventListener(type, remember, true);
    });
    var contact = function(e) { return e.pointerType === 'touch' || e.pointerType === 'pen'; };
    var at = function(e) {
        var r = canvas.getBoundingClientRect();
        var scale = r.width > 0 ? 500 / r.width : 1;
        return [(e.clientX - r.left) * scale, (e.clientY - r.top) * scale];
    };
    canvas.addEventListener('pointerdown', function(e) {
        if (!contact(e)) return;
        e.preventDefault();
        if (Module['marelTouched']) Module['marelTouched']();
        if (driving !== null) return;
        driving = e.pointerId;
        var p = at(e);
        Module['_marelContact'](1, p[0], p[1]);
    });
    canvas.addEventListener('pointermove', function(e) {
        if (e.pointerId !== driving) return;
        var p = at(e);
        Module['_marelContact'](0, p[0], p[1]);
    });
    var lift = function(e) { if (e.pointerId === driving) driving = null; };
    canvas.addEventListener('pointerup', lift);
    canvas.addEventListener('pointercancel', lift);
    [['closer', 0], ['farther', 2]].forEach(function(pair) {
        var button = document.getElementById(pair[0]);
        if (!button) return;
        var hold = function(down) { return function(e) {
            e.preventDefault();
            if (down) {
                try { button.releasePointerCapture(e.pointerId); } catch (x) {}
            }
            if (down && Module['marelTouched'] && contact(e)) Module['marelTouched']();
            Module['_marelHoldButton'](pair[1], down ? 1 : 0);
        }; };
        button.addEventListener('pointerdown', hold(true));
        ['pointerup', 'pointercancel', 'pointerleave'].forEach(function(type) {
            button.addEventListener(type, hold(false));
        });
        button.addEventListener('contextmenu', function(e) { e.preventDefault(); });
    });
});

void reportMotion(int x, int y)
{
    reportedX = x;
    reportedY = y;
    void (*motion)(int, int) = anyButtonDown() ? callbacks.motion : callbacks.passiveMotion;
    if (motion != nullptr) {
        motion(x, y);
    }
}

// A warp the program asked for during the last report, if it is all that
// waits: delivered now, between the steps of a merged movement, so that each
// step is measured from where the warp put the pointer. Behind other waiting
// events it stays behind them.
void deliverWaitingWarp()
{
    if (queued == next + 1 && queue[next].kind == EventKind::Warp) {
        const Event warp = queue[--queued];
        deliveringWarp = true;
        reportMotion(static_cast<int>(warp.a), static_cast<int>(warp.b));
        deliveringWarp = false;
    }
}

void deliver(const Event& e)
{
    switch (e.kind) {
    case EventKind::Movement: {
        // In steps, each from where the pointer is then (after any warp).
        int64_t leftX = e.a;
        int64_t leftY = e.b;
        do {
            const int64_t stepX = leftX < -LONGEST_STEP ? -LONGEST_STEP : leftX > LONGEST_STEP ? LONGEST_STEP : leftX;
            const int64_t stepY = leftY < -LONGEST_STEP ? -LONGEST_STEP : leftY > LONGEST_STEP ? LONGEST_STEP : leftY;
            leftX -= stepX;
            leftY -= stepY;
            reportMotion(reportedX + static_cast<int>(stepX), reportedY + static_cast<int>(stepY));
            if (leftX != 0 || leftY != 0) {
                deliverWaitingWarp();
            }
        } while (leftX != 0 || leftY != 0);
        break;
    }
    case EventKind::Position:
        reportMotion(static_cast<int>(e.a), static_cast<int>(e.b));
        break;
    case EventKind::Warp:
        deliveringWarp = true;
        reportMotion(static_cast<int>(e.a), static_cast<int>(e.b));
        deliveringWarp = false;
        break;
    case EventKind::Button:
        deliveredDown[e.a] = e.b == GLUT_DOWN;
        if (callbacks.mouse) {
            callbacks.mouse(static_cast<int>(e.a), static_cast<int>(e.b), reportedX, reportedY);
        }
        break;
    case EventKind::Key:
        if (callbacks.keyboard) {
            callbacks.keyboard(static_cast<unsigned char>(e.a), reportedX, reportedY);
        }
        break;
    case EventKind::Entry:
        if (callbacks.entry) {
            callbacks.entry(static_cast<int>(e.a));
        }
        break;
    }
}

void deliverQueued()
{
    // Each event leaves the queue before it is delivered: what the program
    // asks for meanwhile (its warps' reports) is queued behind and delivered
    // here too, and nothing is delivered twice, even if the program ends.
    while (next < queued) {
        const Event e = queue[next++];
        deliver(e);
    }
    next = 0;
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
// The page's viewport and the canvas's place in it, in canvas pixels, so
// that the pointer's home is the canvas's centre at any size it is shown.
EM_JS(int, pageViewport, (int height), {
    var r = Module['canvas'].getBoundingClientRect();
    var scale = r.width > 0 ? 500 / r.width : 1;
    var root = document.documentElement;
    return Math.round((height ? root.clientHeight : root.clientWidth) * scale);
});
EM_JS(int, canvasOrigin, (int y), {
    var r = Module['canvas'].getBoundingClientRect();
    var scale = r.width > 0 ? 500 / r.width : 1;
    return Math.round((y ? r.top : r.left) * scale);
});

}  // namespace

// A contact's report, in canvas pixels: landed (the pointer entering there)
// or moved.
extern "C" EMSCRIPTEN_KEEPALIVE void marelContact(int landed, double x, double y)
{
    if (locked) {
        return;
    }
    if (landed != 0) {
        push(EventKind::Entry, GLUT_ENTERED, 0);
    }
    push(EventKind::Position, std::lround(x), std::lround(y));
}

// An on-screen button pressed or let go: the mouse button `button`.
extern "C" EMSCRIPTEN_KEEPALIVE void marelHoldButton(int button, int down)
{
    if (button < 0 || button >= BUTTONS || buttonDown[button] == (down != 0)) {
        return;
    }
    buttonDown[button] = down != 0;
    push(EventKind::Button, button, down != 0 ? GLUT_DOWN : GLUT_UP);
}

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
        if (queued > next) {
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
    listenToContacts();
    emscripten_set_pointerlockchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                              onPointerLockChange);
    emscripten_set_pointerlockerror_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                             onPointerLockError);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE, onKeyDown);
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onBlur);
    emscripten_set_focus_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onFocus);
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
    // pointer: the warp is dropped, as some desktops drop them (and
    // pointerFacts() says so beforehand, so that none is asked for).
    if (locked) {
        push(EventKind::Warp, x, y);
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

// What the toolkit can tell of the report it is delivering: its own warp's,
// or a movement of the user's pointer; and, before the capture, that no warp
// will be carried out.
void watchPointer(const char*) {}

PointerFacts pointerFacts(int, int)
{
    PointerFacts facts;
    facts.made = deliveringWarp ? PointerMade::Display : PointerMade::Deltas;
    facts.warpsDropped = !locked;
    return facts;
}

void drainPointerEvents() {}
