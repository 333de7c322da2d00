// Sliding sample store. The buffer is small (a few thousand samples) and every
// consumption moves the whole content to the front, slots past the write position
// included: those hold partial overlap-add sums that must travel with the valid data.
//
// Layout between operations (the read position is then always 0):
//
//   slot 0                 m_lWritePos                     m_lBufferSize
//   | held samples ........ | partial sums, or zeros ....... |
//
// The preconditions below are programming errors, not host input: with the sizes the
// noise reduction chooses they hold for every block it accepts. They are checked in
// every build and stop the process with the condition's text and this file's line,
// so the conditions below stay on the lines their failure texts are known by.

#include "shiftbuffer.h"

#include <cstring>
#include <new>

#include "qvassert.h"

static const char kSource[] = "Common/shiftbuffer";

CShiftBuffer::CShiftBuffer() : m_pBuffer(nullptr), m_lBufferSize(0), m_lReadPos(0), m_lWritePos(0) {}

CShiftBuffer::~CShiftBuffer() { delete[] m_pBuffer; }

void CShiftBuffer::SetBufferSize(int32 lSize)
{
    delete[] m_pBuffer;
    m_pBuffer = nullptr;
    m_lBufferSize = lSize > 0 ? lSize : 0;
    if (m_lBufferSize == 0) return;
    m_pBuffer = new (std::nothrow) float[m_lBufferSize];
    if (!m_pBuffer) {
        // Out of memory: behave as a store without storage rather than one that claims
        // a capacity it does not have.
        m_lBufferSize = 0;
        return;
    }
    std::memset(m_pBuffer, 0, sizeof(float) * size_t(m_lBufferSize));
    m_lReadPos = 0;
    m_lWritePos = m_lBufferSize;
}

void CShiftBuffer::Clear()
{
    if (m_pBuffer) std::memset(m_pBuffer, 0, sizeof(float) * size_t(m_lBufferSize));
    m_lReadPos = 0;
    m_lWritePos = m_lBufferSize;
}

void CShiftBuffer::ShiftBuffer()
{
    if (m_lReadPos <= 0) return;
    if (m_pBuffer) {
        // Reading past the end leaves nothing to keep.
        const int32 lKeep = m_lReadPos < m_lBufferSize ? m_lBufferSize - m_lReadPos : 0;
        std::memmove(m_pBuffer, m_pBuffer + (m_lBufferSize - lKeep), sizeof(float) * size_t(lKeep));
        std::memset(m_pBuffer + lKeep, 0, sizeof(float) * size_t(m_lBufferSize - lKeep));
    }
    m_lWritePos -= m_lReadPos;
    m_lReadPos = 0;
}

// New samples go right after the held ones, over whatever the tail held. The store
// never grows: a block longer than the whole capacity, or positions that have crossed,
// are caught before anything moves, and the room left after the shift is checked
// before the copy. The failure texts name these lines, so whoever reads a crash report
// finds the condition here: keep the first two where they are when editing above.
void CShiftBuffer::ShiftIn(const float* pfIn, int32 lLength)
{
    if (!m_pBuffer) return;
    QV_ASSERT(kSource, lLength <= m_lBufferSize);
    QV_ASSERT(kSource, m_lWritePos >= m_lReadPos);
    ShiftBuffer();
    // Not implied by the two conditions above, and a write past the end would corrupt
    // the heap: the store must have room for the new samples after the shift.
    QV_ASSERT(kSource, (lLength + m_lWritePos) <= m_lBufferSize);
    for (int32 i = 0; i < lLength; ++i) m_pBuffer[m_lWritePos + i] = pfIn[i];
    m_lWritePos += lLength;
}

// Consumes samples without delivering them: the analysis side advances by one hop per
// frame while the frame itself reads further ahead.
void CShiftBuffer::IncrementRead(int32 lCount)
{
    m_lReadPos += lCount;
    ShiftBuffer();
}

// On the output side the store is an overlap-add accumulator. The producer adds a whole
// frame, longer than its hop, at the write position straight into the buffer and then
// advances the write position by one hop only: samples before the new write position
// are final, the ones after it are partial sums that later frames complete. ShiftOut
// hands out final samples only and carries the partial sums along to the front.
//
//   before:  | final ........ | partial sums of earlier frames | 0 0 0 0 0 |
//            0                write
//   frame:                    + + + + + + + + + + + + + + + + + + + + +
//   after:   | final ............. | partial sums ........................ | 0 |
//            0                     write + hop
//
// Delivery of one output block of lLength samples.
//
// Enough held (more than lLength): the first lLength held samples fill the block.
//
//   held:   a b c d e f            lLength = 4
//   block:  a b c d                held afterwards: e f
//
// Too few held: all of them go to the end of the block, so the samples keep their
// timing relative to the block's end; the front of the block is zeroed when replacing
// and left alone when adding.
//
//   held:   a b                    lLength = 4
//   block:  0 0 a b   (replace)    o0 o1 o2+a o3+b   (add)
//
// Either way the delivered samples are consumed and the rest (partial sums included)
// moves to the front.
//
// The noise reduction asks for a block only once it holds at least that many samples,
// so in its use the first case (or the second with nothing to zero) is the rule; the
// second case with a gap only arises for a caller that delivers before it has filled.
//
// A store whose positions crossed (write before read) delivers nothing rather than
// writing outside the block, and the check at the end reports it.
static void DeliverSamples(float* pfTo, const float* pfFrom, int32 lCount, bool bAdd)
{
    if (bAdd) {
        for (int32 i = 0; i < lCount; ++i) pfTo[i] += pfFrom[i];
    } else {
        for (int32 i = 0; i < lCount; ++i) pfTo[i] = pfFrom[i];
    }
}

void CShiftBuffer::ShiftOut(float* pfOut, int32 lLength, bool bAdd)
{
    if (!m_pBuffer) return;
    const int32 lHeld = GetHeld();
    int32 lDeliver = lHeld > lLength ? lLength : lHeld;
    // Crossed positions: nothing to deliver.
    if (lDeliver < 0) lDeliver = 0;
    // Samples at the front of the block that receive nothing.
    const int32 lSkip = lLength > lDeliver ? lLength - lDeliver : 0;
    if (!bAdd) {
        for (int32 i = 0; i < lSkip; ++i) pfOut[i] = 0.0f;
    }
    DeliverSamples(pfOut + lSkip, m_pBuffer + m_lReadPos, lDeliver, bAdd);
    // Consume what was delivered; the partial sums travel to the front with the rest.
    m_lReadPos += lDeliver;
    ShiftBuffer();
    QV_ASSERT(kSource, m_lWritePos >= 0);
}

// Appends at a known position, for a producer that tracks the write position itself;
// it neither shifts nor consumes.
void CShiftBuffer::Write(const float* pfIn, int32 lStart, int32 lLength)
{
    QV_ASSERT(kSource, m_lWritePos == lStart);
    QV_ASSERT(kSource, (lLength + m_lWritePos) <= m_lBufferSize);
    if (!m_pBuffer) return;
    for (int32 i = 0; i < lLength; ++i) m_pBuffer[m_lWritePos + i] = pfIn[i];
    m_lWritePos += lLength;
}
