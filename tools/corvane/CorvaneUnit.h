#pragma once
// The Corvane component, registered once per process, and instances of it
// opened and configured like a host does.
#include <string>

#include "tools/auhost/AUHost.h"

class IGraphics;

// Registers the plug-in's component entry (once) and returns the component.
Component CorvaneComponent();

// Opens and configures a unit for nChannels (1 or 2) at sampleRate, with
// blocks of up to maxFrames. False and *error on failure.
bool OpenCorvane(AUHost* unit, int nChannels, double sampleRate, int maxFrames, std::string* error);

// The editor of an open unit (the plug-in object is the unit's instance
// storage, as a view factory finds it); null when it has none.
IGraphics* EditorOf(const AUHost& unit);

// Draws the whole editor at the scale (1 or 2) and writes it as a PNG
// (through a temporary file).
bool WriteEditorSnapshot(const AUHost& unit, const std::string& pngPath, int scale, std::string* error);
