// Allocators: the system allocator (malloc) under three names, and the null
// allocator that hands out nothing and frees nothing.
#include "platform/apple/src/CFObject.h"

#include <CoreFoundation/CFDebugCounters.h>

#include <cstdlib>

struct __CFAllocator : corvane_cf::Object {
  explicit __CFAllocator(bool allocates) : Object(corvane_cf::kTypeAllocator), mAllocates(allocates) {}
  std::string Describe() const override { return mAllocates ? "<CFAllocator system>" : "<CFAllocator null>"; }
  const bool mAllocates;
};

namespace {

std::atomic<CFIndex> gLiveBlocks{0};

CFAllocatorRef MakeAllocator(bool allocates) {
  __CFAllocator* allocator = new __CFAllocator(allocates);
  corvane_cf::MakeImmortal(allocator);
  return allocator;
}

// kCFAllocatorDefault is NULL and means the system allocator.
bool Allocates(CFAllocatorRef allocator) {
  if (!allocator) return true;
  auto* a = corvane_cf::As<__CFAllocator>(allocator, corvane_cf::kTypeAllocator, "CFAllocator");
  return a && a->mAllocates;
}

}  // namespace

extern "C" {

const CFAllocatorRef kCFAllocatorDefault = nullptr;
const CFAllocatorRef kCFAllocatorSystemDefault = MakeAllocator(true);
const CFAllocatorRef kCFAllocatorMalloc = kCFAllocatorSystemDefault;
const CFAllocatorRef kCFAllocatorNull = MakeAllocator(false);

CFTypeID CFAllocatorGetTypeID(void) { return corvane_cf::kTypeAllocator; }

CFAllocatorRef CFAllocatorGetDefault(void) { return kCFAllocatorSystemDefault; }

void* CFAllocatorAllocate(CFAllocatorRef allocator, CFIndex size, CFOptionFlags hint) {
  if (size <= 0 || !Allocates(allocator)) return nullptr;
  void* block = std::malloc(static_cast<size_t>(size));
  if (block) gLiveBlocks.fetch_add(1);
  return block;
}

void* CFAllocatorReallocate(CFAllocatorRef allocator, void* ptr, CFIndex newsize, CFOptionFlags hint) {
  if (!Allocates(allocator)) return nullptr;
  if (!ptr) return CFAllocatorAllocate(allocator, newsize, hint);
  if (newsize <= 0) {
    CFAllocatorDeallocate(allocator, ptr);
    return nullptr;
  }
  return std::realloc(ptr, static_cast<size_t>(newsize));  // on failure ptr stays valid, as with realloc
}

void CFAllocatorDeallocate(CFAllocatorRef allocator, void* ptr) {
  if (!ptr || !Allocates(allocator)) return;
  gLiveBlocks.fetch_sub(1);
  std::free(ptr);
}

CFIndex CFAllocatorLiveBlockCount(void) { return gLiveBlocks.load(); }

}  // extern "C"
