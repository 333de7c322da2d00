// Synthesises the bundled example, a four-second stereo groove at 44.1 kHz: kick, snare
// and hi-hats, a bass line, a sung-vowel lead made of a sawtooth through three formant
// resonators, and a little hiss for the noise reduction to find. Deterministic: the same
// build writes the same file.
//
//   make_example OUTPUT.flac     (the repository keeps its result as examples/groove.flac)
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

const int kRate = 44100;
const double kSeconds = 4.0;
const double kBeat = 0.5; // 120 beats a minute
const double kPi = 3.14159265358979323846;

struct Noise {
    uint32_t state = 0x9E3779B9u;
    double Next() // uniform in -1..1
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return double(state) / 2147483648.0 - 1.0;
    }
};

// Two-pole resonator (band-pass, unity peak) for the formants.
struct Resonator {
    double a1 = 0, a2 = 0, gain = 0, y1 = 0, y2 = 0;
    void Tune(double freq, double bandwidth)
    {
        const double r = std::exp(-kPi * bandwidth / kRate);
        a1 = 2.0 * r * std::cos(2.0 * kPi * freq / kRate);
        a2 = -r * r;
        gain = 1.0 - r;
    }
    double Run(double x)
    {
        const double y = gain * x + a1 * y1 + a2 * y2;
        y2 = y1;
        y1 = y;
        return y;
    }
};

void Add(std::vector<double>& left, std::vector<double>& right, size_t i, double x, double pan)
{
    left[i] += x * std::sqrt(1.0 - pan);
    right[i] += x * std::sqrt(pan);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_example OUTPUT.flac\n");
        return 2;
    }
    const size_t n = size_t(kSeconds * kRate);
    std::vector<double> left(n, 0.0), right(n, 0.0);
    Noise noise;

    // Drums, hit by hit.
    const double kicks[] = {0, 2, 2.75, 4, 6, 6.75};
    for (double beat : kicks) {
        const size_t start = size_t(beat * kBeat * kRate);
        double phase = 0;
        for (size_t i = 0; start + i < n && i < size_t(0.35 * kRate); ++i) {
            const double t = double(i) / kRate;
            phase += 2 * kPi * (45.0 + 75.0 * std::exp(-t * 30.0)) / kRate;
            Add(left, right, start + i, 0.9 * std::sin(phase) * std::exp(-t * 9.0), 0.5);
        }
    }
    for (int beat = 1; beat < 8; beat += 2) {
        const size_t start = size_t(beat * kBeat * kRate);
        double low = 0;
        for (size_t i = 0; start + i < n && i < size_t(0.2 * kRate); ++i) {
            const double t = double(i) / kRate;
            const double white = noise.Next();
            low += 0.3 * (white - low); // a softer noise colour
            const double body = std::sin(2 * kPi * 185.0 * t) * std::exp(-t * 25.0);
            Add(left, right, start + i, (0.35 * (white - low) + 0.3 * body) * std::exp(-t * 18.0), 0.42);
        }
    }
    for (int eighth = 0; eighth < 16; ++eighth) {
        const size_t start = size_t(eighth * kBeat / 2 * kRate);
        const double decay = eighth % 4 == 3 ? 12.0 : 45.0; // an open hat before each half bar
        double prev = 0;
        for (size_t i = 0; start + i < n && i < size_t(0.18 * kRate); ++i) {
            const double t = double(i) / kRate;
            const double white = noise.Next();
            const double high = white - prev; // a first difference: a bright hiss
            prev = white;
            Add(left, right, start + i, 0.12 * high * std::exp(-t * decay), 0.72);
        }
    }

    // Bass: one note per beat, a filtered sawtooth with a plucked envelope.
    const double bassNotes[] = {55.0, 55.0, 65.41, 49.0, 55.0, 55.0, 73.42, 61.74};
    double bassPhase = 0, bassLow = 0;
    for (size_t i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        const int beat = std::min(7, int(t / kBeat));
        const double inBeat = t - beat * kBeat;
        bassPhase += bassNotes[beat] / kRate;
        bassPhase -= std::floor(bassPhase);
        const double saw = 2.0 * bassPhase - 1.0;
        bassLow += (0.04 + 0.1 * std::exp(-inBeat * 20.0)) * (saw - bassLow);
        Add(left, right, i, 0.55 * bassLow * std::exp(-inBeat * 3.0), 0.5);
    }

    // Voice: two phrases with a silence between them, vowels gliding from "ah" to "ee".
    struct Note { double start, length, freq; };
    const Note melody[] = {{0.5, 0.45, 220.0}, {1.0, 0.45, 261.63}, {1.5, 0.7, 329.63},
                           {2.5, 0.45, 293.66}, {3.0, 0.8, 246.94}};
    Resonator formant[3];
    double voicePhase = 0;
    for (const Note& note : melody) {
        const size_t start = size_t(note.start * kRate);
        for (size_t i = 0; start + i < n && i < size_t(note.length * kRate); ++i) {
            const double t = double(i) / kRate;
            const double glide = t / note.length;
            formant[0].Tune(700.0 - 430.0 * glide, 90.0);
            formant[1].Tune(1220.0 + 1070.0 * glide, 110.0);
            formant[2].Tune(2600.0 + 410.0 * glide, 160.0);
            const double vibrato = 1.0 + 0.006 * std::sin(2 * kPi * 5.5 * t) * std::min(1.0, t * 4.0);
            voicePhase += note.freq * vibrato / kRate;
            voicePhase -= std::floor(voicePhase);
            const double source = 2.0 * voicePhase - 1.0 + 0.02 * noise.Next();
            const double sung = formant[0].Run(source) + 0.6 * formant[1].Run(source) + 0.3 * formant[2].Run(source);
            const double envelope = std::min(1.0, t * 30.0) * std::min(1.0, (note.length - t) * 12.0);
            Add(left, right, start + i, 0.8 * sung * envelope, 0.38);
        }
    }

    // Hiss at about -66 dBFS, then the whole mix to a peak of -1 dBFS.
    for (size_t i = 0; i < n; ++i) {
        left[i] += 0.0005 * noise.Next();
        right[i] += 0.0005 * noise.Next();
    }
    double peak = 0;
    for (size_t i = 0; i < n; ++i) peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    const double scale = std::pow(10.0, -1.0 / 20.0) / peak;
    std::vector<float> frames(2 * n);
    for (size_t i = 0; i < n; ++i) {
        frames[2 * i] = float(left[i] * scale);
        frames[2 * i + 1] = float(right[i] * scale);
    }

    SF_INFO info = SF_INFO();
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "make_example: cannot write '%s': %s\n", argv[1], sf_strerror(nullptr));
        return 1;
    }
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const bool ok = sf_writef_float(file, frames.data(), sf_count_t(n)) == sf_count_t(n);
    return (sf_close(file) == 0 && ok) ? 0 : 1;
}
