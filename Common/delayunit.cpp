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

void CDelayUnit::PutSamples(const float* pIn, float* pLast, unsigned int dwCount)
{
    if (!m_pBuffer) {
        for (unsigned int i = 0; i < dwCount; ++i) pLast[i] = 0.0f;
        return;
    }
    if (m_dwLength > 2) {
        for (unsigned int i = 0; i < dwCount; ++i) {
            PutSample(pIn[i]);
            pLast[i] = m_pBuffer[m_dwWritePos + 1];
        }
        return;
    }
    // Lines of one or two slots give back the sample just written: the audio passes
    // unchanged and only the last samples remain in the slots.
    for (unsigned int i = 0; i < dwCount; ++i) pLast[i] = pIn[i];
    const unsigned int dwKeep = dwCount < m_dwLength ? dwCount : m_dwLength;
    m_dwWritePos = (m_dwWritePos + (dwCount - dwKeep)) % m_dwLength;
    for (unsigned int i = dwCount - dwKeep; i < dwCount; ++i) PutSample(pIn[i]);
}
