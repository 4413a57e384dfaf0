#pragma once
// How a subsystem of the stand-in has work done on a thread's run loop: it
// registers a performer once, queues its work for a loop itself, and wakes
// the loop; whenever the loop's thread runs it (CFRunLoopRunInMode), every
// performer is asked to do what it holds for that loop.
#include <CoreFoundation/CFRunLoop.h>

namespace corvane_cf {

// Does the work pending for loop, on the loop's own thread; true when it
// did some.
using RunLoopPerformer = bool (*)(CFRunLoopRef loop);

// Any thread; once per performer (a second registration is ignored).
void AddRunLoopPerformer(RunLoopPerformer performer);

}  // namespace corvane_cf
