// Reads a fuzzer's byte stream as a sequence of choices. Every read is defined once the
// stream runs dry (it yields zeros), so a harness never has to check lengths, and the
// same bytes always decode to the same calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

class CQVFuzzBytes {
public:
    CQVFuzzBytes(const uint8_t* pData, size_t size) : m_pData(pData), m_Size(size), m_Pos(0) {}

    bool Empty() const { return m_Pos >= m_Size; }
    size_t Left() const { return Empty() ? 0 : m_Size - m_Pos; }

    uint8_t Byte() { return Empty() ? 0 : m_pData[m_Pos++]; }
    // Multi-byte values are little-endian. (Each read is its own statement: the order in
    // which the operands of one expression are evaluated is the compiler's choice, and
    // an input must decode alike in every build.)
    uint16_t U16()
    {
        const uint16_t low = Byte();
        return uint16_t(low | (Byte() << 8));
    }
    uint32_t U32()
    {
        const uint32_t low = U16();
        return low | (uint32_t(U16()) << 16);
    }
    bool Bool() { return (Byte() & 1) != 0; }

    // One of the n entries of a table.
    template <class T, size_t N>
    const T& Pick(const T (&table)[N])
    {
        return table[Byte() % N];
    }

    // A float a careless host might send: the awkward values (NaN, infinities,
    // subnormals, huge magnitudes, just outside 0..1) as often as plain ones.
    float Float()
    {
        static const float kSpecial[] = {std::numeric_limits<float>::quiet_NaN(),
                                         -std::numeric_limits<float>::quiet_NaN(),
                                         std::numeric_limits<float>::signaling_NaN(),
                                         std::numeric_limits<float>::infinity(),
                                         -std::numeric_limits<float>::infinity(),
                                         std::numeric_limits<float>::denorm_min(),
                                         -std::numeric_limits<float>::denorm_min(),
                                         std::numeric_limits<float>::min(),
                                         std::numeric_limits<float>::max(),
                                         -std::numeric_limits<float>::max(),
                                         0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 1.0000001f, -1e-7f, 2.0f, 1e9f, -1e9f};
        const uint8_t kind = Byte();
        if (kind < 96) return kSpecial[kind % (sizeof(kSpecial) / sizeof(kSpecial[0]))];
        if (kind < 176) return float(Byte()) / 255.0f;
        const uint32_t bits = U32();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // A count from 0 to most, with the edges and small values favoured.
    uint32_t Count(uint32_t most)
    {
        switch (Byte() % 4) {
        case 0: return most;
        case 1: return Byte() % (most < 16 ? most + 1 : 17);
        default: return most == UINT32_MAX ? U32() : U32() % (most + 1);
        }
    }

    // Text up to the next zero byte or maxLength characters.
    std::string Text(size_t maxLength)
    {
        std::string text;
        while (!Empty() && text.size() < maxLength) {
            const char c = char(Byte());
            if (c == '\0') break;
            text += c;
        }
        return text;
    }

    // The bytes not read yet; the stream is empty afterwards.
    const uint8_t* Rest(size_t* pSize)
    {
        *pSize = Left();
        const uint8_t* p = m_pData + (Empty() ? m_Size : m_Pos);
        m_Pos = m_Size;
        return p;
    }

private:
    const uint8_t* m_pData;
    size_t m_Size;
    size_t m_Pos;
};

// Fills n samples with a pattern the stream chooses: silence, one awkward value
// throughout, noise, a full-scale square wave, or noise with awkward values sprinkled in.
inline void QVFuzzSamples(CQVFuzzBytes& in, float* p, size_t n)
{
    const uint8_t kind = in.Byte() % 5;
    const float special = in.Float();
    uint32_t seed = in.U32() | 1;
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const float noise = float(int32_t(seed)) * (1.0f / 2147483648.0f);
        switch (kind) {
        case 0: p[i] = 0.0f; break;
        case 1: p[i] = special; break;
        case 2: p[i] = noise; break;
        case 3: p[i] = (i / 32) & 1 ? 1.0f : -1.0f; break;
        default: p[i] = (seed >> 26) == 0 ? special : noise; break;
        }
    }
}
