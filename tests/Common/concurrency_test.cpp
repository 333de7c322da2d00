// A host's control thread changes controls and presets while its audio thread runs
// blocks. Built with ThreadSanitizer by the test command, this proves the composite's
// lock covers every shared store.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "filterwrap.h"
#include "support/test_filters.h"

namespace {

class CHammerWrap : public CFilterWrap {
public:
    CHammerWrap()
    {
        qvtest::CScaleFilter scale;
        qvtest::COffsetFilter offset;
        InstallFilter(&scale, false, 0);
        InstallFilter(&offset, false, 0);
        InstallFilter(&scale, false, 1);
        for (int32 m : {0, 2, 6}) {
            const int32 c = AllocateParameter();
            SetControlName(c, "Control", "");
            CControlParam* pControl = GetControlParam(c);
            pControl->m_lMaps[pControl->m_lMapCount++] = m;
            pControl->m_lDisplay = c == 2 ? -2 : 0;
            GetParamMap(m)->m_lControl = c;
        }
        for (int p = 0; p < 3; ++p) {
            AddPreset("Preset");
            for (int32 c = 0; c < 3; ++c) SetPresetParameter(p, c, 0.1f * float(p + c));
        }
        SetPreset(0);
    }
};

TEST(CompositeConcurrency, ControlThreadAgainstAudioThread)
{
    CHammerWrap wrap;
    wrap.SetBlockSize(256);
    std::atomic<bool> bDone{false};

    std::thread control([&] {
        char szText[64];
        for (int i = 0; i < 20000; ++i) {
            wrap.SetParameter(i % 4, float(i % 100) * 0.01f);
            if (i % 7 == 0) wrap.SetPreset(i % 3);
            if (i % 11 == 0) wrap.GetParameterDisplay(i % 3, szText);
            if (i % 13 == 0) wrap.GetPresetName(szText);
        }
        bDone = true;
    });

    std::vector<float> left(256, 0.25f), right(256, -0.25f);
    float* ppIO[2] = {left.data(), right.data()};
    int lBlocks = 0;
    while (!bDone || lBlocks < 100) {
        for (float& x : left) x = 0.25f;
        for (float& x : right) x = -0.25f;
        wrap.ProcessBlock(ppIO, ppIO, 256, false);
        for (float x : left) ASSERT_TRUE(std::isfinite(x));
        ++lBlocks;
    }
    control.join();
    EXPECT_GE(lBlocks, 100);
}

} // namespace
