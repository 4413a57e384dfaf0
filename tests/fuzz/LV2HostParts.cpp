#include "tests/fuzz/LV2HostParts.h"

namespace fuzz_test {

LV2_URID UridMap::Map(const char* uri) {
  auto it = mIds.find(uri);
  if (it != mIds.end()) return it->second;
  const LV2_URID id = static_cast<LV2_URID>(mIds.size() + 1);
  mIds.emplace(uri, id);
  return id;
}

LV2_State_Status StoreProperty(LV2_State_Handle h, uint32_t key, const void* value, size_t size, uint32_t type,
                               uint32_t) {
  auto* props = static_cast<StateProperties*>(h);
  const auto* bytes = static_cast<const uint8_t*>(value);
  props->push_back({key, type, std::vector<uint8_t>(bytes, bytes + size)});
  return LV2_STATE_SUCCESS;
}

const void* RetrieveProperty(LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) {
  for (const StateProperty& p : *static_cast<const StateProperties*>(h))
    if (p.key == key) {
      *size = p.bytes.size();
      *type = p.type;
      *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
      return p.bytes.data();
    }
  return nullptr;
}

}  // namespace fuzz_test
