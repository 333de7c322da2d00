// A single-channel circular delay line: the look-ahead of the compander, the
// cross-feed of the stereo delay filter, and the lines of the echo and the chorus.
// It is a plain object without a lock: its owner serializes every call.
#pragma once

#include "filter.h"

// Length in samples of a delay line for a delay of fSamples computed from a normalized
// parameter: trunc(max(fSamples, 0)) + 1. A host can send any float, so a non-finite or
// negative delay acts as 0 and the delay is capped at fLongest, the delay the parameter
// gives at its top value 1 (a fraction of a second at the sample rate), which bounds the
// buffer the line allocates.
inline unsigned int QVDelayLength(float fSamples, float fLongest)
{
    if (fSamples > fLongest) fSamples = fLongest;
    if (!(fSamples > 0.0f)) return 1;
    return static_cast<unsigned int>(fSamples) + 1;
}

class CDelayUnit : public CSource {
public:
    CDelayUnit();
    ~CDelayUnit();
    CDelayUnit(const CDelayUnit&) = delete;
    CDelayUnit& operator=(const CDelayUnit&) = delete;

    // Sets the number of circular slots (at least 1). While a buffer is held the history
    // keeps its ages and the change is blended over at most 20 samples.
    void SetDelayLength(unsigned int dwLength);
    // Allocates the buffer (length + 1 slots, silent) unless one is held.
    void StartProcess();
    // Frees the buffer; reads then give 0 and writes are ignored.
    void StopProcess();
    // Silences the held buffer and restarts writing at slot 0.
    void Clear();

    void PutSample(float x)
    {
        if (!m_pBuffer) return;
        m_pBuffer[m_dwWritePos] = x;
        if (m_dwWritePos == 0) m_pBuffer[m_dwLength] = x;
        if (++m_dwWritePos == m_dwLength) m_dwWritePos = 0;
    }

    // The far end: the slot after the write position (the mirror slot at the top).
    float GetLastSample() const { return m_pBuffer ? m_pBuffer[m_dwWritePos + 1] : 0.0f; }

    // For each of dwCount samples: PutSample(pIn[i]), then GetLastSample(). Returns the
    // samples read: pIn itself when the line gives back what was just written (one or
    // two slots), else pScratch, filled. The arrays must not overlap.
    const float* PutSamples(const float* pIn, float* pScratch, unsigned int dwCount);
    // For each of dwCount samples: pLast[i] = GetLastSample(), then PutSample(pIn[i]).
    // The arrays must not overlap.
    void GetAndPutSamples(const float* pIn, float* pLast, unsigned int dwCount);

    // Linearly interpolated read; right after a write fDelay = 2 is the newest sample.
    float GetSample(float fDelay) const
    {
        if (!m_pBuffer) return 0.0f;
        if (!(fDelay >= 2.0f)) fDelay = 2.0f;
        unsigned int k = m_dwLength;
        float f = 0.0f;
        if (double(fDelay) < double(m_dwLength)) {
            k = static_cast<unsigned int>(fDelay);
            f = fDelay - float(k);
        }
        // k <= L, so this is (L + w - k) modulo L without a division.
        const unsigned int i = m_dwWritePos >= k ? m_dwWritePos - k : m_dwWritePos + m_dwLength - k;
        return (m_pBuffer[i] - m_pBuffer[i + 1]) * f + m_pBuffer[i + 1];
    }

private:
    // Writes the last dwCount samples of a run of dwTotal writes (dwCount <= length) and
    // moves the write position past the whole run.
    void WriteRun(const float* pIn, unsigned int dwTotal);

    float* m_pBuffer;
    unsigned int m_dwLength;
    unsigned int m_dwWritePos;
};
