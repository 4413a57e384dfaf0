#pragma once
// The editor's graphics context on this platform: the X11 view host, with
// the editor's images compiled into the binary. Made on the thread that
// constructs the plug-in; owned by the plug-in once attached.
class IGraphics;
class IPlugBase;

IGraphics* MakeGraphics(IPlugBase* plug, int width, int height, int fps);
