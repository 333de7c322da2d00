// Audio files through libsndfile: reading any format it knows, writing WAV, AIFF, FLAC
// or OGG chosen by the output's extension, and writing atomically: the samples go to a
// temporary file beside the target, which replaces the target only when everything was
// written, so a failed or interrupted render never leaves a truncated file behind or
// destroys the file that was there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <sndfile.h>

// Interleaved float frames in and out; the renderer works against these so that it can
// run on files and, in tests, on memory.
class IQVSource {
public:
    virtual ~IQVSource() {}
    // Up to dwFrames frames into pfFrames; fewer only at the end of the stream.
    virtual uint32_t Read(float* pfFrames, uint32_t dwFrames) = 0;
};

class IQVSink {
public:
    virtual ~IQVSink() {}
    virtual void Write(const float* pfFrames, uint32_t dwFrames) = 0;
};

// The libsndfile format for an output path and a --bits choice ("" for the default:
// 32-bit float for WAV and AIFF, 24-bit for FLAC, Vorbis for OGG). Throws a usage error
// for an unknown extension or a width the format cannot hold.
int QVOutputFormat(const std::string& path, const std::string& bits);

// "WAV, 32-bit float", "FLAC, 16-bit", ...
std::string QVDescribeFormat(int iFormat);

// Checks that a render may write to output: its folder exists, it is not a folder itself
// and it is not the input file (under any name). Throws a file error otherwise.
void QVCheckOutputPath(const std::string& input, const std::string& output);

class CQVInputFile : public IQVSource {
public:
    // Opens the file or throws a file error that says why (missing, unreadable, not audio).
    explicit CQVInputFile(const std::string& path);
    ~CQVInputFile() override;
    CQVInputFile(const CQVInputFile&) = delete;
    CQVInputFile& operator=(const CQVInputFile&) = delete;

    uint32_t Read(float* pfFrames, uint32_t dwFrames) override;

    uint32_t Rate() const { return uint32_t(m_Info.samplerate); }
    uint32_t Channels() const { return uint32_t(m_Info.channels); }
    int64_t Frames() const { return m_Info.frames; }
    int Format() const { return m_Info.format; }

private:
    // libsndfile's decoders of packed formats can deliver, and write, more frames than
    // asked for (VOX ADPCM, two samples a byte, answers an odd count with one frame
    // more). So the file is read in even chunks into a buffer with room to spare, and
    // the caller's frames are copied out of it.
    enum : uint32_t { kChunkFrames = 4096, kSpareFrames = 64 };
    bool Refill();

    std::string m_Path;
    SF_INFO m_Info;
    SNDFILE* m_pFile;
    std::vector<float> m_Chunk; // (kChunkFrames + kSpareFrames) frames
    uint32_t m_dwChunkFrames;   // frames in m_Chunk
    uint32_t m_dwChunkUsed;     // of which handed out
};

class CQVAtomicOutput : public IQVSink {
public:
    // Creates the temporary file beside target; throws a file error when it cannot.
    CQVAtomicOutput(const std::string& target, int iFormat, uint32_t dwRate, uint32_t dwChannels);
    // Without Commit the temporary file is removed and the target stays as it was.
    ~CQVAtomicOutput() override;
    CQVAtomicOutput(const CQVAtomicOutput&) = delete;
    CQVAtomicOutput& operator=(const CQVAtomicOutput&) = delete;

    void Write(const float* pfFrames, uint32_t dwFrames) override;
    // Finishes the file, flushes it to disk and renames it over the target.
    void Commit();

    const std::string& TempPath() const { return m_TempPath; }

private:
    void Discard();

    std::string m_Target;
    std::string m_TempPath;
    int m_iFd;
    SNDFILE* m_pFile;
};
