#pragma once
// A random user at Corvane's editor, headless: the stereo LV2 plug-in is
// instantiated through its descriptor, its editor gets a view of the view
// host on a window system that only records (no X server), and the bytes
// script what the window system reports: mouse downs (single, double,
// triple clicks; either button; any modifiers), drags, ups, moves, wheels
// and keys, anywhere in and around the window, at scale 1 or 2. Between
// events the host does what an LV2 host with the editor open does: it
// drains the editor's writes into its control ports (with touch gestures;
// not after every event, as a UI thread idling at its own pace), runs the
// plug-in (which applies them), ticks the redraw timer and sometimes
// draws; sometimes it automates a port itself.
//
// Checked after every event, besides crashes and sanitizer reports:
//   - gestures pair up: a port is never begun twice nor ended unbegun, and
//     once no button is held no port is left grabbed and no control holds
//     the mouse;
//   - what the editor writes to a port is in its range (0..1, the wavelet
//     choice 0, 1 or 2);
//   - the parameters (as a saved state holds them) are in range with
//     exactly one mode on and at most one solo;
//   - once the editor's writes have come back, the solo and mode buttons
//     show what the parameters say.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz_test {

// "" when every check held; else what failed.
std::string RunEditorEventScript(const uint8_t* data, size_t size);

}  // namespace fuzz_test
