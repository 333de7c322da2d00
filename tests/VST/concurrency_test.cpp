// A host's user-interface thread moves controls and switches programs while its audio
// thread runs processReplacing. Built with ThreadSanitizer by the test command, this
// shows that every plug-in keeps both sides apart.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "vst_host.h"
#include "vst_plugins.h"

// Test names show the plug-in file rather than the bytes of the table entry.
inline void PrintTo(const QVPluginFile& plugin, std::ostream* pOut) { *pOut << plugin.pPath; }

using qvhost::CInstance;
using qvhost::CPluginFile;

namespace {

class VstConcurrency : public ::testing::TestWithParam<QVPluginFile> {};

TEST_P(VstConcurrency, ControlThreadAgainstAudioThread)
{
    CPluginFile file(GetParam().pPath);
    ASSERT_TRUE(file.IsLoaded()) << file.Error();
    AEffect* pEffect = file.Instantiate();
    ASSERT_NE(pEffect, nullptr);
    CInstance instance(pEffect);
    instance.Dispatch(effOpen);
    instance.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    instance.Dispatch(effSetBlockSize, 0, 256);
    instance.Dispatch(effMainsChanged, 0, 1);
    const VstInt32 lParams = pEffect->numParams;
    const VstInt32 lPrograms = pEffect->numPrograms;

    std::atomic<bool> bDone{false};
    std::thread control([&] {
        char szText[512];
        for (int i = 0; i < 600; ++i) {
            instance.SetParameter(i % lParams, float(i % 101) * 0.01f);
            if (i % 7 == 0) instance.Dispatch(effSetProgram, 0, i % lPrograms);
            if (i % 5 == 0) instance.Dispatch(effGetParamDisplay, i % lParams, 0, szText);
            if (i % 11 == 0) instance.Dispatch(effGetProgramName, 0, 0, szText);
        }
        bDone = true;
    });

    std::vector<float> left(256), right(256);
    float* ppIO[2] = {left.data(), right.data()};
    bool bFinite = true;
    for (int lBlocks = 0; !bDone || lBlocks < 20; ++lBlocks) {
        for (size_t i = 0; i < left.size(); ++i) {
            left[i] = 0.3f * std::sin(0.05f * float(i + 256 * size_t(lBlocks)));
            right[i] = -left[i];
        }
        // Longer blocks now and then make the effect grow its buffers mid-stream.
        instance.ProcessReplacing(ppIO, ppIO, lBlocks % 50 == 49 ? 128 : 256);
        for (size_t i = 0; i < left.size(); ++i) bFinite = bFinite && std::isfinite(left[i]) && std::isfinite(right[i]);
    }
    control.join();
    EXPECT_TRUE(bFinite);
}

std::string PluginName(const ::testing::TestParamInfo<QVPluginFile>& info) { return info.param.pDeliverable; }

INSTANTIATE_TEST_SUITE_P(Plugins, VstConcurrency, ::testing::ValuesIn(kPluginFiles), PluginName);

} // namespace
