#pragma once
// What the LV2 fuzz hosts share: a URID map, and the store the state
// interface saves into and restores from (one property per key, in memory).
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fuzz_test {

class UridMap {
public:
  LV2_URID Map(const char* uri);
  LV2_URID_Map feature = {this, MapFn};

private:
  static LV2_URID MapFn(LV2_URID_Map_Handle h, const char* uri) { return static_cast<UridMap*>(h)->Map(uri); }
  std::map<std::string, LV2_URID> mIds;
};

struct StateProperty {
  uint32_t key = 0, type = 0;
  std::vector<uint8_t> bytes;
};
using StateProperties = std::vector<StateProperty>;

// The state interface's callbacks; the handle is a StateProperties.
LV2_State_Status StoreProperty(LV2_State_Handle h, uint32_t key, const void* value, size_t size, uint32_t type,
                               uint32_t flags);
const void* RetrieveProperty(LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags);

}  // namespace fuzz_test
