// quillmark run as a process on small files made here: formats, lengths and rates,
// latency compensation, every error path, chains, library filters, and renders compared
// sample for sample with the same effects run in memory through the library.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Quillmark/catalogue.h"
#include "libraryfilters.h"
#include "tool_test_support.h"

namespace {

using qvtest::Slurp;
using qvtest::TempDir;

// ---------------------------------------------------------------------------------------
// Running the program

struct Result {
    int code = -1;
    std::string out, err;
};

pid_t Spawn(const std::vector<std::string>& args, const std::string& out, const std::string& err)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(o, 1);
        ::dup2(e, 2);
        std::vector<char*> argv{const_cast<char*>(QUILLMARK_PATH)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(QUILLMARK_PATH, argv.data());
        ::_exit(127);
    }
    return pid;
}

int Wait(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

Result Quillmark(const std::vector<std::string>& args)
{
    char tmpl[] = "/tmp/quillmark-run-XXXXXX";
    const std::string dir = ::mkdtemp(tmpl);
    Result r;
    r.code = Wait(Spawn(args, dir + "/out", dir + "/err"));
    r.out = Slurp(dir + "/out");
    r.err = Slurp(dir + "/err");
    std::system(("rm -rf '" + dir + "'").c_str());
    return r;
}

// ---------------------------------------------------------------------------------------
// Audio files and the library in memory

struct Audio {
    uint32_t rate = 44100, channels = 2;
    std::vector<float> frames; // interleaved
    size_t Length() const { return frames.size() / channels; }
};

// Writes the audio and returns it as the file gives it back (what quillmark reads).
Audio Read(const std::string& path, int* pFormat = nullptr)
{
    SF_INFO info = SF_INFO();
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    Audio a;
    EXPECT_NE(f, nullptr) << path;
    if (!f) return a;
    a.rate = uint32_t(info.samplerate);
    a.channels = uint32_t(info.channels);
    a.frames.resize(size_t(info.frames) * a.channels);
    EXPECT_EQ(sf_readf_float(f, a.frames.data(), info.frames), info.frames);
    if (pFormat) *pFormat = info.format;
    sf_close(f);
    return a;
}

Audio Write(const std::string& path, const Audio& a, int format)
{
    SF_INFO info = SF_INFO();
    info.samplerate = int(a.rate);
    info.channels = int(a.channels);
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
    if (f) {
        sf_writef_float(f, a.frames.data(), sf_count_t(a.Length()));
        sf_close(f);
    }
    return Read(path);
}

// Music-like test signal: two tones, a decaying noise burst every 1/8 s.
Audio Signal(uint32_t rate, uint32_t channels, double seconds, uint32_t seed = 1)
{
    Audio a;
    a.rate = rate;
    a.channels = channels;
    const size_t n = size_t(seconds * rate);
    a.frames.resize(n * channels);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (size_t i = 0; i < n; ++i) {
        const double t = double(i) / rate;
        const double burst = std::exp(-std::fmod(t, 0.125) * 40.0);
        for (uint32_t c = 0; c < channels; ++c) {
            const double x = 0.3 * std::sin(2 * M_PI * (110.0 + 50 * c) * t) + 0.15 * std::sin(2 * M_PI * 3300.0 * t) +
                             0.3 * burst * noise(rng);
            a.frames[i * channels + c] = float(x);
        }
    }
    return a;
}

const QVEffectInfo* Effect(const char* pShortName)
{
    for (int i = 0; i < QVCatalogueCount(); ++i)
        if (std::strcmp(QVCatalogue()[i].pShortName, pShortName) == 0) return &QVCatalogue()[i];
    ADD_FAILURE() << pShortName;
    return nullptr;
}

std::string PresetName(CFilterWrap* p, int32 lPreset)
{
    char sz[64] = {};
    p->GetPresetNameIndexed(lPreset, sz);
    return sz;
}

// The effect run the way a host runs it, in memory: preset 0, rate, channels, block
// size, the chosen preset, reset, blocks of 512; a stereo-only effect on mono gets the
// signal on both inputs and its first output is kept. Then the expected delay is
// trimmed from the start with silence pushed in at the end.
Audio InMemory(const std::vector<std::pair<const QVEffectInfo*, int32>>& chain, const Audio& in,
               const std::vector<uint32_t>& delays)
{
    uint32_t delay = 0;
    for (uint32_t d : delays) delay += d;
    const uint32_t block = 512, ch = in.channels;
    const size_t n = in.Length(), total = n + delay;
    std::vector<float> planar[2];
    for (uint32_t c = 0; c < 2; ++c) {
        planar[c].assign(total + block, 0.0f);
        for (size_t i = 0; i < n && c < ch; ++i) planar[c][i] = in.frames[i * ch + c];
    }
    for (const auto& stage : chain) {
        CFilterWrap* p = stage.first->pCreate();
        const bool pair = ch == 1 && p->IsOnlyStereo();
        p->SetPreset(0);
        p->SetSampleRate(in.rate);
        p->SetChannels(pair ? 2 : ch);
        p->SetBlockSize(block);
        p->SetPreset(stage.second);
        p->Reset();
        std::vector<float> out[2] = {std::vector<float>(planar[0].size()), std::vector<float>(planar[0].size())};
        for (size_t i = 0; i < total; i += block) {
            const uint32_t frames = uint32_t(std::min<size_t>(block, total - i));
            float* ppIn[2] = {&planar[0][i], ch == 2 ? &planar[1][i] : (pair ? &planar[0][i] : nullptr)};
            float* ppOut[2] = {&out[0][i], (ch == 2 || pair) ? &out[1][i] : nullptr};
            p->ProcessBlock(ppIn, ppOut, frames, false);
        }
        planar[0].swap(out[0]);
        if (ch == 2) planar[1].swap(out[1]);
        p->Delete();
    }
    Audio a;
    a.rate = in.rate;
    a.channels = ch;
    a.frames.resize(n * ch);
    for (size_t i = 0; i < n; ++i)
        for (uint32_t c = 0; c < ch; ++c) a.frames[i * ch + c] = planar[c][i + delay];
    return a;
}

// Processing delay of each effect: the Sharpener's noise reduction delays by its
// 1024-sample window; no other effect of the catalogue delays its signal.
uint32_t ExpectedLatency(const QVEffectInfo* p) { return std::strcmp(p->pShortName, "Sharpener") == 0 ? 1024 : 0; }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// ---------------------------------------------------------------------------------------
// Listing

TEST(Quillmark, ListsEveryEffectAndLibraryFilter)
{
    const Result list = Quillmark({"list"});
    EXPECT_EQ(list.code, 0) << list.err;
    const Result names = Quillmark({"list", "--names"});
    std::string expected;
    for (int i = 0; i < QVCatalogueCount(); ++i) {
        const QVEffectInfo& e = QVCatalogue()[i];
        expected += std::string(e.pShortName) + "\n";
        char code[5] = {char(e.lCode >> 24), char(e.lCode >> 16), char(e.lCode >> 8), char(e.lCode), 0};
        EXPECT_TRUE(Contains(list.out, e.pShortName)) << e.pShortName;
        EXPECT_TRUE(Contains(list.out, code)) << code;
        CFilterWrap* p = e.pCreate();
        for (int32 k = 0; k < p->GetPresetCount(); ++k) EXPECT_TRUE(Contains(list.out, PresetName(p, k)));
        p->Delete();
    }
    EXPECT_EQ(names.out, expected);
    EXPECT_TRUE(Contains(list.out, "Library filters"));
    for (int i = 0; i < QVLibraryFilterCount(); ++i)
        EXPECT_TRUE(Contains(list.out, QVLibraryFilters()[i].pName)) << QVLibraryFilters()[i].pName;
    EXPECT_GE(QVLibraryFilterCount(), 19) << "the elementary and the additional filters";
}

TEST(Quillmark, InfoShowsControlsPresetsAndLatency)
{
    const Result r = Quillmark({"info", "sharpener"});
    EXPECT_EQ(r.code, 0) << r.err;
    for (const char* part : {"Tessary Sharpener (qvsh)", "Latency: 1024 samples", "Range", "Sharpness",
                             "Noise Reduction", "Enhance Highs", "Distortion", "Add Clarity", "51", "Hz"})
        EXPECT_TRUE(Contains(r.out, part)) << part << "\n" << r.out;
    EXPECT_TRUE(Contains(Quillmark({"info", "compactor"}).out, "Latency: 0 samples"));
    EXPECT_TRUE(Contains(Quillmark({"info", "compander"}).out, "Default"));
}

// ---------------------------------------------------------------------------------------
// Renders against the library

// Every effect, mono and stereo: the render equals the effect run in memory, sample for
// sample, lined up by the effect's delay.
TEST(Quillmark, EveryEffectMatchesTheLibraryInMemory)
{
    TempDir dir;
    for (uint32_t channels : {1u, 2u}) {
        const Audio in = Write(dir / "in.wav", Signal(44100, channels, 0.4, channels), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        for (int i = 0; i < QVCatalogueCount(); ++i) {
            const QVEffectInfo* e = &QVCatalogue()[i];
            const Result r = Quillmark({"render", e->pShortName, dir / "in.wav", dir / "out.wav", "--quiet"});
            ASSERT_EQ(r.code, 0) << e->pShortName << ": " << r.err;
            EXPECT_EQ(r.out, "");
            const Audio out = Read(dir / "out.wav");
            const Audio expected = InMemory({{e, 0}}, in, {ExpectedLatency(e)});
            EXPECT_EQ(out.channels, channels);
            EXPECT_EQ(out.rate, 44100u);
            ASSERT_EQ(out.frames.size(), expected.frames.size()) << e->pShortName;
            size_t mismatches = 0;
            for (size_t k = 0; k < out.frames.size(); ++k) mismatches += out.frames[k] != expected.frames[k];
            EXPECT_EQ(mismatches, 0u) << e->pShortName << " " << channels << " channel(s)";
        }
    }
}

TEST(Quillmark, NamesCodesAndPresetsSelectTheSameRender)
{
    TempDir dir;
    const Audio in = Write(dir / "in.flac", Signal(48000, 2, 0.25), SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    const QVEffectInfo* compactor = Effect("Compactor");
    CFilterWrap* p = compactor->pCreate();
    const std::string preset2 = PresetName(p, 2);
    p->Delete();
    const Audio expected = InMemory({{compactor, 2}}, in, {0});
    std::string lower = preset2;
    for (char& ch : lower) ch = char(std::tolower(static_cast<unsigned char>(ch)));
    const std::vector<std::vector<std::string>> variants = {{"compactor", "--preset", "2"},
                                                            {"Tessary Compactor", "--preset", preset2},
                                                            {"qvcp", "--preset=2"},
                                                            {"TESSARY-compactor", "--preset", lower}};
    for (const std::vector<std::string>& args : variants) {
        std::vector<std::string> cmd = {"render", args[0], dir / "in.flac", dir / "out.wav"};
        cmd.insert(cmd.end(), args.begin() + 1, args.end());
        const Result r = Quillmark(cmd);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(Read(dir / "out.wav").frames, expected.frames) << args[0];
    }
}

TEST(Quillmark, ChainRunsEffectsInOrderEachWithItsOwnSettings)
{
    TempDir dir;
    const Audio in = Signal(44100, 2, 0.3);
    Write(dir / "in.wav", in, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    const Result r = Quillmark({"render", "Bass Boost", "--preset", "1", "+", "Sharpener", "+", "Compactor", "--preset",
                             "Intense", dir / "in.wav", dir / "out.wav"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "Bass Boost + Sharpener + Compactor"));
    const Audio expected =
        InMemory({{Effect("Bass Boost"), 1}, {Effect("Sharpener"), 0}, {Effect("Compactor"), 1}}, in, {0, 1024, 0});
    EXPECT_EQ(Read(dir / "out.wav").frames, expected.frames);
}

TEST(Quillmark, SetChangesOnlyWhatItNames)
{
    TempDir dir;
    Write(dir / "in.wav", Signal(44100, 2, 0.2), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    // Setting a control to its preset-0 value changes nothing; another value does.
    CFilterWrap* p = Effect("Bass Boost")->pCreate();
    p->SetPreset(0);
    char value[32];
    std::snprintf(value, sizeof value, "Strength=%.9g", double(p->GetParameter(1)));
    p->Delete();
    ASSERT_EQ(Quillmark({"render", "bass boost", dir / "in.wav", dir / "a.wav"}).code, 0);
    ASSERT_EQ(Quillmark({"render", "bass boost", dir / "in.wav", dir / "b.wav", "--set", value}).code, 0);
    ASSERT_EQ(Quillmark({"render", "bass boost", dir / "in.wav", dir / "c.wav", "--set", "1=0.05"}).code, 0);
    EXPECT_EQ(Slurp(dir / "a.wav"), Slurp(dir / "b.wav"));
    EXPECT_NE(Slurp(dir / "a.wav"), Slurp(dir / "c.wav"));
}

TEST(Quillmark, RateCheckReportsTheRealTimeFactor)
{
    TempDir dir;
    Write(dir / "in.wav", Signal(44100, 2, 0.5), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const Result r = Quillmark({"render", "sharpener", dir / "in.wav", dir / "out.wav", "--rate-check"});
    EXPECT_EQ(r.code, 0) << r.err;
    double factor = 0;
    ASSERT_EQ(std::sscanf(r.out.substr(r.out.find("real-time factor")).c_str(), "real-time factor %lfx", &factor), 1)
        << r.out;
    EXPECT_GT(factor, 1.0);
}

// The README's demo: the bundled example through every effect, one line each.
TEST(Quillmark, DemoRendersTheExampleThroughEveryEffect)
{
    TempDir dir;
    const std::string cmd = std::string("QUILLMARK='") + QUILLMARK_PATH + "' QUILLMARK_OUT='" + (dir / "out") + "' '" +
                            QUILL_SOURCE_DIR + "/tools/demo.sh' > '" + (dir / "log") + "' 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << Slurp(dir / "log");
    const std::string log = Slurp(dir / "log");
    int lines = 0;
    for (size_t at = 0; (at = log.find(" RMS ", at)) != std::string::npos; ++at) ++lines;
    EXPECT_EQ(lines, QVCatalogueCount()) << log;
    const Audio example = Read(std::string(QUILL_SOURCE_DIR) + "/examples/groove.flac");
    EXPECT_EQ(example.channels, 2u);
    EXPECT_GE(example.Length(), 3u * example.rate);
    for (int i = 0; i < QVCatalogueCount(); ++i) {
        std::string file = QVCatalogue()[i].pShortName;
        for (char& c : file) c = c == ' ' ? '-' : char(std::tolower(static_cast<unsigned char>(c)));
        const Audio out = Read(dir / ("out/" + file + ".wav"));
        EXPECT_EQ(out.Length(), example.Length()) << file;
        EXPECT_EQ(out.rate, example.rate) << file;
    }
}

// ---------------------------------------------------------------------------------------
// Formats, lengths, rates, latency

TEST(Quillmark, FormatsRatesAndLengthsSurvive)
{
    TempDir dir;
    const struct {
        const char* in;
        int inFormat;
        const char* out;
        const char* bits;
        int outFormat;
        uint32_t rate, channels;
    } cases[] = {
        {"a.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, "b.wav", nullptr, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2},
        {"a.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, "b.aiff", "16", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 48000, 1},
        {"a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "b.flac", nullptr, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 96000, 2},
        {"a.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, "b.wav", "24", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 22050, 2},
        {"a.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, "b.ogg", nullptr, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 32000, 1},
        {"a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "b.aif", "32f", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 88200, 1},
    };
    for (const auto& c : cases) {
        const size_t length = Write(dir / c.in, Signal(c.rate, c.channels, 0.3), c.inFormat).Length();
        std::vector<std::string> cmd = {"render", "Sharpener", dir / c.in, dir / c.out};
        if (c.bits) cmd.insert(cmd.end(), {"--bits", c.bits});
        const Result r = Quillmark(cmd);
        ASSERT_EQ(r.code, 0) << c.in << " -> " << c.out << ": " << r.err;
        int format = 0;
        const Audio out = Read(dir / c.out, &format);
        EXPECT_EQ(format, c.outFormat) << c.out;
        EXPECT_EQ(out.rate, c.rate) << c.out;
        EXPECT_EQ(out.channels, c.channels) << c.out;
        EXPECT_EQ(out.Length(), length) << c.in << " -> " << c.out;
    }
}

// With its noise reduction at 0 the Sharpener's low band is the input delayed by the
// filter bank; a low tone burst (which the high band rejects) comes out where it went
// in, not 1024 samples late.
TEST(Quillmark, SharpenerDelayIsCompensated)
{
    TempDir dir;
    Audio in;
    in.rate = 48000;
    in.channels = 1;
    in.frames.assign(12000, 0.0f);
    for (size_t i = 0; i < in.frames.size(); ++i) {
        const double t = (double(i) - 5000.0) / 48000.0;
        in.frames[i] = float(0.5 * std::exp(-t * t / (2 * 0.004 * 0.004)) * std::sin(2 * M_PI * 300.0 * t));
    }
    Write(dir / "in.wav", in, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    for (const char* block : {"512", "100", "4096"}) {
        const Result r = Quillmark({"render", "sharpener", dir / "in.wav", dir / "out.wav", "--set", "Noise Reduction=0",
                                 "--set", "Range=1", "--block", block});
        ASSERT_EQ(r.code, 0) << r.err;
        const Audio out = Read(dir / "out.wav");
        ASSERT_EQ(out.Length(), in.Length());
        // The lag of best correlation between input and output.
        int best = 0;
        double bestValue = -1e30;
        for (int lag = -1100; lag <= 1100; ++lag) {
            double sum = 0;
            for (size_t i = 2000; i < 8000; ++i) sum += double(in.frames[i]) * out.frames[size_t(int(i) + lag)];
            if (sum > bestValue) bestValue = sum, best = lag;
        }
        EXPECT_LE(std::abs(best), 1) << "block " << block;
    }
}

// The noise reduction alone, as a library filter at strength 0: an impulse at 100 comes
// out at 100 (its 1024-sample delay trimmed), and nothing of it is lost at the end.
TEST(Quillmark, LibraryNoiseReductionImpulseStaysInPlace)
{
    TempDir dir;
    for (size_t at : {size_t(100), size_t(1500)}) {
        Audio in;
        in.rate = 44100;
        in.channels = 1;
        in.frames.assign(1600, 0.0f);
        in.frames[at] = 1.0f;
        Write(dir / "in.wav", in, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        const Result r = Quillmark({"render", "noise reduction", dir / "in.wav", dir / "out.wav", "--set",
                                 "Noise Reduction=0", "--block", "64"});
        ASSERT_EQ(r.code, 0) << r.err;
        const Audio out = Read(dir / "out.wav");
        ASSERT_EQ(out.Length(), in.Length());
        size_t peak = 0;
        for (size_t i = 0; i < out.frames.size(); ++i)
            if (std::fabs(out.frames[i]) > std::fabs(out.frames[peak])) peak = i;
        EXPECT_EQ(peak, at);
        EXPECT_GT(out.frames[peak], 0.5f);
    }
}

TEST(Quillmark, LibraryFilterRunsWithEveryParameterAControl)
{
    TempDir dir;
    const Audio in = Write(dir / "in.wav", Signal(44100, 2, 0.2), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    // The compander at its defaults has unity gain, and with 10 ms of look-ahead the
    // audio still lines up; full compression at a low threshold changes it.
    ASSERT_EQ(Quillmark({"render", "Compander", dir / "in.wav", dir / "a.wav", "--set", "Delay=0.5"}).code, 0);
    const Result set = Quillmark({"render", "compander", dir / "in.wav", dir / "b.wav", "--set", "Compress=1,2=0.5"});
    ASSERT_EQ(set.code, 0) << set.err;
    const Audio a = Read(dir / "a.wav"), b = Read(dir / "b.wav");
    ASSERT_EQ(a.frames.size(), in.frames.size());
    double diffDefault = 0, diffSet = 0;
    for (size_t i = 0; i < in.frames.size(); ++i) {
        diffDefault = std::max(diffDefault, double(std::fabs(a.frames[i] - in.frames[i])));
        diffSet = std::max(diffSet, double(std::fabs(b.frames[i] - in.frames[i])));
    }
    EXPECT_LT(diffDefault, 1e-3);
    EXPECT_GT(diffSet, 0.05);
    const Result ambiguous = Quillmark({"render", "compander", dir / "in.wav", dir / "c.wav", "--set", "Threshold=0.5"});
    EXPECT_EQ(ambiguous.code, 2);
    EXPECT_TRUE(Contains(ambiguous.err, "several controls named 'Threshold' (2, 4)")) << ambiguous.err;
}

// Every library filter, by its name, mono and stereo: a complete file of finite samples.
TEST(Quillmark, EveryLibraryFilterRenders)
{
    TempDir dir;
    for (uint32_t channels : {1u, 2u}) {
        const Audio in = Write(dir / "in.wav", Signal(44100, channels, 0.3), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        for (int i = 0; i < QVLibraryFilterCount(); ++i) {
            const char* pName = QVLibraryFilters()[i].pName;
            const Result r = Quillmark({"render", pName, dir / "in.wav", dir / "out.wav", "--quiet"});
            ASSERT_EQ(r.code, 0) << pName << ": " << r.err;
            const Audio out = Read(dir / "out.wav");
            EXPECT_EQ(out.channels, channels) << pName;
            ASSERT_EQ(out.Length(), in.Length()) << pName;
            size_t bad = 0;
            for (float x : out.frames) bad += !std::isfinite(x);
            EXPECT_EQ(bad, 0u) << pName;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Errors

TEST(Quillmark, EveryErrorIsOneLineAndTouchesNothing)
{
    TempDir dir;
    Write(dir / "in.wav", Signal(44100, 2, 0.1), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    Audio surround = Signal(44100, 1, 0.1);
    surround.channels = 3;
    surround.frames.resize(surround.frames.size() / 3 * 3);
    Write(dir / "six.wav", surround, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    Audio fast = Signal(44100, 1, 0.01);
    fast.rate = 2000000000;
    Write(dir / "fast.wav", fast, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    { std::ofstream(dir / "text.wav") << "not audio at all"; }
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    const std::string inBefore = Slurp(in);

    const struct {
        std::vector<std::string> args;
        int code;
        std::string message;
    } cases[] = {
        {{"render", "bass bost", in, out}, 2, "unknown effect 'bass bost'; did you mean 'Bass Boost'?"},
        {{"render", "qvzz", in, out}, 2, "unknown effect 'qvzz'"},
        {{"render", "compactor", in, out, "--preset", "Intens"}, 2,
         "unknown preset 'Intens' for Tessary Compactor; did you mean 'Intense'?"},
        {{"render", "compactor", in, out, "--preset", "7"}, 2, "Tessary Compactor has no preset 7"},
        {{"render", "bass boost", in, out, "--set", "Strenght=0.5"}, 2,
         "unknown control 'Strenght' for Tessary Bass Boost; did you mean 'Strength'?"},
        {{"render", "bass boost", in, out, "--set", "Strength=1.5"}, 2, "the value must lie between 0 and 1"},
        {{"render", "bass boost", in, out, "--set", "Strength=-0.1"}, 2, "the value must lie between 0 and 1"},
        {{"render", "bass boost", in, out, "--set", "Strength=loud"}, 2, "'loud' is not a number"},
        {{"render", "bass boost", in, out, "--set", "Strength=nan"}, 2, "'nan' is not a number"},
        {{"render", "bass boost", dir / "missing.wav", out}, 1, "input file '" + dir / "missing.wav" + "' does not exist"},
        {{"render", "bass boost", dir / "text.wav", out}, 1, "not an audio file in a supported format"},
        {{"render", "bass boost", dir / "six.wav", out}, 1, "has 3 channels; quillmark renders mono and stereo files only"},
        {{"render", "stereoizer", "+", "reverb", dir / "fast.wav", out}, 1,
         "has a sample rate of 2000000000 Hz; quillmark renders rates up to 4000000 Hz"},
        {{"render", "bass boost", in, dir / "out.mp3"}, 2, "unknown output format '.mp3'"},
        {{"render", "bass boost", in, dir / "out.flac", "--bits", "32f"}, 2, "FLAC holds no float samples"},
        {{"render", "bass boost", in, in}, 1, "is the input file"},
        {{"render", "bass boost", in, dir / "no/such/folder.wav"}, 1, "output folder '" + dir / "no/such" + "' does not exist"},
        {{"render", "bass boost", in}, 2, "needs an input and an output file"},
        {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
    };
    for (const auto& c : cases) {
        { std::ofstream(out) << "precious"; }
        { std::ofstream(dir / "out.mp3") << "precious"; }
        const Result r = Quillmark(c.args);
        EXPECT_EQ(r.code, c.code) << c.message << "\n" << r.err;
        EXPECT_EQ(r.err.rfind("quillmark: ", 0), 0u) << r.err;
        EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line: " << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(Slurp(out), "precious") << c.message;
        EXPECT_EQ(Slurp(in), inBefore);
        EXPECT_EQ(dir.Files().size(), 6u) << "no temporary file left for: " << c.message;
    }
}

// An interrupted render leaves the old output and no temporary file.
TEST(Quillmark, InterruptLeavesTheOldOutput)
{
    TempDir dir;
    Write(dir / "in.wav", Signal(44100, 2, 20.0), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    { std::ofstream(dir / "out.wav") << "precious"; }
    const pid_t pid = Spawn({"render", "Sharpener", "+", "Sharpener", dir / "in.wav", dir / "out.wav", "--block", "8"},
                            dir / "stdout", dir / "stderr");
    // Wait for the temporary file to appear, then interrupt.
    bool started = false;
    for (int i = 0; i < 2000 && !started; ++i) {
        for (const std::string& f : dir.Files()) started = started || Contains(f, ".quillmark-");
        if (!started) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(started);
    ::kill(pid, SIGINT);
    EXPECT_EQ(Wait(pid), 130);
    EXPECT_TRUE(Contains(Slurp(dir / "stderr"), "quillmark: interrupted"));
    EXPECT_EQ(Slurp(dir / "out.wav"), "precious");
    for (const std::string& f : dir.Files()) EXPECT_FALSE(Contains(f, ".quillmark-")) << f;
}

// ---------------------------------------------------------------------------------------
// Terminal behaviour

TEST(Quillmark, ProgressBarOnlyOnATerminal)
{
    TempDir dir;
    Write(dir / "in.wav", Signal(44100, 2, 3.0), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const Result piped = Quillmark({"render", "sharpener", dir / "in.wav", dir / "a.wav", "--block", "16"});
    EXPECT_EQ(piped.code, 0);
    EXPECT_EQ(piped.err, "") << "quiet when standard error is not a terminal";
    EXPECT_TRUE(Contains(piped.out, "Sharpener")) << "the summary line";
    EXPECT_TRUE(Contains(piped.out, "dBFS"));

    for (bool quiet : {false, true}) {
        int master = -1;
        const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0) {
            std::vector<std::string> args = {QUILLMARK_PATH, "render", "sharpener", dir / "in.wav", dir / "b.wav",
                                             "--block", "16"};
            if (quiet) args.push_back("--quiet");
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(&a[0]);
            argv.push_back(nullptr);
            ::execv(QUILLMARK_PATH, argv.data());
            ::_exit(127);
        }
        std::string shown;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(master, buf, sizeof buf)) > 0) shown.append(buf, size_t(n));
        ::close(master);
        EXPECT_EQ(Wait(pid), 0);
        EXPECT_EQ(Contains(shown, "% ") && Contains(shown, "x real time") && Contains(shown, " left"), !quiet) << shown;
    }
}

} // namespace
