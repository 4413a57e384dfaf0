// Event listeners: a registry of (listener, object, event) registrations.
//
// A notification is not delivered inside the call that sends it: the
// sender (a plug-in informing its host, often under the plug-in's lock)
// only queues it, without allocating, for each matching registration on
// the run loop its listener was created for, and wakes that loop. The procs
// run when the loop's thread runs it (CFRunLoopRunInMode), outside every
// lock of ours, so a slow listener never holds up the sender, and a proc may
// add, remove or dispose of listeners (its own included) and notify again.
// A value change reads the parameter's value at delivery.
#include <AudioToolbox/AudioUnitUtilities.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "platform/apple/src/RunLoopWork.h"

namespace {
struct LoopQueue;
}

struct AUListenerBase {
  AUEventListenerProc proc;
  void* refCon;
  LoopQueue* queue;  // of the run loop the listener was created for
  std::atomic<bool> alive{true};
};

namespace {

struct Registration {
  std::shared_ptr<AUListenerBase> listener;
  void* object;
  AudioUnitEvent event;
};

// The notifications waiting for one run loop: a ring of fixed size, filled
// by senders and emptied by the loop's thread. Full, it drops the newest
// (and counts them).
struct LoopQueue {
  static constexpr int kCapacity = 4096;
  struct Pending {
    std::shared_ptr<AUListenerBase> listener;
    void* object = nullptr;
    AudioUnitEvent event = {};
    UInt64 hostTime = 0;
  };

  explicit LoopQueue(CFRunLoopRef l) : loop(l), ring(kCapacity) {}

  bool Push(const std::shared_ptr<AUListenerBase>& listener, void* object, const AudioUnitEvent& event,
            UInt64 hostTime) {
    std::lock_guard<std::mutex> lock(mutex);
    if (count == kCapacity) {
      ++dropped;
      return false;
    }
    Pending& p = ring[(head + count) % kCapacity];
    p.listener = listener;
    p.object = object;
    p.event = event;
    p.hostTime = hostTime;
    ++count;
    return true;
  }

  // Moves up to n pending notifications into out; how many.
  int Take(Pending* out, int n) {
    std::lock_guard<std::mutex> lock(mutex);
    int taken = 0;
    for (; taken < n && count > 0; ++taken, --count) {
      out[taken] = std::move(ring[head]);
      head = (head + 1) % kCapacity;
    }
    return taken;
  }

  const CFRunLoopRef loop;
  std::mutex mutex;
  std::vector<Pending> ring;  // sized once
  int head = 0, count = 0;
  long dropped = 0;
};

struct Registry {
  std::mutex mutex;
  std::vector<std::shared_ptr<AUListenerBase>> listeners;
  std::vector<Registration> registrations;
  std::vector<std::unique_ptr<LoopQueue>> queues;  // one per run loop, kept

  LoopQueue* QueueFor(CFRunLoopRef loop) {
    for (const auto& q : queues)
      if (q->loop == loop) return q.get();
    queues.push_back(std::make_unique<LoopQueue>(loop));
    return queues.back().get();
  }

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

// The loop's thread: every notification queued for it, in order.
bool DeliverPending(CFRunLoopRef loop) {
  LoopQueue* queue = nullptr;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    for (const auto& q : registry.queues)
      if (q->loop == loop) queue = q.get();
  }
  if (!queue) return false;
  bool delivered = false;
  LoopQueue::Pending batch[32];
  for (int n; (n = queue->Take(batch, 32)) > 0;) {
    for (int i = 0; i < n; ++i) {
      LoopQueue::Pending& p = batch[i];
      if (!p.listener->alive.load()) continue;
      AudioUnitParameterValue value = 0;
      if (p.event.mEventType == kAudioUnitEvent_ParameterValueChange) {
        const AudioUnitParameter& param = p.event.mArgument.mParameter;
        if (AudioUnitGetParameter(param.mAudioUnit, param.mParameterID, param.mScope, param.mElement, &value) != noErr)
          value = 0;
      }
      p.listener->proc(p.listener->refCon, p.object, &p.event, p.hostTime, value);
      delivered = true;
    }
    for (int i = 0; i < n; ++i) batch[i].listener.reset();
  }
  return delivered;
}

}  // namespace

extern "C" {

OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void* inCallbackRefCon, CFRunLoopRef inRunLoop, CFStringRef inRunLoopMode,
                               Float32 inNotificationInterval, Float32 inValueChangeGranularity, AUEventListenerRef* outListener) {
  if (!inProc || !outListener) return kAudio_ParamError;
  try {
    corvane_cf::AddRunLoopPerformer(DeliverPending);
    auto listener = std::make_shared<AUListenerBase>();
    listener->proc = inProc;
    listener->refCon = inCallbackRefCon;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    // Without a run loop, the main thread's delivers.
    listener->queue = registry.QueueFor(inRunLoop ? inRunLoop : CFRunLoopGetMain());
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
  const UInt64 hostTime = HostTimeNanoseconds();
  // The loops to wake: each touched one, once (a handful at most).
  CFRunLoopRef woken[8];
  int nWoken = 0;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    for (const Registration& r : registry.registrations) {
      const bool fromItself = r.listener.get() == inSendingListener && (!inSendingObject || r.object == inSendingObject);
      if (fromItself || !Matches(r.event, *inEvent)) continue;
      LoopQueue* queue = r.listener->queue;
      if (!queue->Push(r.listener, r.object, *inEvent, hostTime)) continue;
      if (std::find(woken, woken + nWoken, queue->loop) != woken + nWoken) continue;
      if (nWoken < 8)
        woken[nWoken++] = queue->loop;
      else
        CFRunLoopWakeUp(queue->loop);
    }
  }
  for (int i = 0; i < nWoken; ++i) CFRunLoopWakeUp(woken[i]);
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
