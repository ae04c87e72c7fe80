// Where the system tells nothing about the pointer beyond its position (Windows,
// where the toolkit's warps always move the user's pointer): every report's
// facts are Unknown, and the pointer rule works from positions alone.
#include "platform/pointer_facts.h"

void watchPointer(const char*) {}

PointerFacts pointerFacts(int, int)
{
    return PointerFacts{};
}

void drainPointerEvents() {}
