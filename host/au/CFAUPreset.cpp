#include "host/au/CFAUPreset.h"

namespace {

const void* RetainCallBack(CFAllocatorRef, const void* value) {
  return CFAUPresetRetain(static_cast<CFAUPresetRef>(const_cast<void*>(value)));
}

void ReleaseCallBack(CFAllocatorRef, const void* value) {
  CFAUPresetRelease(static_cast<CFAUPresetRef>(const_cast<void*>(value)));
}

CFStringRef CopyDescriptionCallBack(const void* value) {
  const CFAUPreset* preset = static_cast<const CFAUPreset*>(value);
  if (!preset) return nullptr;
  return CFStringCreateWithFormat(kCFAllocatorDefault, nullptr,
                                  CFSTR("AUPreset:\npreset number = %d\npreset name = %@"),
                                  static_cast<int>(preset->auPreset.presetNumber),
                                  preset->auPreset.presetName);
}

Boolean EqualCallBack(const void* value1, const void* value2) {
  const CFAUPreset* a = static_cast<const CFAUPreset*>(value1);
  const CFAUPreset* b = static_cast<const CFAUPreset*>(value2);
  if (!a || !b) return a == b;
  if (a->auPreset.presetNumber != b->auPreset.presetNumber) return false;
  if (!a->auPreset.presetName || !b->auPreset.presetName)
    return a->auPreset.presetName == b->auPreset.presetName;
  return CFStringCompare(a->auPreset.presetName, b->auPreset.presetName, 0) == kCFCompareEqualTo;
}

}  // namespace

CFAUPresetRef CFAUPresetCreate(CFAllocatorRef allocator, SInt32 presetNumber, CFStringRef name) {
  void* memory = CFAllocatorAllocate(allocator, sizeof(CFAUPreset), 0);
  if (!memory) return nullptr;
  CFAUPreset* preset = static_cast<CFAUPreset*>(memory);
  preset->auPreset.presetNumber = presetNumber;
  preset->auPreset.presetName = name ? CFStringCreateCopy(allocator, name) : nullptr;
  preset->allocator = allocator;
  preset->retainCount = 1;
  return preset;
}

CFAUPresetRef CFAUPresetRetain(CFAUPresetRef preset) {
  if (!preset) return preset;
  if (preset->auPreset.presetName) CFRetain(preset->auPreset.presetName);
  ++preset->retainCount;
  return preset;
}

void CFAUPresetRelease(CFAUPresetRef preset) {
  if (!preset || preset->retainCount <= 0) return;
  if (preset->auPreset.presetName) CFRelease(preset->auPreset.presetName);
  if (--preset->retainCount == 0) {
    preset->auPreset.presetName = nullptr;
    preset->auPreset.presetNumber = 0;
    CFAllocatorDeallocate(preset->allocator, preset);
  }
}

CFArrayCallBacks* CFAUPresetArrayCallBacks_Init(CFArrayCallBacks* callBacks) {
  if (!callBacks) return callBacks;
  callBacks->version = 0;
  callBacks->retain = RetainCallBack;
  callBacks->release = ReleaseCallBack;
  callBacks->copyDescription = CopyDescriptionCallBack;
  callBacks->equal = EqualCallBack;
  return callBacks;
}

// Constant-initialized, so it is complete before any other static
// initializer can build a preset array with it.
const CFArrayCallBacks kCFAUPresetArrayCallBacks = {0, RetainCallBack, ReleaseCallBack,
                                                    CopyDescriptionCallBack, EqualCallBack};
