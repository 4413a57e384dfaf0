#pragma once
// A reference-counted Audio Unit preset record for CoreFoundation arrays.
// Its first two fields have the layout of AUPreset, so a host reads each
// array element as an AUPreset. The retain count is not atomic: a record is
// only touched on the thread that holds it.
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

struct CFAUPreset {
  AUPreset auPreset;             // number and name (an owned copy, or null)
  CFAllocatorRef allocator;      // the allocator that made the record
  CFIndex retainCount;           // starts at 1
};
typedef CFAUPreset* CFAUPresetRef;

// A new record with count 1, or null when the allocation fails.
CFAUPresetRef CFAUPresetCreate(CFAllocatorRef allocator, SInt32 presetNumber, CFStringRef name);
// Null is ignored; returns the record.
CFAUPresetRef CFAUPresetRetain(CFAUPresetRef preset);
// Null, or a record whose count already reached 0, is ignored. The last
// release frees the record with its own allocator.
void CFAUPresetRelease(CFAUPresetRef preset);

// Fills the five array callbacks for preset records; null is returned unchanged.
CFArrayCallBacks* CFAUPresetArrayCallBacks_Init(CFArrayCallBacks* callBacks);
extern const CFArrayCallBacks kCFAUPresetArrayCallBacks;
