// IPlugLV2: the LV2 state extension. The state is one property, the
// plug-in's state chunk as an atom:Chunk, so a host's saved session holds
// exactly the bytes the other adapters store.
#include "framework/ByteChunk.h"
#include "host/lv2/IPlugLV2.h"

LV2_State_Status IPlugLV2::SaveState(LV2_State_Store_Function store, LV2_State_Handle handle) {
  if (!store) return LV2_STATE_ERR_UNKNOWN;
  if (!mMap) return LV2_STATE_ERR_NO_FEATURE;
  ByteChunk chunk;
  if (!SerializeState(&chunk)) return LV2_STATE_ERR_UNKNOWN;
  return store(handle, mStateKey, chunk.GetBytes(), static_cast<size_t>(chunk.Size()), mAtomChunk,
               LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status IPlugLV2::RestoreState(LV2_State_Retrieve_Function retrieve,
                                        LV2_State_Handle handle) {
  if (!retrieve) return LV2_STATE_ERR_UNKNOWN;
  if (!mMap) return LV2_STATE_ERR_NO_FEATURE;
  size_t size = 0;
  uint32_t type = 0, flags = 0;
  const void* data = retrieve(handle, mStateKey, &size, &type, &flags);
  if (!data) return LV2_STATE_ERR_NO_PROPERTY;
  if (type != mAtomChunk) return LV2_STATE_ERR_BAD_TYPE;
  // A size no state of this plug-in has is refused before anything is copied.
  if (size > static_cast<size_t>(MaxStateSize())) return LV2_STATE_ERR_UNKNOWN;
  ByteChunk chunk;
  chunk.PutBytes(data, static_cast<int>(size));
  // Checked whole before anything is applied: a refused state changes nothing.
  if (!IsWholeState(&chunk) || UnserializeState(&chunk, 0) < 0) return LV2_STATE_ERR_UNKNOWN;
  RedrawParamControls();
  // The host's ports still hold the values from before: tell it the new ones.
  QueueAllParamsForHost();
  return LV2_STATE_SUCCESS;
}
