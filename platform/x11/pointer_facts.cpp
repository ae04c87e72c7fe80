// The pointer's facts through XInput 2, on a connection of our own: the
// toolkit passes on no XInput 2 event. Raw motion shows what a device did
// before the server moved the pointer for it; each slave device's motion,
// which reaches the root window whoever else selects the master's, shows
// every movement the server made, warps included, in the server's order.
// Relative devices' raw values are deltas; a VNC server's or a nested
// server's pointer, though it declares relative axes, carries the absolute
// position there, and a tablet's axes are absolute.
#include "platform/pointer_facts.h"

#include "platform/x11/pointer_stream.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <GL/glx.h>

#include <cmath>
#include <cstdlib>

namespace {

enum class Axes { NotAsked, Relative, Absolute };

struct Watch {
    Display* display = nullptr;
    int opcode = 0;
    int pointer = 0;  // the master pointer that moves for this client

    // What the devices' axes are, asked once per device and again when it changes.
    Axes axes[PointerStream::MAX_DEVICES] = {};

    PointerStream stream;
};
Watch watch;

// Errors on our own connection (a device gone between its event and our
// question) must not end the program, as Xlib's default handler would: while
// we ask, they are counted instead. The handler is the process's, so the one
// before is put back at once.
int errorsSeen = 0;
int countError(Display*, XErrorEvent*)
{
    ++errorsSeen;
    return 0;
}
class ErrorsCounted {
public:
    ErrorsCounted() : previous_(XSetErrorHandler(countError)), before_(errorsSeen) {}
    ~ErrorsCounted() { XSetErrorHandler(previous_); }
    ErrorsCounted(const ErrorsCounted&) = delete;
    ErrorsCounted& operator=(const ErrorsCounted&) = delete;
    bool any() const { return errorsSeen != before_; }

private:
    int (*previous_)(Display*, XErrorEvent*);
    int before_;
};

bool validDevice(int id)
{
    return id >= 0 && id < PointerStream::MAX_DEVICES;
}

Axes axesOf(int device)
{
    if (!validDevice(device)) {
        return Axes::Relative;
    }
    if (watch.axes[device] == Axes::NotAsked) {
        watch.axes[device] = Axes::Relative;
        int count = 0;
        const ErrorsCounted errors;
        XIDeviceInfo* info = XIQueryDevice(watch.display, device, &count);
        if (info != nullptr) {
            for (int c = 0; c < info[0].num_classes; ++c) {
                const XIAnyClassInfo* any = info[0].classes[c];
                if (any->type != XIValuatorClass) {
                    continue;
                }
                const auto* valuator = reinterpret_cast<const XIValuatorClassInfo*>(any);
                if ((valuator->number == 0 || valuator->number == 1) && valuator->mode == XIModeAbsolute) {
                    watch.axes[device] = Axes::Absolute;
                }
            }
            XIFreeDeviceInfo(info);
        }
    }
    return watch.axes[device];
}

// Valuators 0 and 1, x and y, of a valuator state; the values come packed in
// the order of the mask's set bits.
struct Axis {
    bool has = false;
    double value = 0.0;
    double raw = 0.0;
};
void axesIn(const XIValuatorState& state, const double* raw, Axis& x, Axis& y)
{
    int packed = 0;
    for (int bit = 0; bit < state.mask_len * 8 && bit < 2; ++bit) {
        if (!XIMaskIsSet(state.mask, bit)) {
            continue;
        }
        Axis& axis = bit == 0 ? x : y;
        axis.has = true;
        axis.value = state.values[packed];
        axis.raw = raw != nullptr ? raw[packed] : axis.value;
        ++packed;
    }
}

void takeRaw(const XIRawEvent& event)
{
    Axis x;
    Axis y;
    axesIn(event.valuators, event.raw_values, x, y);
    watch.stream.raw(RawMotion{event.sourceid, static_cast<uint32_t>(event.time), x.has, y.has, x.raw, y.raw,
                               x.value, y.value});
}

void takeMove(const XIDeviceEvent& event)
{
    // The master's own motion reaches the root only where no window under
    // the pointer takes it; the slave's always does, and is the one kept.
    if (event.deviceid != event.sourceid) {
        return;
    }
    Axis x;
    Axis y;
    axesIn(event.valuators, nullptr, x, y);
    // The event's root position is where the pointer was when the slave's
    // motion was delivered, before the master moved; the valuators are where
    // it went, in screen pixels for relative axes (an axis left out did not
    // move), in the device's own units for absolute ones.
    PointerMove move;
    move.source = event.sourceid;
    move.time = static_cast<uint32_t>(event.time);
    move.fromX = event.root_x;
    move.fromY = event.root_y;
    move.toX = x.has ? x.value : event.root_x;
    move.toY = y.has ? y.value : event.root_y;
    move.toKnown = axesOf(event.sourceid) != Axes::Absolute;
    watch.stream.move(move);
}

void takeEvents()
{
    while (XPending(watch.display) > 0) {
        XEvent event;
        XNextEvent(watch.display, &event);
        XGenericEventCookie& cookie = event.xcookie;
        if (cookie.type != GenericEvent || cookie.extension != watch.opcode ||
            XGetEventData(watch.display, &cookie) == 0) {
            continue;
        }
        if (cookie.evtype == XI_RawMotion) {
            takeRaw(*static_cast<const XIRawEvent*>(cookie.data));
        } else if (cookie.evtype == XI_Motion) {
            takeMove(*static_cast<const XIDeviceEvent*>(cookie.data));
        } else if (cookie.evtype == XI_HierarchyChanged) {
            // Devices came or went; ids may be reused.
            for (Axes& axes : watch.axes) {
                axes = Axes::NotAsked;
            }
            watch.stream.forgetDevices();
        } else if (cookie.evtype == XI_DeviceChanged) {
            // A device's axes changed. The master's change at every switch of
            // the device that moves it (SlaveSwitch) changes nothing here.
            const auto* changed = static_cast<const XIDeviceChangedEvent*>(cookie.data);
            if (changed->reason == XIDeviceChange && validDevice(changed->deviceid)) {
                watch.axes[changed->deviceid] = Axes::NotAsked;
            }
        }
        XFreeEventData(watch.display, &cookie);
    }
}

}  // namespace

void watchPointer(const char* displayName)
{
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr) {
        return;
    }
    int event = 0;
    int error = 0;
    int major = 2;
    int minor = 2;
    if (XQueryExtension(display, "XInputExtension", &watch.opcode, &event, &error) == 0 ||
        XIQueryVersion(display, &major, &minor) != Success || major < 2) {
        XCloseDisplay(display);
        return;
    }
    // Raw events come only to the root window; the master devices' carry the
    // device that made them as their source. Every device's motion is asked
    // for at the root: a slave's is delivered apart from its master's, which
    // the toolkit takes at its window, and so reaches the root. Changes of
    // devices are selected for all devices, as the protocol requires.
    unsigned char raw[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(raw, XI_RawMotion);
    unsigned char all[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(all, XI_Motion);
    XISetMask(all, XI_HierarchyChanged);
    XISetMask(all, XI_DeviceChanged);
    XIEventMask selection[2] = {{XIAllMasterDevices, static_cast<int>(sizeof raw), raw},
                                {XIAllDevices, static_cast<int>(sizeof all), all}};
    const ErrorsCounted errors;
    XISelectEvents(display, DefaultRootWindow(display), selection, 2);
    XSync(display, False);
    if (errors.any()) {
        XCloseDisplay(display);
        return;
    }
    XIGetClientPointer(display, None, &watch.pointer);
    watch.display = display;
}

void drainPointerEvents()
{
    // Idle ticks come tens of thousands of times a second, and each look at
    // the connection is a system call: a few hundred looks a second keep the
    // queue short, at a cost the step does not feel.
    constexpr unsigned DRAIN_INTERVAL = 256;  // idle ticks between looks
    static unsigned ticks = 0;
    if (watch.display != nullptr && ++ticks % DRAIN_INTERVAL == 0) {
        takeEvents();
    }
}

PointerFacts pointerFacts(int x, int y)
{
    // The window the report is for: the toolkit's, whose GL context is current.
    const GLXDrawable window = glXGetCurrentDrawable();
    if (watch.display == nullptr || window == None) {
        return PointerFacts{};
    }
    // The round trip: the reply comes after every event the server made
    // before it, so the movement behind the report the toolkit holds has
    // arrived by then, with perhaps some later ones. Asked relative to the
    // window, it also says where the window lies on the screen.
    const ErrorsCounted errors;
    Window root = 0;
    Window child = 0;
    double rootX = 0.0;
    double rootY = 0.0;
    double windowX = 0.0;
    double windowY = 0.0;
    XIButtonState buttons{};
    XIModifierState modifiers{};
    XIGroupState group{};
    const bool queried = XIQueryPointer(watch.display, watch.pointer, window, &root, &child, &rootX, &rootY,
                                        &windowX, &windowY, &buttons, &modifiers, &group) != 0;
    std::free(buttons.mask);
    takeEvents();
    if (!queried || errors.any()) {
        // The master pointer may have gone (a hierarchy change): ask again next time.
        XIGetClientPointer(watch.display, None, &watch.pointer);
        return PointerFacts{};
    }
    // Both positions are the same pointer's, so their difference is the
    // window's origin, in whole pixels.
    return watch.stream.report(x, y, static_cast<int>(std::lround(rootX - windowX)),
                              static_cast<int>(std::lround(rootY - windowY)));
}
