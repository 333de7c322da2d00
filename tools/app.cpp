#include "app.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "audiofile.h"
#include "cli.h"
#include "errors.h"
#include "registry.h"
#include "renderer.h"

namespace {

// Rate at which list and info show value texts and latencies.
const uint32 kInfoRate = 48000;

// The effects size their delay lines by the sample rate, so a header claiming billions
// of samples a second would have each effect of a chain allocate hundreds of megabytes.
// The bound is the one the Audio Unit components accept.
const uint32 kMostRate = 4000000;

std::string Display(CFilterWrap* pEffect, int32 lControl)
{
    char sz[64] = {};
    pEffect->GetParameterDisplay(lControl, sz);
    char szLabel[64] = {};
    pEffect->GetParameterLabel(lControl, szLabel);
    std::string text = sz;
    if (szLabel[0]) text += std::string(" ") + szLabel;
    return text;
}

std::string Joined(const std::vector<std::string>& items)
{
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + items[i];
    return out;
}

int List(const QVCommandLine& cl)
{
    bool bFilters = false;
    if (!cl.namesOnly) std::printf("Effects:\n");
    for (const QVRunnable& r : QVRunnables()) {
        if (cl.namesOnly) {
            if (r.pEffect) std::printf("%s\n", r.shortName.c_str());
            continue;
        }
        if (r.pFilter && !bFilters) {
            std::printf("\nLibrary filters (one filter, every parameter a control):\n");
            bFilters = true;
        }
        QVEffectPtr effect = QVCreate(r);
        std::vector<std::string> controls, presets;
        for (int32 c = 0; c < effect->GetParameterCount(); ++c) controls.push_back(QVControlName(effect.get(), c));
        for (int32 p = 0; p < effect->GetPresetCount(); ++p) presets.push_back(QVPresetName(effect.get(), p));
        std::printf("  %-16s %s  controls: %s\n", r.shortName.c_str(), r.code.c_str(), Joined(controls).c_str());
        if (r.pEffect) std::printf("  %-16s       presets:  %s\n", "", Joined(presets).c_str());
    }
    return QV_EXIT_OK;
}

int Info(const QVCommandLine& cl)
{
    const QVRunnable& r = QVFindRunnable(cl.stages[0].effect);
    QVEffectPtr effect = QVCreate(r);
    CFilterWrap* p = effect.get();
    p->SetSampleRate(kInfoRate);
    p->SetPreset(0); // texts at the rate shown

    std::printf("%s (%s)%s\n", QVEffectName(p).c_str(), r.code.c_str(),
                r.pFilter ? ", library filter" : "");
    std::printf("Latency: %u samples at %u Hz\n", p->GetLatency(), kInfoRate);
    if (p->IsOnlyStereo()) std::printf("Stereo only: a mono file is processed as two equal channels\n");
    std::printf("Controls (value 0..1 at preset 0; text at that value; text from 0 to 1):\n");
    for (int32 c = 0; c < p->GetParameterCount(); ++c) {
        const float v = p->GetParameter(c);
        const std::string now = Display(p, c);
        p->SetParameter(c, 0.0f);
        const std::string low = Display(p, c);
        p->SetParameter(c, 1.0f);
        const std::string high = Display(p, c);
        p->SetPreset(0);
        std::printf("  %2d  %-16s %6.4f  %-14s  %s .. %s\n", c, QVControlName(p, c).c_str(), double(v), now.c_str(),
                    low.c_str(), high.c_str());
    }
    std::printf("Presets:\n");
    for (int32 n = 0; n < p->GetPresetCount(); ++n) {
        std::string values;
        for (int32 c = 0; c < p->GetParameterCount(); ++c) {
            char sz[32];
            std::snprintf(sz, sizeof sz, "%.4g", double(p->GetPresetParameterIndexed(n, c)));
            values += (c ? "  " : "") + QVControlName(p, c) + "=" + sz;
        }
        std::printf("  %2d  %-18s %s\n", n, QVPresetName(p, n).c_str(), values.c_str());
    }
    return QV_EXIT_OK;
}

// The progress bar: only on a terminal, at most ten updates a second.
class CProgressBar {
public:
    explicit CProgressBar(uint32 dwRate) : m_dwRate(dwRate) {}
    void Update(uint64_t qwDone, uint64_t qwTotal, double dSeconds)
    {
        const bool bEnd = qwDone >= qwTotal;
        if (bEnd ? m_bEndShown : dSeconds - m_dLast < 0.1) return;
        m_bEndShown = bEnd;
        m_dLast = dSeconds;
        const double dFraction = qwTotal ? double(qwDone) / double(qwTotal) : 1.0;
        const int iWidth = 30, iFilled = int(dFraction * iWidth);
        const double dFactor = dSeconds > 0.0 ? (double(qwDone) / m_dwRate) / dSeconds : 0.0;
        const double dLeft = qwDone ? dSeconds * double(qwTotal - qwDone) / double(qwDone) : 0.0;
        std::fprintf(stderr, "\r[%s%s] %3d%%  %.1fx real time  %d:%02d left ", std::string(iFilled, '#').c_str(),
                     std::string(iWidth - iFilled, '.').c_str(), int(dFraction * 100.0), dFactor,
                     int(dLeft) / 60, int(dLeft) % 60);
        m_bShown = true;
    }
    ~CProgressBar()
    {
        if (m_bShown) std::fprintf(stderr, "\r\033[K");
    }

private:
    uint32 m_dwRate;
    double m_dLast = 0.0; // the first figures come after a tenth of a second, when they mean something
    bool m_bShown = false;
    bool m_bEndShown = false;
};

int Render(const QVCommandLine& cl, const volatile std::sig_atomic_t* pInterrupt)
{
    // Everything the command line names is checked before any file is touched.
    std::vector<QVEffectPtr> effects;
    std::vector<QVRenderStage> stages;
    std::string chain;
    for (const QVStageArgs& args : cl.stages) {
        const QVRunnable& r = QVFindRunnable(args.effect);
        effects.push_back(QVCreate(r));
        QVRenderStage stage;
        stage.pEffect = effects.back().get();
        if (!args.preset.empty()) stage.lPreset = QVFindPreset(stage.pEffect, args.preset);
        for (const std::string& set : args.sets) stage.sets.push_back(QVParseSet(stage.pEffect, set));
        stages.push_back(stage);
        chain += (chain.empty() ? "" : " + ") + r.shortName;
    }
    const int iFormat = QVOutputFormat(cl.output, cl.bits);

    CQVInputFile input(cl.input);
    if (input.Channels() > 2)
        throw QVFileError("'" + cl.input + "' has " + std::to_string(input.Channels()) +
                          " channels; quillmark renders mono and stereo files only");
    if (input.Rate() > kMostRate)
        throw QVFileError("'" + cl.input + "' has a sample rate of " + std::to_string(input.Rate()) +
                          " Hz; quillmark renders rates up to " + std::to_string(kMostRate) + " Hz");
    QVCheckOutputPath(cl.input, cl.output);
    CQVAtomicOutput output(cl.output, iFormat, input.Rate(), input.Channels());

    QVRenderOptions options;
    options.dwBlock = cl.block;
    options.pInterrupt = pInterrupt;
    std::unique_ptr<CProgressBar> bar;
    if (!cl.quiet && ::isatty(STDERR_FILENO)) {
        bar.reset(new CProgressBar(input.Rate()));
        options.progress = [&bar](uint64_t d, uint64_t t, double s) { bar->Update(d, t, s); };
    }
    const QVRenderResult result =
        QVRender(stages, input, output, input.Rate(), input.Channels(), uint64_t(input.Frames()), options);
    bar.reset();
    output.Commit();

    if (!cl.quiet) {
        std::printf("%-16s peak %6.1f -> %6.1f dBFS   RMS %6.1f -> %6.1f dBFS   %s\n", chain.c_str(),
                    CQVLevelMeter::Decibels(result.in.Peak()), CQVLevelMeter::Decibels(result.out.Peak()),
                    CQVLevelMeter::Decibels(result.in.Rms()), CQVLevelMeter::Decibels(result.out.Rms()),
                    cl.output.c_str());
    }
    if (cl.rateCheck) {
        // Audio time through the effects (the flushed tail included) per second spent in them.
        const double dAudio = double(result.qwFrames + result.dwLatency) / input.Rate();
        const double dFactor = result.dEffectSeconds > 0.0 ? dAudio / result.dEffectSeconds : 1e9;
        if (!cl.quiet) std::printf("real-time factor %.1fx\n", dFactor);
        if (dFactor < 1.0) {
            char sz[128];
            std::snprintf(sz, sizeof sz, "%s ran slower than real time (%.2fx); '%s' was written", chain.c_str(),
                          dFactor, cl.output.c_str());
            throw QVError(QV_EXIT_SLOW, sz);
        }
    }
    return QV_EXIT_OK;
}

} // namespace

int QVRunQuillmark(const std::vector<std::string>& args, const volatile std::sig_atomic_t* pInterrupt)
{
    try {
        const QVCommandLine cl = QVParseCommandLine(args);
        if (cl.command == "list") return List(cl);
        if (cl.command == "info") return Info(cl);
        if (cl.command == "render") return Render(cl, pInterrupt);
        std::fputs(QVUsageText(), stdout);
        return QV_EXIT_OK;
    } catch (const QVError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "quillmark: %s\n", e.what());
        return e.ExitCode();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillmark: %s\n", e.what());
        return QV_EXIT_FILE;
    }
}
