// Spectral noise reduction: a weighted overlap-add filter bank whose windows are twice
// as long as the transform (time-aliased frames), with a power law on every bin's
// magnitude in between. Strong components pass or are raised, weak ones (hiss, the
// floor between partials) are pushed down; one strength parameter sets the exponent.
// The signal is delayed by one window length (1024 samples).
#pragma once

#include <atomic>

#include "filter.h"
#include "shiftbuffer.h"

class CNoiseReduction : public CFilter {
public:
    CNoiseReduction();
    ~CNoiseReduction() override;

    IObject* Clone() override;
    IObject* Create() override;
    void GetEffectName(char* pText) override;
    int32 GetUniqueID() override;
    int32 GetParameterCount() override;
    void GetParameterLabel(int32 lIndex, char* pText) override;
    void GetParameterDisplay(int32 lIndex, char* pText) override;
    void GetParameterName(int32 lIndex, char* pText) override;
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override;
    int32 Reset() override;
    void Delete() override;
    void ActivatePreset() override;
    int32 SetBlockSize(uint32 dwSize) override;

    // Rebuilds the filter bank for a transform of 2^lOrder samples, windows of lFactor
    // transforms and hops of a lDivider-th transform, and restarts the history. The
    // filter always runs Init(9, 2, 2, 2); the last argument is unused.
    void Init(int32 lOrder, int32 lFactor, int32 lDivider, int32);
    // Frees the windows and the work frame.
    void Finish();
    void CreateWindows();
    // Windows the N samples at pfIn and folds them onto the work frame.
    void FoldInput(const float* pfIn);
    // Adds the work frame, repeated over N samples and windowed, into pfOut.
    void UnfoldOutput(float* pfOut);

    // In-place transforms. NC counts complex values, ND floats. The real transform of
    // 2NC samples x[n] packs X[k] = 1/(2NC) * sum x[n] e^(+2 pi i k n / 2NC) as: slot 0
    // X[0] (DC), slot 1 X[NC] (Nyquist), slots 2k, 2k+1 the real and imaginary part of
    // X[k] for 0 < k < NC. The inverse takes the same packing back to the samples.
    static void rfft(float* x, int NC, int forward);
    static void cfft(float* x, int NC, int forward);
    static void bitreverse(float* x, int ND);

    // The spectral step on lBins complex values (re, im): each multiplied by
    // g = q m^q / m with m = hypot(re, im) x 512 and q = fExponent (set to 0 where m is
    // 0). Vector code that gives exactly the floats of the scalar hypot and pow.
    static void ShapeSpectrum(float* pfBins, int32 lBins, float fExponent);

    // Longest block the sample stores are sized for, whatever block size is announced:
    // the composite never hands a filter more than this in one call.
    static const uint32 kMaxBlockSize = 65536;

    const float* GetAnalysisWindow() const { return m_pfAnalysis; }
    const float* GetSynthesisWindow() const { return m_pfSynthesis; }
    int32 GetWindowSize() const { return m_lWindowSize; }
    int32 GetShiftSize() const { return m_lShiftSize; }

protected:
    // Bins the vector pass takes at most (a 512-point frame has 256).
    static const int32 kMaxVectorBins = 1024;
    static int32 TwiddleCount(int32 lSize);
    void BuildTables();
    // The real transform of the work frame (rfft forward or inverse) from the tables.
    void FrameTransform(bool bForward);
    void ProcessFrame(CShiftBuffer& in, CShiftBuffer& out);

    int32 m_lFFTSize;
    int32 m_lWindowSize;
    int32 m_lInputHop;
    int32 m_lOutputHop;
    int32 m_lShiftSize;
    float* m_pfAnalysis;
    float* m_pfSynthesis;
    float* m_pfWork;
    float* m_pfTwiddles; // the transforms' factors, TwiddleCount(m_lFFTSize) floats
    int32* m_plSwaps;    // index pairs bitreverse swaps
    int32 m_lSwapCount;  // indices in m_plSwaps
    CShiftBuffer m_InBuffer[2];
    CShiftBuffer m_OutBuffer[2];
    // Written by the control thread without the lock, read once per frame.
    std::atomic<float> m_fStrength;
    // Longest block the current stores take; 0 when Init could not build the bank.
    uint32 m_dwBlockCapacity;
};
