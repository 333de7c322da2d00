// A sliding sample store: valid samples always start near slot 0, and whatever is
// consumed is shifted out from the front. The spectral noise reduction uses one per
// channel for its input history and one for its overlap-add output, where the slots
// past the write position already hold partial sums of frames still being added.
#pragma once

#include "filter.h"

class CShiftBuffer : public CSource {
public:
    CShiftBuffer();
    ~CShiftBuffer();
    CShiftBuffer(const CShiftBuffer&) = delete;
    CShiftBuffer& operator=(const CShiftBuffer&) = delete;

    // Frees any storage and takes lSize slots (none for lSize <= 0), all zero, counted
    // as held. With no storage the positions keep their values.
    void SetBufferSize(int32 lSize);
    // Zeroes the storage and counts every slot as held.
    void Clear();
    // Moves everything from the read position on to the front and zeroes the freed tail.
    void ShiftBuffer();
    // Appends lLength samples after shifting out what was consumed.
    void ShiftIn(const float* pfIn, int32 lLength);
    // Consumes lCount samples.
    void IncrementRead(int32 lCount);
    // Delivers lLength samples, or all held ones right-aligned in the block when fewer
    // are held (the rest of the block is zeroed when replacing), and consumes them.
    void ShiftOut(float* pfOut, int32 lLength, bool bAdd);
    // Appends without shifting; lStart must be the write position.
    void Write(const float* pfIn, int32 lStart, int32 lLength);

    float* GetBuffer() { return m_pBuffer; }
    bool HasBuffer() const { return m_pBuffer != nullptr; }
    int32 GetBufferSize() const { return m_lBufferSize; }
    int32 GetReadPos() const { return m_lReadPos; }
    int32 GetWritePos() const { return m_lWritePos; }
    void SetReadPos(int32 lPos) { m_lReadPos = lPos; }
    void SetWritePos(int32 lPos) { m_lWritePos = lPos; }
    // Valid samples between the read and the write position.
    int32 GetHeld() const { return m_lWritePos - m_lReadPos; }

private:
    float* m_pBuffer;
    int32 m_lBufferSize;
    int32 m_lReadPos;
    int32 m_lWritePos;
};
