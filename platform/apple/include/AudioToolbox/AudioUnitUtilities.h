/* Parameter and property event listeners. Notifications are delivered
   synchronously on the thread that calls AUEventListenerNotify (or
   AUParameterSet); the run loop arguments are accepted and ignored. */
#ifndef __AUDIOUNITUTILITIES__
#define __AUDIOUNITUTILITIES__

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A parameter id that matches every parameter of its unit, scope and element. */
#define kAUParameterListener_AnyParameter 0xFFFFFFFF

typedef UInt32 AudioUnitEventType;
enum {
  kAudioUnitEvent_ParameterValueChange = 0,
  kAudioUnitEvent_BeginParameterChangeGesture = 1,
  kAudioUnitEvent_EndParameterChangeGesture = 2,
  kAudioUnitEvent_PropertyChange = 3
};

typedef struct AudioUnitParameter {
  AudioUnit mAudioUnit;
  AudioUnitParameterID mParameterID;
  AudioUnitScope mScope;
  AudioUnitElement mElement;
} AudioUnitParameter;

typedef struct AudioUnitProperty {
  AudioUnit mAudioUnit;
  AudioUnitPropertyID mPropertyID;
  AudioUnitScope mScope;
  AudioUnitElement mElement;
} AudioUnitProperty;

typedef struct AudioUnitEvent {
  AudioUnitEventType mEventType;
  union {
    AudioUnitParameter mParameter;
    AudioUnitProperty mProperty;
  } mArgument;
} AudioUnitEvent;

typedef struct AUListenerBase *AUParameterListenerRef;
typedef AUParameterListenerRef AUEventListenerRef;

/* inParameterValue: for a value change, the parameter's value read from the
   unit with AudioUnitGetParameter at delivery (0 when that fails); 0 for
   other events. inEventHostTime: when the event was sent, on a monotonic
   clock in nanoseconds. */
typedef void (*AUEventListenerProc)(void *inCallbackRefCon, void *inObject, const AudioUnitEvent *inEvent,
                                    UInt64 inEventHostTime, AudioUnitParameterValue inParameterValue);
typedef void (*AUParameterListenerProc)(void *inCallbackRefCon, void *inObject, const AudioUnitParameter *inParameter,
                                        AudioUnitParameterValue inValue);

extern OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void *inCallbackRefCon, CFRunLoopRef inRunLoop,
                                      CFStringRef inRunLoopMode, Float32 inNotificationInterval,
                                      Float32 inValueChangeGranularity, AUEventListenerRef *outListener);
/* inObject is handed back to the proc and lets a sender skip its own listener. */
extern OSStatus AUEventListenerAddEventType(AUEventListenerRef inListener, void *inObject, const AudioUnitEvent *inEvent);
extern OSStatus AUEventListenerRemoveEventType(AUEventListenerRef inListener, void *inObject, const AudioUnitEvent *inEvent);
/* Queues the event for every listener registered for a matching event
   (same type, unit, id, scope and element), except inSendingListener's
   registrations made with inSendingObject (any of them when inSendingObject
   is NULL). Each listener's proc is called when the run loop it was created
   for runs (the main thread's when it was created with none), never inside
   this call. */
extern OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener, void *inSendingObject, const AudioUnitEvent *inEvent);
/* A listener may be disposed of from inside its own proc. */
extern OSStatus AUListenerDispose(AUParameterListenerRef inListener);

/* Sets the parameter on its unit, then notifies a value change. */
extern OSStatus AUParameterSet(AUParameterListenerRef inSendingListener, void *inSendingObject,
                               const AudioUnitParameter *inParameter, AudioUnitParameterValue inValue,
                               UInt32 inBufferOffsetInFrames);
extern OSStatus AUParameterListenerNotify(AUParameterListenerRef inSendingListener, void *inSendingObject,
                                          const AudioUnitParameter *inParameter);

#ifdef __cplusplus
}
#endif

#endif /* __AUDIOUNITUTILITIES__ */
