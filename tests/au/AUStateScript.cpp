#include "tests/au/AUStateScript.h"

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

#include <vector>

#include "tests/au/ScriptBytes.h"
#include "tests/au/StateChecks.h"
#include "tests/au/TestAUPlug.h"

namespace au_test {

namespace {

constexpr int kMaxSteps = 32;
const char* const kClassInfoKeys[] = {"version", "type", "subtype", "manufacturer", "name", "data"};
enum { kVersionKey, kTypeKey, kSubtypeKey, kManufacturerKey, kNameKey, kDataKey, kNumClassInfoKeys };

std::vector<uint8_t> BytesOf(const ByteChunk& chunk) {
  const unsigned char* bytes = chunk.GetBytes();
  return bytes ? std::vector<uint8_t>(bytes, bytes + chunk.Size()) : std::vector<uint8_t>();
}

void Fill(ByteChunk* chunk, const std::vector<uint8_t>& bytes) {
  chunk->PutBytes(bytes.data(), static_cast<int>(bytes.size()));
}

// Everything a restore may change.
struct UnitState {
  std::vector<uint64_t> values;
  int presetIdx = 0;
  std::vector<uint8_t> bank;
  bool operator==(const UnitState& o) const {
    return values == o.values && presetIdx == o.presetIdx && bank == o.bank;
  }
};

UnitState StateOf(TestAUPlug& plug) {
  ByteChunk bank;
  plug.SerializePresets(&bank);
  return {ValueBits(plug), plug.GetCurrentPresetIdx(), BytesOf(bank)};
}

// Sets key to value (released here), or removes key when value is null.
void Put(CFMutableDictionaryRef dict, const std::string& key, CFTypeRef value) {
  CFStringRef cfKey = CFStringCreateWithCString(nullptr, key.c_str(), kCFStringEncodingUTF8);
  if (value) {
    CFDictionarySetValue(dict, cfKey, value);
    CFRelease(value);
  } else {
    CFDictionaryRemoveValue(dict, cfKey);
  }
  CFRelease(cfKey);
}

std::string StatusText(OSStatus status) { return "status " + std::to_string(static_cast<int>(status)); }

class StateHost {
public:
  StateHost(ScriptBytes& s, AudioUnit unit) : s(s), mUnit(unit), mPlug(*PlugOf(unit)) {}

  // "" when every check of the step held, else the first that failed.
  std::string Step() {
    const UnitState before = StateOf(mPlug);
    std::string fault;
    switch (s.Byte() % 7) {
      case 0: {
        const AudioUnitParameterID id = s.Byte() % mPlug.NParams();
        const AudioUnitParameterValue value = s.F32();
        AudioUnitSetParameter(mUnit, id, kAudioUnitScope_Global, 0, value, 0);
        break;
      }
      case 1:
        mPlug.RestorePreset(s.Byte() % (mPlug.NPresets() + 1));
        break;
      case 2:
        fault = RestoreClassInfo(EditedClassInfo(), before);
        break;
      case 3:
        fault = RestoreClassInfo(OwnClassInfoAround(s.Bytes(s.Byte())), before);
        break;
      case 4:
        fault = RestoreChunk(before);
        break;
      case 5:
        fault = CheckWholeState();
        break;
      default:
        fault = RestoreBank(before);
        break;
    }
    if (fault.empty()) fault = ValuesInRange(mPlug);
    if (fault.empty()) fault = TakesBackOwnClassInfo();
    return fault;
  }

private:
  int NParams() const { return mPlug.NParams(); }

  OSStatus SetClassInfo(CFTypeRef plist) {
    return AudioUnitSetProperty(mUnit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &plist,
                                sizeof plist);
  }

  // The unit's class info (owned by the caller), or null.
  CFPropertyListRef OwnClassInfo(OSStatus* status) {
    CFPropertyListRef plist = nullptr;
    UInt32 size = sizeof plist;
    *status = AudioUnitGetProperty(mUnit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &plist, &size);
    return *status == noErr ? plist : nullptr;
  }

  CFMutableDictionaryRef OwnClassInfoCopy() {
    OSStatus status = noErr;
    CFPropertyListRef own = OwnClassInfo(&status);
    CFMutableDictionaryRef copy =
        own ? CFDictionaryCreateMutableCopy(nullptr, 0, static_cast<CFDictionaryRef>(own))
            : CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    if (own) CFRelease(own);
    return copy;
  }

  std::vector<uint8_t> OwnStateBytes() {
    ByteChunk chunk;
    mPlug.SerializeState(&chunk);
    return BytesOf(chunk);
  }

  std::vector<uint8_t> OwnBankBytes() {
    ByteChunk chunk;
    mPlug.SerializePresets(&chunk);
    return BytesOf(chunk);
  }

  // A few scripted changes: a byte overwritten, the end cut or grown, or a
  // double (any bit pattern) written over the 8 bytes of one value.
  std::vector<uint8_t> Edited(std::vector<uint8_t> bytes) {
    const int edits = s.Byte() % 4;
    for (int e = 0; e < edits; ++e) {
      const size_t pos = s.U16() % (bytes.size() + 1);
      switch (s.Byte() % 4) {
        case 0:
          if (pos < bytes.size()) bytes[pos] = s.Byte();
          break;
        case 1:
          bytes.resize(pos);
          break;
        case 2:
          bytes.insert(bytes.begin() + static_cast<long>(pos), s.Byte());
          break;
        default: {
          const size_t at = pos - pos % 8;
          const uint64_t bits = s.U64();
          if (bytes.size() < at + 8) bytes.resize(at + 8);
          for (int b = 0; b < 8; ++b) bytes[at + b] = static_cast<uint8_t>(bits >> (8 * b));
          break;
        }
      }
    }
    return bytes;
  }

  // Raw bytes, or the unit's own with a few edits.
  std::vector<uint8_t> RawOrEdited(std::vector<uint8_t> own) {
    if (s.Byte() % 2) return s.Bytes(s.U16() % 1024);
    return Edited(std::move(own));
  }

  // Mostly 0; sometimes a little off, negative, or anywhere.
  int StartPosition() {
    switch (s.Byte() % 4) {
      case 2:
        return s.Byte() % 16 - 4;
      case 3:
        return static_cast<int>(s.U32());
      default:
        return 0;
    }
  }

  // Printable UTF-8 text of n characters, some of them two bytes long.
  std::string TextBytes(size_t n) {
    std::string text;
    for (size_t i = 0; i < n; ++i) {
      const uint8_t b = s.Byte();
      if (b % 16 == 0)
        text += "\xc3\xa9";
      else
        text += static_cast<char>(' ' + b % 95);
    }
    return text;
  }

  CFStringRef Text(size_t n) {
    return CFStringCreateWithCString(nullptr, TextBytes(n).c_str(), kCFStringEncodingUTF8);
  }

  // A bank laid out slot by slot (name, initialised flag, state), each part
  // the unit's own or a scripted one.
  std::vector<uint8_t> ComposedBank() {
    ByteChunk bank;
    const std::vector<uint8_t> own = OwnStateBytes();
    for (int i = 0; i < mPlug.NPresets(); ++i) {
      const std::string name = s.Byte() % 4 ? mPlug.GetPresetName(i) : TextBytes(s.Byte());
      bank.PutStr(name.c_str());
      const bool initialized = s.Byte() % 8 != 0;
      bank.PutBool(initialized);
      if (initialized) {
        const std::vector<uint8_t> state = s.Byte() % 4 ? own : Edited(own);
        bank.PutBytes(state.data(), static_cast<int>(state.size()));
      }
    }
    return BytesOf(bank);
  }

  CFTypeRef MadeUpValue(int depth) {
    switch (s.Byte() % 8) {
      case 0: {
        const SInt32 v = static_cast<SInt32>(s.U32());
        return CFNumberCreate(nullptr, kCFNumberSInt32Type, &v);
      }
      case 1: {
        const SInt64 v = static_cast<SInt64>(s.U64());
        return CFNumberCreate(nullptr, kCFNumberSInt64Type, &v);
      }
      case 2: {
        const double v = s.F64();
        return CFNumberCreate(nullptr, kCFNumberFloat64Type, &v);
      }
      case 3: {
        const std::vector<uint8_t> bytes = s.Bytes(s.Byte());
        return CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()));
      }
      case 4:
        return Text(s.Byte());
      case 5:
        return CFRetain(s.Byte() % 2 ? kCFBooleanTrue : kCFBooleanFalse);
      case 6: {
        CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
        for (int n = depth < 2 ? s.Byte() % 4 : 0; n > 0; --n) {
          CFTypeRef v = MadeUpValue(depth + 1);
          CFArrayAppendValue(array, v);
          CFRelease(v);
        }
        return array;
      }
      default: {
        CFMutableDictionaryRef dict =
            CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
        for (int n = depth < 2 ? s.Byte() % 4 : 0; n > 0; --n) {
          const uint8_t which = s.Byte() % kNumClassInfoKeys;
          Put(dict, kClassInfoKeys[which], MadeUpValue(depth + 1));
        }
        return dict;
      }
    }
  }

  // A value the unit would take under the key.
  CFTypeRef FittingValue(int key) {
    SInt32 number = static_cast<SInt32>(s.U32());
    switch (key) {
      case kTypeKey:
        number = static_cast<SInt32>(kAudioUnitType_Effect);
        break;
      case kSubtypeKey:
        number = static_cast<SInt32>(kTestSubtype);
        break;
      case kManufacturerKey:
        number = static_cast<SInt32>(kTestMfr);
        break;
      case kNameKey: {
        const int preset = s.Byte() % (mPlug.NPresets() + 2);
        if (preset > mPlug.NPresets()) return Text(s.Byte());
        return CFStringCreateWithCString(nullptr, mPlug.GetPresetName(preset), kCFStringEncodingUTF8);
      }
      case kDataKey: {
        const std::vector<uint8_t> bytes = Edited(OwnStateBytes());
        return CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()));
      }
      default:
        break;
    }
    return CFNumberCreate(nullptr, kCFNumberSInt32Type, &number);
  }

  // The unit's own class info or an empty dictionary, with keys set to
  // fitting or made-up values, or removed; now and then not a dictionary.
  CFTypeRef EditedClassInfo() {
    if (s.Byte() % 8 == 0) return MadeUpValue(0);
    CFMutableDictionaryRef dict =
        s.Byte() % 2 ? OwnClassInfoCopy()
                     : CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                                 &kCFTypeDictionaryValueCallBacks);
    for (int edits = s.Byte() % 8; edits > 0; --edits) {
      const int key = s.Byte() % (kNumClassInfoKeys + 1);
      if (key == kNumClassInfoKeys) {  // a key the unit does not know
        Put(dict, "x" + std::to_string(s.Byte()), MadeUpValue(0));
        continue;
      }
      switch (s.Byte() % 4) {
        case 0:
          Put(dict, kClassInfoKeys[key], nullptr);
          break;
        case 1:
          Put(dict, kClassInfoKeys[key], MadeUpValue(0));
          break;
        default:
          Put(dict, kClassInfoKeys[key], FittingValue(key));
          break;
      }
    }
    return dict;
  }

  CFTypeRef OwnClassInfoAround(const std::vector<uint8_t>& data) {
    CFMutableDictionaryRef dict = OwnClassInfoCopy();
    Put(dict, "data", CFDataCreate(nullptr, data.data(), static_cast<CFIndex>(data.size())));
    return dict;
  }

  // Sets the class info (released here).
  std::string RestoreClassInfo(CFTypeRef plist, const UnitState& before) {
    const OSStatus status = SetClassInfo(plist);
    std::vector<double> values;
    const bool whole = WholeStateIn(plist, NParams(), &values);
    if (plist) CFRelease(plist);
    if (status == noErr) {
      if (!whole) return "class info accepted with data that is not one finite value per parameter";
      const std::string held = HoldsClamped(mPlug, values);
      return held.empty() ? "" : "class info accepted: " + held;
    }
    if (status != kAudioUnitErr_InvalidPropertyValue) return "class info answered " + StatusText(status);
    return StateOf(mPlug) == before ? "" : "class info refused, yet the unit changed";
  }

  std::string RestoreChunk(const UnitState& before) {
    const std::vector<uint8_t> bytes = RawOrEdited(OwnStateBytes());
    const int start = StartPosition();
    ByteChunk chunk;
    Fill(&chunk, bytes);
    const int end = mPlug.UnserializeState(&chunk, start);
    std::vector<double> values;
    const bool readable = ReadStateValues(bytes.data(), bytes.size(), start, NParams(), &values);
    if (end < 0) {
      if (readable) return "UnserializeState refused a state that is all there and finite";
      return StateOf(mPlug) == before ? "" : "UnserializeState refused a state, yet the unit changed";
    }
    if (!readable) return "UnserializeState accepted a state that is short or not finite";
    if (end != start + 8 * NParams()) return "UnserializeState ended at " + std::to_string(end);
    const std::string held = HoldsClamped(mPlug, values);
    return held.empty() ? "" : "UnserializeState: " + held;
  }

  std::string CheckWholeState() {
    const std::vector<uint8_t> bytes = RawOrEdited(OwnStateBytes());
    ByteChunk chunk;
    Fill(&chunk, bytes);
    std::vector<double> values;
    const bool whole = bytes.size() == 8u * NParams() && ReadStateValues(bytes.data(), bytes.size(), 0, NParams(), &values);
    if (mPlug.IsWholeState(&chunk) != whole)
      return std::string("IsWholeState says ") + (whole ? "no" : "yes") + " to " + std::to_string(bytes.size()) +
             " bytes";
    return "";
  }

  std::string RestoreBank(const UnitState& before) {
    const std::vector<uint8_t> bytes = s.Byte() % 2 ? ComposedBank() : RawOrEdited(OwnBankBytes());
    const int start = StartPosition();
    ByteChunk chunk;
    Fill(&chunk, bytes);
    const int end = mPlug.UnserializePresets(&chunk, start);
    if (end < 0) return StateOf(mPlug) == before ? "" : "UnserializePresets refused a bank, yet the unit changed";
    if (end < start || end > chunk.Size()) return "UnserializePresets ended at " + std::to_string(end);
    // The bank the unit now holds reads back whole and changes nothing.
    const UnitState after = StateOf(mPlug);
    ByteChunk again;
    Fill(&again, after.bank);
    if (mPlug.UnserializePresets(&again, 0) != again.Size()) return "the unit's own bank is not read back whole";
    return StateOf(mPlug) == after ? "" : "reading the unit's own bank back changed it";
  }

  // A host that saves the unit and restores it at once changes nothing.
  std::string TakesBackOwnClassInfo() {
    OSStatus status = noErr;
    CFPropertyListRef own = OwnClassInfo(&status);
    if (!own) return "the unit gave no class info: " + StatusText(status);
    const std::vector<uint64_t> values = ValueBits(mPlug);
    status = SetClassInfo(own);
    CFRelease(own);
    if (status != noErr) return "the unit refused its own class info: " + StatusText(status);
    return ValueBits(mPlug) == values ? "" : "taking back its own class info changed a value";
  }

  ScriptBytes& s;
  AudioUnit mUnit;
  TestAUPlug& mPlug;
};

}  // namespace

std::string RunAUStateScript(const uint8_t* data, size_t size) {
  const Component component = TestComponent();
  const CFCounts atStart = CFCounts::Now();
  AudioUnit unit = nullptr;
  if (OpenAComponent(component, &unit) != noErr || !unit) return "the test unit did not open";
  ScriptBytes s(data, size);
  std::string fault;
  {
    StateHost host(s, unit);
    for (int step = 0; step < kMaxSteps && s.More() && fault.empty(); ++step) {
      fault = host.Step();
      if (!fault.empty()) fault = "step " + std::to_string(step) + ": " + fault;
    }
  }
  CloseComponent(unit);
  return fault.empty() ? CFCounts::Now().LeftSince(atStart) : fault;
}

}  // namespace au_test
