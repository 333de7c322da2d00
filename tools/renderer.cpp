#include "renderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "errors.h"

void CQVLevelMeter::Add(const float* pfFrames, uint32 dwSamples)
{
    for (uint32 i = 0; i < dwSamples; ++i) {
        const float x = pfFrames[i];
        m_fPeak = std::max(m_fPeak, std::fabs(x));
        m_dSumSquares += double(x) * double(x);
    }
    m_qwSamples += dwSamples;
}

double CQVLevelMeter::Rms() const { return m_qwSamples ? std::sqrt(m_dSumSquares / double(m_qwSamples)) : 0.0; }

double CQVLevelMeter::Decibels(double dLevel) { return dLevel > 3.16e-8 ? 20.0 * std::log10(dLevel) : -150.0; }

static uint32 EffectChannels(CFilterWrap* pEffect, uint32 dwChannels)
{
    return (dwChannels == 1 && pEffect->IsOnlyStereo()) ? 2 : dwChannels;
}

void QVPrepareStage(const QVRenderStage& stage, uint32 dwRate, uint32 dwChannels, uint32 dwBlock)
{
    CFilterWrap* p = stage.pEffect;
    p->SetPreset(0);
    p->SetSampleRate(dwRate);
    p->SetChannels(EffectChannels(p, dwChannels));
    p->SetBlockSize(dwBlock);
    p->SetPreset(stage.lPreset);
    for (const auto& set : stage.sets) p->SetParameter(set.first, set.second);
    p->Reset();
}

// Each effect knows its own delay (its slowest chain); the stages run in series.
uint32 QVChainLatency(const std::vector<QVRenderStage>& stages)
{
    uint32 dwLatency = 0;
    for (const QVRenderStage& stage : stages) dwLatency += stage.pEffect->GetLatency();
    return dwLatency;
}

QVRenderResult QVRender(const std::vector<QVRenderStage>& stages, IQVSource& source, IQVSink& sink,
                        uint32 dwRate, uint32 dwChannels, uint64_t qwExpectedFrames, const QVRenderOptions& options)
{
    const uint32 dwBlock = options.dwBlock;
    const bool bStereo = dwChannels == 2;
    for (const QVRenderStage& stage : stages) QVPrepareStage(stage, dwRate, dwChannels, dwBlock);

    QVRenderResult result;
    result.dwLatency = QVChainLatency(stages);

    // Planar ping-pong buffers: every stage reads one set and writes the other, so no
    // effect is ever asked to work in place. The spare buffer takes the second output of
    // a stereo-only effect on a mono stream, which is dropped.
    std::vector<float> interleaved(size_t(dwBlock) * dwChannels);
    std::vector<float> planar[2][2];
    for (auto& set : planar)
        for (auto& channel : set) channel.assign(dwBlock, 0.0f);
    std::vector<float> spare(dwBlock, 0.0f);

    uint64_t qwRead = 0;
    uint64_t qwToFlush = result.dwLatency;
    uint32 dwToTrim = result.dwLatency;
    bool bEnd = false;
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration inEffects{};

    while (!bEnd || qwToFlush > 0) {
        if (options.pInterrupt && *options.pInterrupt)
            throw QVError(QV_EXIT_INTERRUPTED, "interrupted; nothing was written");

        uint32 dwFrames = 0;
        if (!bEnd) {
            dwFrames = source.Read(interleaved.data(), dwBlock);
            result.in.Add(interleaved.data(), dwFrames * dwChannels);
            qwRead += dwFrames;
            bEnd = dwFrames < dwBlock;
        }
        // After the end, silence pushes the delayed tail out of the effects.
        if (bEnd && dwFrames < dwBlock && qwToFlush > 0) {
            const uint32 dwPad = uint32(std::min<uint64_t>(qwToFlush, dwBlock - dwFrames));
            std::fill(interleaved.begin() + size_t(dwFrames) * dwChannels,
                      interleaved.begin() + size_t(dwFrames + dwPad) * dwChannels, 0.0f);
            dwFrames += dwPad;
            qwToFlush -= dwPad;
        }
        if (dwFrames == 0) continue;

        for (uint32 i = 0; i < dwFrames; ++i)
            for (uint32 c = 0; c < dwChannels; ++c) planar[0][c][i] = interleaved[size_t(i) * dwChannels + c];

        const auto before = std::chrono::steady_clock::now();
        int cur = 0;
        for (const QVRenderStage& stage : stages) {
            const bool bPair = !bStereo && stage.pEffect->IsOnlyStereo();
            std::vector<float>* in = planar[cur];
            std::vector<float>* out = planar[1 - cur];
            float* ppIn[2] = {in[0].data(), bStereo ? in[1].data() : (bPair ? in[0].data() : nullptr)};
            float* ppOut[2] = {out[0].data(), bStereo ? out[1].data() : (bPair ? spare.data() : nullptr)};
            stage.pEffect->ProcessBlock(ppIn, ppOut, dwFrames, false);
            cur = 1 - cur;
        }
        inEffects += std::chrono::steady_clock::now() - before;

        const uint32 dwSkip = std::min(dwToTrim, dwFrames);
        dwToTrim -= dwSkip;
        const uint32 dwKeep = dwFrames - dwSkip;
        for (uint32 i = 0; i < dwKeep; ++i)
            for (uint32 c = 0; c < dwChannels; ++c)
                interleaved[size_t(i) * dwChannels + c] = planar[cur][c][dwSkip + i];
        if (dwKeep > 0) {
            sink.Write(interleaved.data(), dwKeep);
            result.out.Add(interleaved.data(), dwKeep * dwChannels);
            result.qwFrames += dwKeep;
        }
        if (options.progress)
            options.progress(qwRead, std::max(qwExpectedFrames, qwRead),
                             std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    result.dEffectSeconds = std::chrono::duration<double>(inEffects).count();
    return result;
}
