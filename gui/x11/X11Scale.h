#pragma once
// The editor scale that suits an X display: 2 on a high-density screen,
// else 1.
//
// The desktop's own setting comes first: Xft.dpi in the server's resources,
// which desktops that scale their interface set to 96 per 1x (192 at 2x).
// Without it, the screen's size in pixels and millimetres gives its density.
// From 168 dpi (1.75 x 96) up the editor is drawn at 2x: a 2x desktop, a
// laptop's high-density panel or a 4K screen of up to about 26 inches; a
// 1.5x desktop (144) or a large 4K monitor (about 160) keeps the 1x editor,
// which reads well there and leaves room on screen.
#include <X11/Xlib.h>

constexpr double kBaseDpi = 96.0;
constexpr double kScaleTwoFromDpi = 168.0;

// 2 from kScaleTwoFromDpi up, else 1 (also for a density that is no number).
int EditorScaleForDpi(double dpi);
// The density the display's resources or screen report, in dots per inch;
// kBaseDpi when neither says.
double DisplayDpi(Display* display);
