// The component registry and instance lifecycle.
//
// Components and instances are records owned by one registry; handles are
// their addresses and are checked against the registry before use, so a
// closed instance or a made-up handle gets badComponentInstance (or
// invalidComponentID) instead of a wild read. Entries are always called
// without the registry lock held, because an entry may open, close or call
// other components.
#include "platform/apple/src/ComponentCall.h"

#include <AudioUnit/AudioComponent.h>
#include <CoreServices/ComponentRegistry.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

struct ComponentRecord {
  ComponentDescription description;
  ComponentRoutineUPP entry;
  std::string name;
  int openInstances = 0;
};

struct ComponentInstanceRecord {
  ComponentRecord* component;
  std::atomic<Handle> storage{nullptr};
};

namespace {

struct Registry {
  std::mutex mutex;
  std::vector<ComponentRecord*> components;  // registration order
  std::unordered_set<ComponentInstanceRecord*> instances;

  bool HasComponent(Component c) const { return std::find(components.begin(), components.end(), c) != components.end(); }
  bool HasInstance(ComponentInstance ci) const { return instances.count(ci) != 0; }
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

bool Matches(const ComponentDescription& have, const ComponentDescription* looking) {
  if (!looking) return true;
  if (looking->componentType && looking->componentType != have.componentType) return false;
  if (looking->componentSubType && looking->componentSubType != have.componentSubType) return false;
  if (looking->componentManufacturer && looking->componentManufacturer != have.componentManufacturer) return false;
  return (have.componentFlags & looking->componentFlagsMask) == (looking->componentFlags & looking->componentFlagsMask);
}

void DisposeInstance(ComponentInstance ci) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (registry.instances.erase(ci)) {
    if (registry.HasComponent(ci->component)) --ci->component->openInstances;
    delete ci;
  }
}

}  // namespace

namespace corvane_cm {

ComponentResult CallEntry(ComponentInstance instance, ComponentParameters* params) {
  ComponentRoutineUPP entry = nullptr;
  Handle storage = nullptr;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (!instance || !registry.HasInstance(instance)) return badComponentInstance;
    entry = instance->component->entry;
    storage = instance->storage.load();
  }
  return entry(params, storage);
}

}  // namespace corvane_cm

extern "C" {

Component RegisterComponentEntry(const ComponentDescription* cd, ComponentRoutineUPP entry, const char* name) {
  if (!cd || !entry) return nullptr;
  try {
    auto* component = new ComponentRecord{*cd, entry, name ? name : ""};
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.components.push_back(component);
    return component;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

Component RegisterComponent(ComponentDescription* cd, ComponentRoutineUPP componentEntryPoint, SInt16 global,
                            Handle componentName, Handle componentInfo, Handle componentIcon) {
  return RegisterComponentEntry(cd, componentEntryPoint, nullptr);
}

OSErr UnregisterComponent(Component aComponent) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto found = std::find(registry.components.begin(), registry.components.end(), aComponent);
  if (found == registry.components.end()) return invalidComponentID;
  if (aComponent->openInstances > 0) return validInstancesExist;
  registry.components.erase(found);
  delete aComponent;
  return noErr;
}

const char* GetRegisteredComponentName(Component aComponent) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return registry.HasComponent(aComponent) ? aComponent->name.c_str() : "";
}

Component FindNextComponent(Component aComponent, ComponentDescription* looking) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto next = registry.components.begin();
  if (aComponent) {
    next = std::find(registry.components.begin(), registry.components.end(), aComponent);
    if (next == registry.components.end()) return nullptr;
    ++next;
  }
  for (; next != registry.components.end(); ++next)
    if (Matches((*next)->description, looking)) return *next;
  return nullptr;
}

long CountComponents(ComponentDescription* looking) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return static_cast<long>(std::count_if(registry.components.begin(), registry.components.end(),
                                         [&](ComponentRecord* c) { return Matches(c->description, looking); }));
}

OSErr GetComponentInfo(Component aComponent, ComponentDescription* cd, Handle componentName, Handle componentInfo,
                       Handle componentIcon) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  ComponentRecord* component = nullptr;
  if (registry.HasComponent(aComponent))
    component = aComponent;
  else if (registry.HasInstance(reinterpret_cast<ComponentInstance>(aComponent)))
    component = reinterpret_cast<ComponentInstance>(aComponent)->component;
  if (!component) return invalidComponentID;
  if (cd) *cd = component->description;
  return noErr;
}

OSErr OpenAComponent(Component aComponent, ComponentInstance* ci) {
  if (!ci) return paramErr;
  *ci = nullptr;
  ComponentInstance instance;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (!registry.HasComponent(aComponent)) return invalidComponentID;
    try {
      instance = new ComponentInstanceRecord{aComponent};
      registry.instances.insert(instance);
    } catch (const std::bad_alloc&) {
      return memFullErr;
    }
    ++aComponent->openInstances;
  }
  const ComponentResult result = corvane_cm::Call(instance, kComponentOpenSelect, instance);
  if (result != noErr) {
    DisposeInstance(instance);
    return static_cast<OSErr>(result);
  }
  *ci = instance;
  return noErr;
}

ComponentInstance OpenComponent(Component aComponent) {
  ComponentInstance instance = nullptr;
  return OpenAComponent(aComponent, &instance) == noErr ? instance : nullptr;
}

OSErr CloseComponent(ComponentInstance aComponentInstance) {
  if (!GetComponentFromInstance(aComponentInstance)) return static_cast<OSErr>(badComponentInstance);
  const ComponentResult result = corvane_cm::Call(aComponentInstance, kComponentCloseSelect, aComponentInstance);
  DisposeInstance(aComponentInstance);
  return static_cast<OSErr>(result);
}

Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return registry.HasInstance(aComponentInstance) ? aComponentInstance->storage.load() : nullptr;
}

void SetComponentInstanceStorage(ComponentInstance aComponentInstance, Handle theStorage) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (registry.HasInstance(aComponentInstance)) aComponentInstance->storage.store(theStorage);
}

Component GetComponentFromInstance(ComponentInstance aComponentInstance) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return registry.HasInstance(aComponentInstance) ? aComponentInstance->component : nullptr;
}

ComponentResult CallComponentCanDo(ComponentInstance ci, SInt16 ftnNumber) {
  return corvane_cm::Call(ci, kComponentCanDoSelect, ftnNumber);
}

ComponentResult GetComponentVersion(ComponentInstance ci) { return corvane_cm::Call(ci, kComponentVersionSelect); }

// The newer names, over the same registry.
AudioComponent AudioComponentFindNext(AudioComponent inComponent, const AudioComponentDescription* inDesc) {
  if (!inDesc) return FindNextComponent(inComponent, nullptr);
  ComponentDescription looking = {inDesc->componentType, inDesc->componentSubType, inDesc->componentManufacturer,
                                  inDesc->componentFlags, inDesc->componentFlagsMask};
  return FindNextComponent(inComponent, &looking);
}

UInt32 AudioComponentCount(const AudioComponentDescription* inDesc) {
  if (!inDesc) return static_cast<UInt32>(CountComponents(nullptr));
  ComponentDescription looking = {inDesc->componentType, inDesc->componentSubType, inDesc->componentManufacturer,
                                  inDesc->componentFlags, inDesc->componentFlagsMask};
  return static_cast<UInt32>(CountComponents(&looking));
}

OSStatus AudioComponentCopyName(AudioComponent inComponent, CFStringRef* outName) {
  if (!outName) return paramErr;
  *outName = nullptr;
  std::string name;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (!registry.HasComponent(inComponent)) return invalidComponentID;
    name = inComponent->name;
  }
  *outName = CFStringCreateWithCString(nullptr, name.c_str(), kCFStringEncodingUTF8);
  return *outName ? noErr : coreFoundationUnknownErr;
}

OSStatus AudioComponentGetDescription(AudioComponent inComponent, AudioComponentDescription* outDesc) {
  if (!outDesc) return paramErr;
  ComponentDescription cd;
  const OSErr result = GetComponentInfo(inComponent, &cd, nullptr, nullptr, nullptr);
  if (result != noErr) return result;
  *outDesc = {cd.componentType, cd.componentSubType, cd.componentManufacturer, cd.componentFlags, cd.componentFlagsMask};
  return noErr;
}

OSStatus AudioComponentInstanceNew(AudioComponent inComponent, AudioComponentInstance* outInstance) {
  return OpenAComponent(inComponent, outInstance);
}

OSStatus AudioComponentInstanceDispose(AudioComponentInstance inInstance) { return CloseComponent(inInstance); }

AudioComponent AudioComponentInstanceGetComponent(AudioComponentInstance inInstance) { return GetComponentFromInstance(inInstance); }

}  // extern "C"
