// The pointer's facts through XInput 2's raw motion, on a connection of our
// own: the toolkit passes on no XInput 2 event. A raw event shows what a device
// did before the server moved the pointer for it; a warp brings none. Relative
// devices' raw values are deltas; a VNC server's or a nested server's pointer,
// though it declares relative axes, carries the absolute position there, and a
// tablet's axes are absolute.
#include "platform/pointer_facts.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <cmath>
#include <cstdlib>

namespace {

enum class Axes { NotAsked, Relative, Absolute };

struct Watch {
    Display* display = nullptr;
    int opcode = 0;
    int pointer = 0;  // the master pointer that moves for this client

    // What the devices are, asked once per device and again when devices change.
    static constexpr int MAX_DEVICES = 128;  // XInput 2 device ids are below 128 on every server seen
    Axes axes[MAX_DEVICES] = {};

    // The latest raw movement with both axes, and whether a report has taken it yet.
    bool latestKnown = false;
    bool latestFresh = false;
    int latestSource = 0;
    double latestX = 0.0;
    double latestY = 0.0;

    // Movement of relative devices since the last report, as the server applied it.
    bool moved = false;
    double movedX = 0.0;
    double movedY = 0.0;

    // Of the device that moved the pointer last, judged at the last report
    // that followed a raw movement, and whether its raw values were the
    // pointer's position on the screen.
    PointerSource source = PointerSource::Unknown;
    bool rawIsPosition = false;
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
    return id >= 0 && id < Watch::MAX_DEVICES;
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

// One raw motion: valuators 0 and 1 are x and y; the raw values come packed in
// the order of the mask's set bits, the applied ones likewise.
void takeRaw(const XIRawEvent& raw)
{
    bool hasX = false;
    bool hasY = false;
    double rawX = 0.0;
    double rawY = 0.0;
    double appliedX = 0.0;
    double appliedY = 0.0;
    int packed = 0;
    for (int bit = 0; bit < raw.valuators.mask_len * 8 && bit < 2; ++bit) {
        if (!XIMaskIsSet(raw.valuators.mask, bit)) {
            continue;
        }
        if (bit == 0) {
            hasX = true;
            rawX = raw.raw_values[packed];
            appliedX = raw.valuators.values[packed];
        } else {
            hasY = true;
            rawY = raw.raw_values[packed];
            appliedY = raw.valuators.values[packed];
        }
        ++packed;
    }
    if (!hasX && !hasY) {
        return;  // a wheel or another axis: the pointer did not move
    }
    watch.moved = true;
    watch.movedX += appliedX;
    watch.movedY += appliedY;
    if (hasX && hasY) {
        watch.latestKnown = true;
        watch.latestFresh = true;
        watch.latestSource = raw.sourceid;
        watch.latestX = rawX;
        watch.latestY = rawY;
    }
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
        } else if (cookie.evtype == XI_HierarchyChanged || cookie.evtype == XI_DeviceChanged) {
            // A device came, went or changed its axes; ids may be reused.
            for (Axes& axes : watch.axes) {
                axes = Axes::NotAsked;
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
    // device that made them as their source. Changes of devices are selected
    // for all devices, as the protocol requires.
    unsigned char raw[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(raw, XI_RawMotion);
    unsigned char changes[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(changes, XI_HierarchyChanged);
    XISetMask(changes, XI_DeviceChanged);
    XIEventMask selection[2] = {{XIAllMasterDevices, static_cast<int>(sizeof raw), raw},
                                {XIAllDevices, static_cast<int>(sizeof changes), changes}};
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

PointerFacts pointerFacts(WindowOriginQuery origin)
{
    PointerFacts facts;
    if (watch.display == nullptr) {
        return facts;
    }
    // The round trip: the reply comes after every event the server made
    // before it, so the raw movement behind the report the toolkit holds has
    // arrived by then, with perhaps some later ones.
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
    const bool queried = XIQueryPointer(watch.display, watch.pointer, DefaultRootWindow(watch.display), &root, &child,
                                        &rootX, &rootY, &windowX, &windowY, &buttons, &modifiers, &group) != 0;
    std::free(buttons.mask);
    takeEvents();
    const bool answered = queried && !errors.any();
    if (!answered) {
        // The master pointer may have gone (a hierarchy change): ask again next time.
        XIGetClientPointer(watch.display, None, &watch.pointer);
    }

    // The device behind the latest raw movement. One whose raw values are
    // where the pointer now is reports positions, not movements, whatever
    // axes it declares (XTest's pointer does both). Raw deltas equal the
    // position only at the screen's top-left corner, where no window's centre
    // is. A warp carried out after the raw movement hides this until the next.
    if (watch.latestFresh) {
        watch.rawIsPosition = answered && watch.latestX == rootX && watch.latestY == rootY &&
                              (rootX != 0.0 || rootY != 0.0);
        const bool absolute = watch.rawIsPosition || axesOf(watch.latestSource) == Axes::Absolute;
        watch.source = absolute ? PointerSource::Absolute : PointerSource::Follows;
        watch.latestFresh = false;
    }

    facts.source = watch.source;
    if (facts.source == PointerSource::Absolute) {
        if (watch.latestKnown && watch.rawIsPosition) {
            const WindowOrigin at = origin();
            facts.deviceAtKnown = true;
            facts.deviceAtX = static_cast<int>(std::floor(watch.latestX)) - at.x;
            facts.deviceAtY = static_cast<int>(std::floor(watch.latestY)) - at.y;
        }
    } else if (facts.source == PointerSource::Follows && watch.moved) {
        facts.moved = true;
        facts.movedX = static_cast<int>(std::lround(watch.movedX));
        facts.movedY = static_cast<int>(std::lround(watch.movedY));
    }
    watch.moved = false;
    watch.movedX = 0.0;
    watch.movedY = 0.0;
    return facts;
}
