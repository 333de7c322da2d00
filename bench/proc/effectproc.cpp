// effectproc: runs one effect of the catalogue over a WAV file the way a plug-in host
// does (separate input and output buffers, fixed-size blocks, preset 0 unless told
// otherwise) and reports the processor time spent inside ProcessBlock only, measured
// per block with the thread's CPU clock, as nanoseconds per frame:
//
//   effectproc [-b frames] [-p preset] [-o out.wav] <effect> in.wav
//
// <effect> is a class name (CCompacter), a short name ("Bass Boost") or a code (qvbb).
// Output line: "effectproc: <name> frames=<n> block=<b> dsp_cpu_s=<s> dsp_ns_per_frame=<x>".
#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "catalogue.h"

namespace {

double ThreadSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

const QVEffectInfo* Find(const char* pWhich)
{
    for (int i = 0; i < QVCatalogueCount(); ++i) {
        const QVEffectInfo& info = QVCatalogue()[i];
        if (!std::strcmp(pWhich, info.pClassName) || !std::strcmp(pWhich, info.pShortName) ||
            !std::strcmp(pWhich, info.pName))
            return &info;
        if (std::strlen(pWhich) == 4 &&
            QVFourCC(pWhich[0], pWhich[1], pWhich[2], pWhich[3]) == info.lCode)
            return &info;
    }
    return nullptr;
}

int Usage()
{
    std::fprintf(stderr, "usage: effectproc [-b frames] [-p preset] [-o out.wav] <effect> in.wav\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int lBlock = 512;
    int lPreset = 0;
    const char* pOut = nullptr;
    std::vector<const char*> args;
    for (int a = 1; a < argc; ++a) {
        if (!std::strcmp(argv[a], "-b") && a + 1 < argc)
            lBlock = std::atoi(argv[++a]);
        else if (!std::strcmp(argv[a], "-p") && a + 1 < argc)
            lPreset = std::atoi(argv[++a]);
        else if (!std::strcmp(argv[a], "-o") && a + 1 < argc)
            pOut = argv[++a];
        else
            args.push_back(argv[a]);
    }
    if (args.size() != 2 || lBlock <= 0 || lBlock > 65536) return Usage();
    const QVEffectInfo* pInfo = Find(args[0]);
    if (!pInfo) {
        std::fprintf(stderr, "effectproc: no effect '%s'\n", args[0]);
        return 2;
    }
    SF_INFO format = {};
    SNDFILE* pIn = sf_open(args[1], SFM_READ, &format);
    if (!pIn) {
        std::fprintf(stderr, "effectproc: cannot open %s\n", args[1]);
        return 3;
    }
    const int lChannels = format.channels;
    if (lChannels < 1 || lChannels > 2) {
        std::fprintf(stderr, "effectproc: %d channels (1 or 2 are processed)\n", lChannels);
        return 3;
    }
    SNDFILE* pOutFile = nullptr;
    if (pOut) {
        SF_INFO outFormat = format;
        outFormat.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        pOutFile = sf_open(pOut, SFM_WRITE, &outFormat);
        if (!pOutFile) {
            std::fprintf(stderr, "effectproc: cannot write %s\n", pOut);
            return 3;
        }
    }

    CFilterWrap* pEffect = pInfo->pCreateFor(QV_VST);
    if (!pEffect) return 4;
    pEffect->SetSampleRate(uint32(format.samplerate));
    pEffect->SetBlockSize(uint32(lBlock));
    pEffect->SetPreset(lPreset);
    pEffect->Reset();

    const std::size_t block = std::size_t(lBlock);
    std::vector<float> interleaved(block * std::size_t(lChannels));
    std::vector<float> in[2] = {std::vector<float>(block), std::vector<float>(block)};
    std::vector<float> out[2] = {std::vector<float>(block), std::vector<float>(block)};
    float* ppIn[2] = {in[0].data(), lChannels == 2 ? in[1].data() : nullptr};
    float* ppOut[2] = {out[0].data(), lChannels == 2 ? out[1].data() : nullptr};
    double dSeconds = 0.0;
    long long llFrames = 0;
    sf_count_t got;
    while ((got = sf_readf_float(pIn, interleaved.data(), sf_count_t(block))) > 0) {
        for (sf_count_t f = 0; f < got; ++f)
            for (int c = 0; c < lChannels; ++c) in[c][std::size_t(f)] = interleaved[std::size_t(f) * lChannels + c];
        const double dStart = ThreadSeconds();
        pEffect->ProcessBlock(ppIn, ppOut, uint32(got), false);
        dSeconds += ThreadSeconds() - dStart;
        if (pOutFile) {
            for (sf_count_t f = 0; f < got; ++f)
                for (int c = 0; c < lChannels; ++c) interleaved[std::size_t(f) * lChannels + c] = out[c][std::size_t(f)];
            sf_writef_float(pOutFile, interleaved.data(), got);
        }
        llFrames += got;
    }
    sf_close(pIn);
    if (pOutFile) sf_close(pOutFile);
    pEffect->Delete();
    std::printf("effectproc: %s frames=%lld block=%d dsp_cpu_s=%.4f dsp_ns_per_frame=%.2f\n", pInfo->pShortName,
                llFrames, lBlock, dSeconds, llFrames ? dSeconds * 1e9 / double(llFrames) : 0.0);
    return 0;
}
