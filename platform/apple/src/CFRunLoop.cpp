// Run loop handles: one object stands for every thread's run loop, since
// nothing is ever scheduled on it here.
#include "platform/apple/src/CFObject.h"

struct __CFRunLoop : corvane_cf::Object {
  __CFRunLoop() : Object(corvane_cf::kTypeRunLoop) {}
  std::string Describe() const override { return "<CFRunLoop>"; }
};

namespace {

CFRunLoopRef TheRunLoop() {
  static __CFRunLoop* runLoop = [] {
    __CFRunLoop* loop = new __CFRunLoop;
    corvane_cf::MakeImmortal(loop);
    return loop;
  }();
  return runLoop;
}

}  // namespace

extern "C" {

const CFStringRef kCFRunLoopDefaultMode = __CFStringMakeConstantString("kCFRunLoopDefaultMode");
const CFStringRef kCFRunLoopCommonModes = __CFStringMakeConstantString("kCFRunLoopCommonModes");

CFTypeID CFRunLoopGetTypeID(void) { return corvane_cf::kTypeRunLoop; }
CFRunLoopRef CFRunLoopGetCurrent(void) { return TheRunLoop(); }
CFRunLoopRef CFRunLoopGetMain(void) { return TheRunLoop(); }

}  // extern "C"
