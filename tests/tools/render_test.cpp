// The renderer's parts in-process, against composites made of small test filters: name
// matching, command-line parsing, file I/O and atomic writing, latency and the render loop.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "audiofile.h"
#include "cli.h"
#include "compander.h"
#include "delayfilter.h"
#include "noisereduction.h"
#include "errors.h"
#include "names.h"
#include "renderer.h"
#include "tool_test_support.h"
#include "support/test_filters.h"

namespace {

using qvtest::Slurp;
using qvtest::TempDir;
using qvtest::WriteText;

// ---------------------------------------------------------------------------------------
// Fixtures

// Delays each channel by round(p0 * 100) samples; also remembers the sample rate it was
// last activated at, to show when the renderer applies the controls.
class CSampleDelay : public CFilter {
public:
    CSampleDelay()
    {
        m_Params.Init(1);
        ActivatePreset();
    }
    IObject* Clone() override
    {
        CSampleDelay* p = new (std::nothrow) CSampleDelay;
        if (p) p->Copy(static_cast<CFilter*>(this));
        return p;
    }
    IObject* Create() override { return new (std::nothrow) CSampleDelay; }
    int32 GetUniqueID() override { return QVFourCC('Q', 'V', 't', 'd'); }
    void GetParameterName(int32 lIndex, char* pText) override
    {
        if (lIndex == 0) std::strcpy(pText, "Delay");
    }
    void ActivatePreset() override
    {
        m_dwDelay = uint32(std::lround(GetParameter(0) * 100.0f));
        m_dwLatency = m_dwDelay;
        m_dwActivatedRate = GetSampleRate();
    }
    int32 Reset() override
    {
        for (auto& h : m_History) h.assign(128, 0.0f);
        m_dwPos = 0;
        return 1;
    }
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override
    {
        uint32 dwPos = m_dwPos;
        for (int c = 0; c < 2; ++c) {
            if (!ppIn[c] || !ppOut[c]) continue;
            dwPos = m_dwPos;
            for (uint32 i = 0; i < dwFrames; ++i, dwPos = (dwPos + 1) % 128) {
                m_History[c][dwPos] = ppIn[c][i];
                const float y = m_History[c][(dwPos + 128 - m_dwDelay) % 128];
                ppOut[c][i] = bAdd ? ppOut[c][i] + y : y;
            }
        }
        m_dwPos = dwPos;
        return 1;
    }

    uint32 m_dwDelay = 0;
    uint32 m_dwActivatedRate = 0;

private:
    std::vector<float> m_History[2] = {std::vector<float>(128), std::vector<float>(128)};
    uint32 m_dwPos = 0;
};

// out0 = in0 + in1 and out1 = in0 - in1: shows what reaches each input.
class CSumDiff : public CFilter {
public:
    IObject* Clone() override
    {
        CSumDiff* p = new (std::nothrow) CSumDiff;
        if (p) p->Copy(static_cast<CFilter*>(this));
        return p;
    }
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override
    {
        if (!ppIn[0] || !ppIn[1] || !ppOut[0] || !ppOut[1]) return 1;
        for (uint32 i = 0; i < dwFrames; ++i) {
            const float a = ppIn[0][i], b = ppIn[1][i];
            ppOut[0][i] = (bAdd ? ppOut[0][i] : 0.0f) + a + b;
            ppOut[1][i] = (bAdd ? ppOut[1][i] : 0.0f) + a - b;
        }
        return 1;
    }
};

// A composite effect of test filters with one control per filter parameter and two
// presets; the delay control is control 0 when a delay is installed first.
class CTestEffect : public CFilterWrap {
public:
    CTestEffect() { SetEffectName("Test Effect"); }
    CTestEffect* Add(CFilter&& prototype, int32 lChain)
    {
        InstallFilter(&prototype, true, lChain);
        return this;
    }
    void SetStereoOnly() { SetOnlyStereo(true); }
    void AddPresets(float fFirst, float fSecond)
    {
        AddPreset("First");
        AddPreset("Second");
        SetPresetParameter(0, 0, fFirst);
        SetPresetParameter(1, 0, fSecond);
    }
    CFilter* Filter(int32 i) { return GetFilterNode(i)->m_pFilter; }
};

float DelayValue(uint32 dwSamples) { return float(dwSamples) / 100.0f; }

class CMemorySource : public IQVSource {
public:
    CMemorySource(const std::vector<float>& frames, uint32 dwChannels) : m_Frames(frames), m_dwChannels(dwChannels) {}
    uint32_t Read(float* pf, uint32_t dwFrames) override
    {
        const size_t left = (m_Frames.size() - m_Pos) / m_dwChannels;
        const uint32_t n = uint32_t(std::min<size_t>(left, dwFrames));
        std::copy(m_Frames.begin() + m_Pos, m_Frames.begin() + m_Pos + n * m_dwChannels, pf);
        m_Pos += n * m_dwChannels;
        return n;
    }

private:
    std::vector<float> m_Frames;
    uint32 m_dwChannels;
    size_t m_Pos = 0;
};

class CMemorySink : public IQVSink {
public:
    void Write(const float* pf, uint32_t dwFrames) override { frames.insert(frames.end(), pf, pf + dwFrames * channels); }
    std::vector<float> frames;
    uint32 channels = 2;
};

std::vector<float> Noise(size_t n, uint32 seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-0.9f, 0.9f);
    std::vector<float> v(n);
    for (float& x : v) x = dist(rng);
    return v;
}

template <class F>
QVError CatchError(F f)
{
    try {
        f();
    } catch (const QVError& e) {
        return e;
    }
    ADD_FAILURE() << "no error thrown";
    return QVError(-1, "");
}

// ---------------------------------------------------------------------------------------
// Names

TEST(RenderNames, NormalizeAndMatch)
{
    EXPECT_EQ(QVNormalizeName("Tessary Bass-Boost"), "tessarybassboost");
    EXPECT_TRUE(QVSameName("bass boost", "Bass Boost"));
    EXPECT_TRUE(QVSameName("noise reduction", "NoiseReduction"));
    EXPECT_FALSE(QVSameName("", ""));
    EXPECT_FALSE(QVSameName("bass", "Bass Boost"));
    EXPECT_EQ(QVEditDistance("kitten", "sitting"), 3u);
    EXPECT_EQ(QVEditDistance("", "abc"), 3u);
}

TEST(RenderNames, Suggestions)
{
    const std::vector<std::string> names = {"Bass Boost", "Compactor", "Crisper", "Expander", "Dual Expander"};
    struct Case {
        const char* typed;
        std::vector<std::string> expected;
    } cases[] = {
        {"bass bost", {"Bass Boost"}},
        {"compacter", {"Compactor"}},
        {"bass", {"Bass Boost"}},
        {"expand", {"Expander", "Dual Expander"}},
        {"zzzzzz", {}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(QVClosestNames(c.typed, names), c.expected) << c.typed;
    EXPECT_EQ(QVDidYouMean("crispr", names), "; did you mean 'Crisper'?");
    EXPECT_EQ(QVDidYouMean("qqqqqq", names), "");
    EXPECT_EQ(QVQuotedList({"a", "b", "c"}), "'a', 'b' or 'c'");
}

// ---------------------------------------------------------------------------------------
// Command line

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        else if (c == ' ' && !quoted) {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else cur += c;
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

TEST(RenderCommandLine, Parses)
{
    QVCommandLine cl = QVParseCommandLine(Split("render \"Bass Boost\" in.wav out.flac --preset 2 --set Strength=0.3"));
    ASSERT_EQ(cl.stages.size(), 1u);
    EXPECT_EQ(cl.stages[0].effect, "Bass Boost");
    EXPECT_EQ(cl.stages[0].preset, "2");
    EXPECT_EQ(cl.stages[0].sets, std::vector<std::string>{"Strength=0.3"});
    EXPECT_EQ(cl.input, "in.wav");
    EXPECT_EQ(cl.output, "out.flac");
    EXPECT_EQ(cl.block, 512u);

    cl = QVParseCommandLine(Split("render \"Bass Boost\" --set=Frequency=0.1,Strength=0.2 + qvcp --preset Intense "
                                  "a.wav b.wav --block=64 --bits 16 --quiet --rate-check --set Compression=1"));
    ASSERT_EQ(cl.stages.size(), 2u);
    EXPECT_EQ(cl.stages[0].sets, (std::vector<std::string>{"Frequency=0.1", "Strength=0.2"}));
    EXPECT_EQ(cl.stages[1].effect, "qvcp");
    EXPECT_EQ(cl.stages[1].preset, "Intense");
    EXPECT_EQ(cl.stages[1].sets, std::vector<std::string>{"Compression=1"});
    EXPECT_EQ(cl.block, 64u);
    EXPECT_EQ(cl.bits, "16");
    EXPECT_TRUE(cl.quiet && cl.rateCheck);

    EXPECT_EQ(QVParseCommandLine({}).command, "help");
    EXPECT_TRUE(QVParseCommandLine(Split("list --names")).namesOnly);
    EXPECT_EQ(QVParseCommandLine(Split("info qvsh")).stages[0].effect, "qvsh");
}

TEST(RenderCommandLine, RefusesWithAReason)
{
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"rendr x a b", "unknown command 'rendr'; did you mean 'render'?"},
        {"render", "name an effect"},
        {"render x a.wav", "needs an input and an output file, got 1"},
        {"render x a.wav b.wav c.wav", "got 3"},
        {"render x + a.wav b.wav", "got 1"},
        {"render + x a b", "'+' joins two effects"},
        {"render x a b --block 0", "--block 0: give a number of frames from 1 to 65536"},
        {"render x a b --block 70000", "from 1 to 65536"},
        {"render x a b --block 12x", "--block 12x"},
        {"render x a b --preset", "--preset needs a value"},
        {"render x a b --set Strength", "write CONTROL=VALUE"},
        {"render x a b --sett A=1", "did you mean '--set'?"},
        {"render --preset 1 x a b", "comes before any effect"},
        {"info x --block 5", "not an option of 'info'"},
        {"info x y", "'info' takes one effect"},
        {"list extra", "'list' takes no arguments"},
    };
    for (const auto& c : cases) {
        const QVError e = CatchError([&] { QVParseCommandLine(Split(c.line)); });
        EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.line << " -> " << e.what();
        EXPECT_EQ(e.ExitCode(), QV_EXIT_USAGE) << c.line;
    }
}

// ---------------------------------------------------------------------------------------
// Formats and files

TEST(RenderFiles, OutputFormatFromExtension)
{
    const struct {
        const char* path;
        const char* bits;
        int format;
    } cases[] = {
        {"a.wav", "", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
        {"dir.x/a.WAV", "16", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
        {"a.aiff", "", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
        {"a.aif", "24", SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
        {"a.flac", "", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
        {"a.flac", "16", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
        {"a.ogg", "", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
        {"a.wav", "32f", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
    };
    for (const auto& c : cases) EXPECT_EQ(QVOutputFormat(c.path, c.bits), c.format) << c.path << " " << c.bits;

    const struct {
        const char* path;
        const char* bits;
        const char* message;
    } refused[] = {
        {"a.mp3", "", "unknown output format '.mp3'; use .wav, .aiff, .flac or .ogg"},
        {"dir.wav/a", "", "(no extension)"},
        {"a.flac", "32f", "FLAC holds no float samples"},
        {"a.ogg", "16", "--bits does not apply to OGG"},
        {"a.wav", "8", "--bits 8 is not a sample format"},
    };
    for (const auto& c : refused) {
        const QVError e = CatchError([&] { QVOutputFormat(c.path, c.bits); });
        EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        EXPECT_EQ(e.ExitCode(), QV_EXIT_USAGE);
    }
    EXPECT_EQ(QVDescribeFormat(SF_FORMAT_FLAC | SF_FORMAT_PCM_16), "FLAC, 16-bit");
}

// Every writable format reads back with its rate, channel count and length, sample for
// sample where the format is lossless for the data written.
TEST(RenderFiles, RoundTripEveryFormat)
{
    TempDir dir;
    const struct {
        const char* name;
        const char* bits;
        int steps; // the data is quantized to this many steps per unit; 0: lossy
    } cases[] = {
        {"a.wav", "16", 32768}, {"a.wav", "24", 8388608}, {"a.wav", "", 8388608}, {"a.aiff", "16", 32768},
        {"a.aiff", "24", 8388608}, {"a.aif", "", 8388608}, {"a.flac", "16", 32768}, {"a.flac", "", 8388608},
        {"a.ogg", "", 0},
    };
    for (const auto& c : cases)
        for (uint32 channels : {1u, 2u}) {
            const uint32 rate = channels == 1 ? 22050 : 48000;
            const size_t frames = 3001;
            std::vector<float> data = Noise(frames * channels, channels);
            if (!c.steps) // a lossy coder keeps a tone, not white noise
                for (size_t i = 0; i < data.size(); ++i) data[i] = 0.5f * float(std::sin(double(i / channels) * 0.06));
            const int steps = c.steps ? c.steps : 32768;
            for (float& x : data) x = std::round(x * steps) / float(steps);
            const std::string path = dir / c.name;
            {
                CQVAtomicOutput out(path, QVOutputFormat(path, c.bits), rate, channels);
                out.Write(data.data(), uint32(frames));
                out.Commit();
            }
            CQVInputFile in(path);
            EXPECT_EQ(in.Rate(), rate) << c.name;
            EXPECT_EQ(in.Channels(), channels) << c.name;
            EXPECT_EQ(in.Frames(), int64_t(frames)) << c.name;
            std::vector<float> back(frames * channels + 8);
            EXPECT_EQ(in.Read(back.data(), uint32(frames + 4)), frames) << c.name;
            back.resize(frames * channels);
            if (c.steps) {
                EXPECT_EQ(back, data) << c.name << " " << c.bits << " " << channels;
            } else {
                double err = 0, sig = 0;
                for (size_t i = 0; i < data.size(); ++i) {
                    err += (back[i] - data[i]) * (back[i] - data[i]);
                    sig += data[i] * data[i];
                }
                EXPECT_LT(err, 0.01 * sig) << "Vorbis keeps a tone within -20 dB";
            }
        }
    EXPECT_EQ(dir.Files().size(), 5u) << "only the five targets, no temporary files";
}

// A decoder that delivers more frames than asked for (libsndfile's VOX ADPCM does for an
// odd count) must neither write past the caller's frames nor lose or repeat any.
TEST(RenderFiles, ReadsNeverDeliverMoreThanAsked)
{
    TempDir dir;
    const std::string path = dir / "speech.vox";
    const sf_count_t frames = 1001;
    {
        SF_INFO info = {0, 8000, 1, SF_FORMAT_RAW | SF_FORMAT_VOX_ADPCM, 0, 0};
        SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
        const std::vector<float> tone = Noise(size_t(frames), 5);
        sf_writef_float(f, tone.data(), frames);
        sf_close(f);
    }
    std::vector<float> whole(size_t(frames) + 16);
    const uint32 dwWhole = CQVInputFile(path).Read(whole.data(), uint32(whole.size()));
    ASSERT_GT(dwWhole, 0u);
    whole.resize(dwWhole);

    CQVInputFile in(path);
    std::vector<float> pieces;
    const float kCanary = 12345.0f;
    const uint32 kAsks[] = {7, 1, 3, 5};
    for (size_t k = 0;; ++k) {
        const uint32 dwAsk = kAsks[k % 4];
        std::vector<float> buffer(dwAsk + 8, kCanary);
        const uint32 n = in.Read(buffer.data(), dwAsk);
        ASSERT_LE(n, dwAsk);
        for (size_t i = dwAsk; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], kCanary) << "written past the frames asked for";
        pieces.insert(pieces.end(), buffer.begin(), buffer.begin() + n);
        if (n < dwAsk) break;
    }
    EXPECT_EQ(pieces, whole);
}

TEST(RenderFiles, AtomicOutputLeavesTargetAloneUntilCommit)
{
    TempDir dir;
    const std::string target = dir / "out.wav";
    WriteText(target, "precious");
    ::chmod(target.c_str(), 0640);
    const std::vector<float> data(200, 0.25f);
    {
        CQVAtomicOutput out(target, QVOutputFormat(target, ""), 44100, 2);
        out.Write(data.data(), 100);
        EXPECT_EQ(Slurp(target), "precious");
        EXPECT_EQ(dir.Files().size(), 2u) << "the temporary file lies beside the target";
        // Destroyed without Commit: as after a failure.
    }
    EXPECT_EQ(Slurp(target), "precious");
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"out.wav"});
    {
        CQVAtomicOutput out(target, QVOutputFormat(target, ""), 44100, 2);
        out.Write(data.data(), 100);
        out.Commit();
    }
    EXPECT_EQ(CQVInputFile(target).Frames(), 100);
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "a replaced file keeps its permissions";
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"out.wav"});
}

TEST(RenderFiles, InputAndOutputPathErrors)
{
    TempDir dir;
    const std::string audio = dir / "in.wav";
    {
        const std::vector<float> data(20, 0.1f);
        CQVAtomicOutput out(audio, QVOutputFormat(audio, ""), 44100, 1);
        out.Write(data.data(), 20);
        out.Commit();
    }
    WriteText(dir / "text.wav", "this is not audio");
    ::mkdir((dir / "folder.wav").c_str(), 0755);
    ::link(audio.c_str(), (dir / "alias.wav").c_str());

    const struct {
        std::string input;
        const char* message;
    } inputs[] = {
        {dir / "missing.wav", "does not exist"},
        {dir / "text.wav", "not an audio file in a supported format"},
        {dir / "folder.wav", "is a folder"},
    };
    for (const auto& c : inputs) {
        const QVError e = CatchError([&] { CQVInputFile in(c.input); });
        EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        EXPECT_EQ(e.ExitCode(), QV_EXIT_FILE);
    }

    const struct {
        std::string output;
        std::string message;
    } outputs[] = {
        {dir / "nowhere/out.wav", "output folder '" + dir / "nowhere' does not exist"},
        {dir / "folder.wav", "is a folder"},
        {audio, "is the input file"},
        {dir / "alias.wav", "is the input file"},
        {dir.Path() + "/./in.wav", "is the input file"},
    };
    for (const auto& c : outputs) {
        const QVError e = CatchError([&] { QVCheckOutputPath(audio, c.output); });
        EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.output << ": " << e.what();
        EXPECT_EQ(e.ExitCode(), QV_EXIT_FILE);
    }
    EXPECT_NO_THROW(QVCheckOutputPath(audio, dir / "new.wav"));
}

// ---------------------------------------------------------------------------------------
// Latency

TEST(RenderLatency, ChainsAddUpAndTheLongestCounts)
{
    const struct {
        std::vector<std::pair<uint32, int32>> filters; // delay, chain
        uint32 expected;
    } cases[] = {
        {{}, 0},
        {{{7, 0}}, 7},
        {{{7, 0}, {5, 0}}, 12},          // one chain: in series
        {{{7, 0}, {30, 1}}, 30},         // two chains: the longer one
        {{{7, 0}, {5, 0}, {10, 2}}, 12}, // chain numbers with a gap
    };
    for (const auto& c : cases) {
        CTestEffect e;
        for (const auto& f : c.filters) e.Add(CSampleDelay(), f.second);
        for (size_t i = 0; i < c.filters.size(); ++i) e.SetParameter(int32(i), DelayValue(c.filters[i].first));
        std::vector<QVRenderStage> stages(1);
        stages[0].pEffect = &e;
        EXPECT_EQ(QVChainLatency(stages), c.expected);
    }
    CTestEffect e;
    e.Add(CSampleDelay(), 0)->Add(CSampleDelay(), 1);
    e.SetParameter(1, DelayValue(40));
    e.SetFilterChannel(1, -1);
    EXPECT_EQ(e.GetLatency(), 0u) << "a filter out of processing adds nothing";
}

// The library's filters answer from their own settings: the noise reduction its window,
// the compander its look-ahead (a line of L slots delays by L - 2 samples).
TEST(RenderLatency, LibraryFilters)
{
    CNoiseReduction nr;
    EXPECT_EQ(nr.GetLatency(), 1024u);
    const struct {
        uint32 rate;
        float delay;
        uint32 expected;
    } cases[] = {
        {48000, 0.0f, 0},     {48000, 1.0f, 959},  {44100, 0.5f, 440}, {48000, 99.0f / 960.0f, 98}, // L = 100
        {48000, 1.0f / 960.0f, 0}, {48000, 5.0f, 959}, {48000, -1.0f, 0},
    };
    for (const auto& c : cases) {
        CCompander compander;
        compander.SetSampleRate(c.rate);
        compander.SetParameter(CCompander::DELAY, c.delay);
        EXPECT_EQ(compander.GetLatency(), c.expected) << c.rate << " " << c.delay;
    }
    CDelayFilter cross; // its delay is the effect itself, not a processing delay
    EXPECT_EQ(cross.GetLatency(), 0u);
}

// ---------------------------------------------------------------------------------------
// The render loop

struct LoopCase {
    uint32 channels, frames, block;
    std::vector<uint32> delays; // one stage per delay
};

class RenderLoop : public ::testing::TestWithParam<LoopCase> {};

TEST_P(RenderLoop, OutputMatchesInputInLengthAndTime)
{
    const LoopCase& c = GetParam();
    std::vector<CTestEffect> effects(c.delays.size());
    std::vector<QVRenderStage> stages;
    uint32 total = 0;
    for (size_t i = 0; i < c.delays.size(); ++i) {
        effects[i].Add(CSampleDelay(), 0);
        effects[i].AddPresets(0.0f, DelayValue(c.delays[i]));
        QVRenderStage stage;
        stage.pEffect = &effects[i];
        stage.lPreset = 1;
        stages.push_back(stage);
        total += c.delays[i];
    }
    const std::vector<float> input = Noise(size_t(c.frames) * c.channels, c.frames);
    CMemorySource source(input, c.channels);
    CMemorySink sink;
    sink.channels = c.channels;
    QVRenderOptions options;
    options.dwBlock = c.block;
    uint64_t lastDone = 0, calls = 0;
    options.progress = [&](uint64_t done, uint64_t all, double) {
        EXPECT_GE(done, lastDone);
        EXPECT_EQ(all, c.frames);
        lastDone = done;
        ++calls;
    };
    const QVRenderResult r = QVRender(stages, source, sink, 44100, c.channels, c.frames, options);
    EXPECT_EQ(r.dwLatency, total);
    EXPECT_EQ(r.qwFrames, c.frames);
    EXPECT_EQ(sink.frames, input) << "delays trimmed, tail flushed: the output is the input";
    EXPECT_EQ(lastDone, c.frames);
    EXPECT_GT(calls, 0u);
    EXPECT_FLOAT_EQ(r.in.Peak(), r.out.Peak());
}

INSTANTIATE_TEST_SUITE_P(Cases, RenderLoop,
                         ::testing::Values(LoopCase{2, 1000, 512, {0}}, LoopCase{2, 1000, 512, {37}},
                                           LoopCase{1, 1000, 64, {100}}, LoopCase{2, 1024, 512, {100, 28}},
                                           LoopCase{2, 777, 1, {3}}, LoopCase{1, 10, 512, {90}},
                                           LoopCase{2, 0, 512, {5}}, LoopCase{2, 5000, 4096, {64, 1, 99}}));

TEST(RenderLoop, StereoOnlyEffectGetsTheMonoSignalTwice)
{
    CTestEffect stereo;
    stereo.Add(CSumDiff(), 0);
    stereo.SetStereoOnly();
    CTestEffect plain;
    plain.Add(CSumDiff(), 0);
    const std::vector<float> input = Noise(300, 3);
    for (CTestEffect* e : {&stereo, &plain}) {
        CMemorySource source(input, 1);
        CMemorySink sink;
        sink.channels = 1;
        QVRenderStage stage;
        stage.pEffect = e;
        QVRender({stage}, source, sink, 44100, 1, 300, QVRenderOptions());
        ASSERT_EQ(sink.frames.size(), input.size());
        for (size_t i = 0; i < input.size(); ++i)
            ASSERT_EQ(sink.frames[i], e == &stereo ? input[i] + input[i] : 0.0f) << i;
    }
    EXPECT_EQ(stereo.GetChannels(), 2u);
    EXPECT_EQ(plain.GetChannels(), 1u);
}

TEST(RenderLoop, ControlsAreAppliedAtTheStreamRateAfterThePreset)
{
    CTestEffect e;
    e.Add(CSampleDelay(), 0)->Add(qvtest::CScaleFilter(), 0);
    e.AddPresets(0.1f, 0.2f);
    QVRenderStage stage;
    stage.pEffect = &e;
    stage.lPreset = 1;
    stage.sets = {{1, 0.5f}, {1, 0.125f}};
    QVPrepareStage(stage, 22050, 2, 256);
    auto* pDelay = static_cast<CSampleDelay*>(e.Filter(0));
    auto* pScale = static_cast<qvtest::CScaleFilter*>(e.Filter(1));
    EXPECT_EQ(pDelay->m_dwActivatedRate, 22050u) << "settings computed for the file's rate";
    EXPECT_EQ(pDelay->m_dwDelay, 20u) << "preset 1";
    EXPECT_FLOAT_EQ(pScale->m_fGain, 0.5f) << "the last --set wins";
    EXPECT_EQ(e.GetBlockSize(), 256u);
    EXPECT_TRUE(e.IsStarted()) << "reset starts the effect";
    EXPECT_GE(pScale->m_lResets, 1);
}

TEST(RenderLoop, InterruptStopsTheRender)
{
    CTestEffect e;
    e.Add(CSampleDelay(), 0);
    QVRenderStage stage;
    stage.pEffect = &e;
    CMemorySource source(Noise(20000, 1), 2);
    CMemorySink sink;
    volatile std::sig_atomic_t flag = 0;
    QVRenderOptions options;
    options.pInterrupt = &flag;
    options.progress = [&](uint64_t done, uint64_t, double) {
        if (done >= 2048) flag = 1;
    };
    const QVError err = CatchError([&] { QVRender({stage}, source, sink, 44100, 2, 10000, options); });
    EXPECT_EQ(err.ExitCode(), QV_EXIT_INTERRUPTED);
    EXPECT_EQ(sink.frames.size(), 2u * 2048u);
}

TEST(RenderLoop, LevelMeter)
{
    CQVLevelMeter m;
    std::vector<float> sine(4800);
    for (size_t i = 0; i < sine.size(); ++i) sine[i] = 0.5f * float(std::sin(2.0 * M_PI * double(i) / 48.0));
    m.Add(sine.data(), uint32(sine.size()));
    EXPECT_NEAR(m.Peak(), 0.5f, 1e-6f);
    EXPECT_NEAR(m.Rms(), 0.5 / std::sqrt(2.0), 1e-6);
    EXPECT_NEAR(CQVLevelMeter::Decibels(0.5), -6.0206, 1e-4);
    EXPECT_EQ(CQVLevelMeter::Decibels(0.0), -150.0);
    EXPECT_EQ(CQVLevelMeter().Rms(), 0.0);
}

} // namespace
