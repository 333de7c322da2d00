// The render engine: runs a chain of effects over a stream of frames the way a host runs
// a plug-in, and lines the output up with the input by the effects' processing delay.
#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "audiofile.h"
#include "filterwrap.h"

// Peak and RMS level of everything it was shown, over all channels.
class CQVLevelMeter {
public:
    void Add(const float* pfFrames, uint32 dwSamples);
    float Peak() const { return m_fPeak; }
    double Rms() const;
    // 20 log10 of a level, with a floor of -150 dB for silence.
    static double Decibels(double dLevel);

private:
    float m_fPeak = 0.0f;
    double m_dSumSquares = 0.0;
    uint64_t m_qwSamples = 0;
};

struct QVRenderStage {
    CFilterWrap* pEffect = nullptr;             // not owned
    int32 lPreset = 0;                          // factory preset to apply
    std::vector<std::pair<int32, float>> sets;  // then these control values, in order
};

struct QVRenderOptions {
    uint32 dwBlock = 512;
    // Called after every block with the input frames done so far, the total expected and
    // the seconds spent so far; may be empty.
    std::function<void(uint64_t qwDone, uint64_t qwTotal, double dSeconds)> progress;
    // When it becomes non-zero the render stops with an "interrupted" error.
    const volatile std::sig_atomic_t* pInterrupt = nullptr;
};

struct QVRenderResult {
    uint64_t qwFrames = 0;         // frames read and written
    uint32 dwLatency = 0;          // samples trimmed from the start and flushed at the end
    double dEffectSeconds = 0.0;   // time spent inside the effects
    CQVLevelMeter in, out;
};

// Sets an effect up as a host does before its first block: preset 0 as on loading, the
// stream's sample rate, channel count and block size, then the chosen preset and control
// values (so that their rate-dependent settings follow the stream's rate), then a reset,
// which starts it. A stereo-only effect on a mono stream is told two channels.
void QVPrepareStage(const QVRenderStage& stage, uint32 dwRate, uint32 dwChannels, uint32 dwBlock);

// The delay of the whole chain, in samples (the sum of the stages').
uint32 QVChainLatency(const std::vector<QVRenderStage>& stages);

// Prepares the stages and renders the source (dwChannels of 1 or 2, interleaved) into the
// sink in blocks of dwBlock frames. The chain's delay is trimmed from the start of the
// output and flushed out at the end with silence, so the sink receives exactly as many
// frames as the source gave, aligned with them. A stereo-only effect on a mono stream
// gets the mono signal on both inputs and its first output is kept.
QVRenderResult QVRender(const std::vector<QVRenderStage>& stages, IQVSource& source, IQVSink& sink,
                        uint32 dwRate, uint32 dwChannels, uint64_t qwExpectedFrames, const QVRenderOptions& options);
