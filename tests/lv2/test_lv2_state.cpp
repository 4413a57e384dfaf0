// The LV2 state extension: the saved property is exactly the plug-in's
// state chunk, restores every parameter, and damaged or foreign states are
// refused without changing anything.
#include <gtest/gtest.h>

#include <lv2/atom/atom.h>

#include <cmath>
#include <cstring>

#include "plugin/Corvane.h"
#include "plugin/CorvaneLV2.h"
#include "tests/lv2/LV2TestHost.h"
#include "tests/support/AllocationCounter.h"

using namespace lv2_test;

namespace {

std::vector<double> Values(IPlugLV2* plug) {
  std::vector<double> v;
  for (int i = 0; i < plug->NParams(); ++i) v.push_back(plug->GetParam(i)->Value());
  return v;
}

}  // namespace

TEST(LV2State, SavesTheStateChunkAndRestoresEveryParameter) {
  LV2TestInstance a(CorvaneDescriptor(0));
  a.Activate();
  ASSERT_TRUE(a.Plug()->RestorePreset(3));  // "Kick Attack-": mode 3
  a.Plug()->SetParameterFromGUI(kPan1, 0.25);
  std::vector<StoredProperty> props;
  ASSERT_EQ(a.Save(&props), LV2_STATE_SUCCESS);
  ASSERT_EQ(props.size(), 1u);
  EXPECT_EQ(props[0].key, a.Map().Map(kCorvaneLV2StateKey));
  EXPECT_EQ(props[0].type, a.Map().Map(LV2_ATOM__Chunk));
  EXPECT_EQ(props[0].flags, unsigned(LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE));
  ByteChunk chunk;
  a.Plug()->SerializeState(&chunk);
  ASSERT_EQ(props[0].bytes.size(), size_t(8 * kNumCorvaneParams));
  EXPECT_EQ(std::memcmp(props[0].bytes.data(), chunk.GetBytes(), props[0].bytes.size()), 0);

  // A new instance in another host: its own URID numbers.
  LV2TestInstance b(CorvaneDescriptor(1));
  b.Map().Map("urn:shift:the:ids");
  for (auto& p : props) {
    p.key = b.Map().Map(kCorvaneLV2StateKey);
    p.type = b.Map().Map(LV2_ATOM__Chunk);
  }
  b.Activate();
  ASSERT_EQ(b.Restore(props), LV2_STATE_SUCCESS);
  EXPECT_EQ(Values(b.Plug()), Values(a.Plug()));
  b.Plug()->TakeParamChanges();
  EXPECT_EQ(static_cast<Corvane*>(b.Plug())->Engine().GetMode(), 3);

  // The host hears every restored value; its stale ports do not undo them.
  RecordingWriter writer;
  b.Plug()->DrainHostUpdates(&writer);
  EXPECT_EQ(writer.events.size(), size_t(kNumCorvaneParams));
  b.Run(256);
  EXPECT_EQ(Values(b.Plug()), Values(a.Plug()));
}

TEST(LV2State, DamagedOrForeignStatesAreRefusedAndChangeNothing) {
  LV2TestInstance inst(CorvaneDescriptor(0));
  inst.Activate();
  std::vector<StoredProperty> good;
  ASSERT_EQ(inst.Save(&good), LV2_STATE_SUCCESS);
  inst.Plug()->SetParameterFromGUI(kAmount, 0.1);
  const std::vector<double> before = Values(inst.Plug());

  EXPECT_EQ(inst.Restore({}), LV2_STATE_ERR_NO_PROPERTY);
  auto wrongType = good;
  wrongType[0].type = inst.Map().Map(LV2_ATOM__String);
  EXPECT_EQ(inst.Restore(wrongType), LV2_STATE_ERR_BAD_TYPE);
  auto shortChunk = good;
  shortChunk[0].bytes.resize(8 * 5);
  EXPECT_EQ(inst.Restore(shortChunk), LV2_STATE_ERR_UNKNOWN);
  auto longChunk = good;
  longChunk[0].bytes.resize(8 * 12);
  EXPECT_EQ(inst.Restore(longChunk), LV2_STATE_ERR_UNKNOWN);
  // A host's huge blob is refused by its size before anything is copied
  // (up to 1 GiB was copied first).
  auto huge = good;
  huge[0].bytes.resize(64 << 20);
  {
    corvane_test::AllocationScope scope;
    EXPECT_EQ(inst.Restore(huge), LV2_STATE_ERR_UNKNOWN);
    EXPECT_LT(scope.Largest(), 1 << 20);
  }
  auto empty = good;
  empty[0].bytes.clear();
  EXPECT_EQ(inst.Restore(empty), LV2_STATE_ERR_UNKNOWN);
  for (double bad : {std::nan(""), static_cast<double>(INFINITY)}) {
    auto notFinite = good;
    std::memcpy(&notFinite[0].bytes[8 * kSensitivity], &bad, 8);
    EXPECT_EQ(inst.Restore(notFinite), LV2_STATE_ERR_UNKNOWN);
  }
  EXPECT_EQ(Values(inst.Plug()), before);

  // Without the URID map there is no way to name the property.
  LV2TestInstance noMap(CorvaneDescriptor(0), 44100.0, 512, false);
  ASSERT_TRUE(noMap.Ok());
  std::vector<StoredProperty> none;
  EXPECT_EQ(noMap.Save(&none), LV2_STATE_ERR_NO_FEATURE);
  EXPECT_TRUE(none.empty());
}
