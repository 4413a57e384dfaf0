// Event listeners: a registry of (listener, object, event) registrations.
// Notification collects the matching registrations under the registry lock
// and calls the procs after releasing it, so a proc may add, remove or
// dispose of listeners (its own included) and may notify again.
#include <AudioToolbox/AudioUnitUtilities.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

struct AUListenerBase {
  AUEventListenerProc proc;
  void* refCon;
  std::atomic<bool> alive{true};
};

namespace {

struct Registration {
  std::shared_ptr<AUListenerBase> listener;
  void* object;
  AudioUnitEvent event;
};

struct Registry {
  std::mutex mutex;
  std::vector<std::shared_ptr<AUListenerBase>> listeners;
  std::vector<Registration> registrations;

  std::shared_ptr<AUListenerBase> Find(AUEventListenerRef ref) const {
    for (const auto& listener : listeners)
      if (listener.get() == ref) return listener;
    return nullptr;
  }
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

bool IsParameterEvent(AudioUnitEventType type) { return type != kAudioUnitEvent_PropertyChange; }

// Whether a registration for `wanted` receives `event`.
bool Matches(const AudioUnitEvent& wanted, const AudioUnitEvent& event) {
  if (wanted.mEventType != event.mEventType) return false;
  if (IsParameterEvent(event.mEventType)) {
    const AudioUnitParameter& w = wanted.mArgument.mParameter;
    const AudioUnitParameter& e = event.mArgument.mParameter;
    return w.mAudioUnit == e.mAudioUnit && w.mScope == e.mScope && w.mElement == e.mElement &&
           (w.mParameterID == kAUParameterListener_AnyParameter || w.mParameterID == e.mParameterID);
  }
  const AudioUnitProperty& w = wanted.mArgument.mProperty;
  const AudioUnitProperty& e = event.mArgument.mProperty;
  return w.mAudioUnit == e.mAudioUnit && w.mPropertyID == e.mPropertyID && w.mScope == e.mScope && w.mElement == e.mElement;
}

// Same registration: the fields that matter for the event's kind are equal.
bool SameEvent(const AudioUnitEvent& a, const AudioUnitEvent& b) {
  if (a.mEventType != b.mEventType) return false;
  if (IsParameterEvent(a.mEventType))
    return a.mArgument.mParameter.mParameterID == b.mArgument.mParameter.mParameterID && Matches(a, b);
  return Matches(a, b);
}

UInt64 HostTimeNanoseconds() {
  return static_cast<UInt64>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

}  // namespace

extern "C" {

OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void* inCallbackRefCon, CFRunLoopRef inRunLoop, CFStringRef inRunLoopMode,
                               Float32 inNotificationInterval, Float32 inValueChangeGranularity, AUEventListenerRef* outListener) {
  if (!inProc || !outListener) return kAudio_ParamError;
  try {
    auto listener = std::make_shared<AUListenerBase>();
    listener->proc = inProc;
    listener->refCon = inCallbackRefCon;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.listeners.push_back(listener);
    *outListener = listener.get();
    return noErr;
  } catch (const std::bad_alloc&) {
    return kAudio_MemFullError;
  }
}

OSStatus AUEventListenerAddEventType(AUEventListenerRef inListener, void* inObject, const AudioUnitEvent* inEvent) {
  if (!inEvent) return kAudio_ParamError;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  std::shared_ptr<AUListenerBase> listener = registry.Find(inListener);
  if (!listener) return kAudio_ParamError;
  for (const Registration& r : registry.registrations)
    if (r.listener == listener && r.object == inObject && SameEvent(r.event, *inEvent)) return noErr;
  try {
    registry.registrations.push_back({listener, inObject, *inEvent});
  } catch (const std::bad_alloc&) {
    return kAudio_MemFullError;
  }
  return noErr;
}

OSStatus AUEventListenerRemoveEventType(AUEventListenerRef inListener, void* inObject, const AudioUnitEvent* inEvent) {
  if (!inEvent) return kAudio_ParamError;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (!registry.Find(inListener)) return kAudio_ParamError;
  auto& regs = registry.registrations;
  regs.erase(std::remove_if(regs.begin(), regs.end(),
                            [&](const Registration& r) {
                              return r.listener.get() == inListener && r.object == inObject && SameEvent(r.event, *inEvent);
                            }),
             regs.end());
  return noErr;
}

OSStatus AUListenerDispose(AUParameterListenerRef inListener) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  std::shared_ptr<AUListenerBase> listener = registry.Find(inListener);
  if (!listener) return kAudio_ParamError;
  listener->alive.store(false);
  auto& regs = registry.registrations;
  regs.erase(std::remove_if(regs.begin(), regs.end(), [&](const Registration& r) { return r.listener == listener; }), regs.end());
  auto& all = registry.listeners;
  all.erase(std::remove(all.begin(), all.end(), listener), all.end());
  return noErr;
}

OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener, void* inSendingObject, const AudioUnitEvent* inEvent) {
  if (!inEvent) return kAudio_ParamError;
  std::vector<Registration> targets;
  try {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    for (const Registration& r : registry.registrations) {
      const bool fromItself = r.listener.get() == inSendingListener && (!inSendingObject || r.object == inSendingObject);
      if (!fromItself && Matches(r.event, *inEvent)) targets.push_back(r);
    }
  } catch (const std::bad_alloc&) {
    return kAudio_MemFullError;
  }
  if (targets.empty()) return noErr;

  AudioUnitParameterValue value = 0;
  if (inEvent->mEventType == kAudioUnitEvent_ParameterValueChange) {
    const AudioUnitParameter& p = inEvent->mArgument.mParameter;
    if (AudioUnitGetParameter(p.mAudioUnit, p.mParameterID, p.mScope, p.mElement, &value) != noErr) value = 0;
  }
  const UInt64 hostTime = HostTimeNanoseconds();
  for (const Registration& r : targets)
    if (r.listener->alive.load()) r.listener->proc(r.listener->refCon, r.object, inEvent, hostTime, value);
  return noErr;
}

OSStatus AUParameterListenerNotify(AUParameterListenerRef inSendingListener, void* inSendingObject,
                                   const AudioUnitParameter* inParameter) {
  if (!inParameter) return kAudio_ParamError;
  AudioUnitEvent event;
  std::memset(&event, 0, sizeof event);
  event.mEventType = kAudioUnitEvent_ParameterValueChange;
  event.mArgument.mParameter = *inParameter;
  return AUEventListenerNotify(inSendingListener, inSendingObject, &event);
}

OSStatus AUParameterSet(AUParameterListenerRef inSendingListener, void* inSendingObject, const AudioUnitParameter* inParameter,
                        AudioUnitParameterValue inValue, UInt32 inBufferOffsetInFrames) {
  if (!inParameter) return kAudio_ParamError;
  const OSStatus result = AudioUnitSetParameter(inParameter->mAudioUnit, inParameter->mParameterID, inParameter->mScope,
                                                inParameter->mElement, inValue, inBufferOffsetInFrames);
  if (result != noErr) return result;
  return AUParameterListenerNotify(inSendingListener, inSendingObject, inParameter);
}

}  // extern "C"
