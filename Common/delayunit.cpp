#include "delayunit.h"

#include <algorithm>
#include <cstddef>
#include <new>

#include "qvassert.h"

static const char kSource[] = "Common/delayunit";

// Slots 0 .. L-1 form the circle; slot L mirrors slot 0 so that an interpolated read at
// slot L-1 needs no wrap test. The slot before the write position holds the newest sample.

// Samples over which a length change cross-fades the far end.
static const unsigned int kBlendSamples = 20;

// A silent buffer of dwLength slots plus the mirror slot, or null.
static float* NewSilentBuffer(unsigned int dwLength)
{
    return new (std::nothrow) float[std::size_t(dwLength) + 1]();
}

CDelayUnit::CDelayUnit() : m_pBuffer(nullptr), m_dwLength(0), m_dwWritePos(0) {}

CDelayUnit::~CDelayUnit() { delete[] m_pBuffer; }

void CDelayUnit::SetDelayLength(unsigned int dwLength)
{
    QV_ASSERT(kSource, dwLength);
    if (dwLength == m_dwLength) return;
    const unsigned int dwOld = m_dwLength;
    m_dwLength = dwLength;
    if (!m_pBuffer) {
        // Nothing to carry over; only keep the next write inside the new length.
        if (m_dwWritePos >= dwLength) m_dwWritePos = 0;
        return;
    }
    float* const pOld = m_pBuffer;
    float* const pNew = NewSilentBuffer(dwLength);
    m_pBuffer = pNew;
    if (pNew) {
        // The newest samples keep their ages; a shorter line drops the oldest.
        const unsigned int dwKeep = std::min(dwOld, dwLength);
        unsigned int dwFrom = m_dwWritePos;
        for (unsigned int j = 0; j < dwKeep; ++j) {
            dwFrom = dwFrom == 0 ? dwOld - 1 : dwFrom - 1;
            pNew[dwLength - 1 - j] = pOld[dwFrom];
        }
        if (dwLength < dwOld) {
            // The next samples to reach the far end fade from what the old length would
            // have delivered to what the new one delivers.
            const unsigned int n = std::min(dwLength, kBlendSamples);
            for (unsigned int i = 0; i < n; ++i) {
                const float e = float(i) / float(n);
                pNew[i] = (1.0f - e) * pOld[(m_dwWritePos + i) % dwOld] + e * pNew[i];
            }
        } else {
            // The samples about to reach the far end fade out, the gap up to slot m
            // stays silent and the carried-over history fades back in.
            const unsigned int m = std::min(dwLength - dwOld, dwLength / 2);
            const unsigned int n = std::min(m, kBlendSamples);
            for (unsigned int i = 0; i < n; ++i) {
                const float f = float(i) / float(n);
                const float v = pNew[m + i];
                pNew[i] = (1.0f - f) * v;
                pNew[m + i] = f * v;
            }
        }
        pNew[dwLength] = pNew[0];
    }
    m_dwWritePos = 0;
    delete[] pOld;
}

void CDelayUnit::StartProcess()
{
    // A line whose length was never set has no slot to write to and stays idle.
    if (!m_pBuffer && m_dwLength) m_pBuffer = NewSilentBuffer(m_dwLength);
}

void CDelayUnit::StopProcess()
{
    delete[] m_pBuffer;
    m_pBuffer = nullptr;
}

void CDelayUnit::Clear()
{
    if (!m_pBuffer) return;
    for (unsigned int i = 0; i <= m_dwLength; ++i) m_pBuffer[i] = 0.0f;
    m_dwWritePos = 0;
}

// Only the last L writes of a run survive in the circle, so a run writes those, in at
// most two stretches, and the mirror slot when slot 0 is among them.
void CDelayUnit::WriteRun(const float* pIn, unsigned int dwTotal)
{
    const unsigned int L = m_dwLength;
    const unsigned int dwKeep = dwTotal < L ? dwTotal : L;
    unsigned int w = unsigned((std::size_t(m_dwWritePos) + (dwTotal - dwKeep)) % L);
    const float* pFrom = pIn + (dwTotal - dwKeep);
    const unsigned int dwFirst = L - w < dwKeep ? L - w : dwKeep;
    for (unsigned int i = 0; i < dwFirst; ++i) m_pBuffer[w + i] = pFrom[i];
    for (unsigned int i = dwFirst; i < dwKeep; ++i) m_pBuffer[i - dwFirst] = pFrom[i];
    if (w == 0 || dwFirst < dwKeep) m_pBuffer[L] = m_pBuffer[0];
    m_dwWritePos = unsigned((std::size_t(m_dwWritePos) + dwTotal) % L);
}

const float* CDelayUnit::PutSamples(const float* pIn, float* pScratch, unsigned int dwCount)
{
    if (!m_pBuffer) {
        for (unsigned int i = 0; i < dwCount; ++i) pScratch[i] = 0.0f;
        return pScratch;
    }
    if (m_dwLength > 2) {
        for (unsigned int i = 0; i < dwCount; ++i) {
            PutSample(pIn[i]);
            pScratch[i] = m_pBuffer[m_dwWritePos + 1];
        }
        return pScratch;
    }
    // Lines of one or two slots give back the sample just written: the audio passes
    // unchanged and only the last samples remain in the slots.
    WriteRun(pIn, dwCount);
    return pIn;
}

// Read before write, the far end is the sample D = max(L - 1, 1) writes old: the first D
// reads of a run come from the circle as it was (slot w + 1 + i, wrapping onto the mirror
// slot, none of them written yet within the run), the rest from the run itself.
void CDelayUnit::GetAndPutSamples(const float* pIn, float* pLast, unsigned int dwCount)
{
    if (!m_pBuffer) {
        for (unsigned int i = 0; i < dwCount; ++i) pLast[i] = 0.0f;
        return;
    }
    const unsigned int L = m_dwLength;
    const unsigned int D = L > 1 ? L - 1 : 1;
    const unsigned int dwHistory = dwCount < D ? dwCount : D;
    // Slots w + 1 up to the mirror slot L, then on from slot 1.
    const unsigned int dwFirst = L - m_dwWritePos < dwHistory ? L - m_dwWritePos : dwHistory;
    const float* const pFirst = m_pBuffer + m_dwWritePos + 1;
    for (unsigned int i = 0; i < dwFirst; ++i) pLast[i] = pFirst[i];
    for (unsigned int i = dwFirst; i < dwHistory; ++i) pLast[i] = m_pBuffer[1 + i - dwFirst];
    for (unsigned int i = dwHistory; i < dwCount; ++i) pLast[i] = pIn[i - D];
    WriteRun(pIn, dwCount);
}
