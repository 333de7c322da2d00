// The adapter template in memory, for the one answer no host request can reach: a
// factory preset number below zero.
#include <gtest/gtest.h>

#include "AudioUnits/AUHost/BaseUnit.h"
#include "effects.h"
#include "platform/AudioUnitSDK/AUHostAPI.h"

TEST(AudioUnitAdapter, RefusesFactoryPresetsOutsideTheTable)
{
    ComponentInstanceRecord instance = {nullptr, nullptr};
    QVBaseUnit<CCompacter> unit(&instance);
    const int32 lPresets = unit.GetEffect()->GetPresetCount();
    ASSERT_GT(lPresets, 1);
    for (SInt32 n : {-1, int32_t(lPresets), INT32_MIN}) EXPECT_EQ(unit.NewFactoryPresetSet({n, nullptr}), kAudioUnitErr_InvalidPropertyValue) << n;
    EXPECT_EQ(unit.NewFactoryPresetSet({lPresets - 1, nullptr}), noErr);
    EXPECT_EQ(unit.Globals().GetParameter(0), unit.GetEffect()->GetPresetParameterIndexed(lPresets - 1, 0));
}
