// Interface and class identifiers of the object model.
#pragma once

#include <cstdint>

#if defined(__GNUC__)
#define QV_EXPORT __attribute__((visibility("default")))
#else
#define QV_EXPORT
#endif

struct _GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

inline bool operator==(const _GUID& a, const _GUID& b)
{
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}
inline bool operator!=(const _GUID& a, const _GUID& b) { return !(a == b); }

// Every plug-in exports these; only the first three are recognised by QueryInterface.
#define QV_TABLE_IDENTIFIERS(X)                                                                \
    X(IID_ILangXMLParser) X(IID_EffectLibrary) X(IID_EffectGUI) X(IID_IMultiLingual)           \
    X(IID_AudioOut) X(IID_Engine) X(IID_Route) X(IID_AudioBus) X(IID_VSTHost)                  \
    X(IID_SynthRender) X(IID_SynthCollection) X(IID_AudioRender) X(IID_AudioBuffer)            \
    X(IID_MusicBus) X(IID_MusicSink) X(IID_Style) X(IID_StyleSequence) X(IID_MIDISequence)     \
    X(IID_MusicSequence) X(IID_MusicEffect) X(IID_TimeSignature) X(IID_TempoMap)               \
    X(IID_SegmentControl) X(IID_Control)                                                       \
    X(CLSID_ToneRemove) X(CLSID_RingMod) X(CLSID_Reverb) X(CLSID_Rectify) X(CLSID_NoiseGate)   \
    X(CLSID_Noise) X(CLSID_MultiFilter) X(CLSID_Gain) X(CLSID_Fade) X(CLSID_Echo)              \
    X(CLSID_Distortion) X(CLSID_Compander) X(CLSID_Clip) X(CLSID_Chorus)                       \
    X(CLSID_BiQuadFilter) X(CLSID_WaveStream) X(CLSID_KSAudioOut) X(CLSID_WaveAudioOut)        \
    X(CLSID_VSTHost) X(CLSID_SegmentControl) X(CLSID_TimeSignature) X(CLSID_Buffer)            \
    X(CLSID_MIDISequence) X(CLSID_StyleSequence) X(CLSID_SynthCollection) X(CLSID_Synth)       \
    X(CLSID_Route) X(CLSID_AudioBus) X(CLSID_Engine)

#define QV_IDENTIFIERS(X) X(IID_IUnknown) X(IID_Object) X(IID_AudioEffect) QV_TABLE_IDENTIFIERS(X)

#define QV_DECLARE_IDENTIFIER(name) extern "C" QV_EXPORT const _GUID name;
QV_IDENTIFIERS(QV_DECLARE_IDENTIFIER)
#undef QV_DECLARE_IDENTIFIER

// The whole table in declaration order, for code that needs to walk it.
extern const _GUID* const g_QVIdentifiers[];
extern const char* const g_QVIdentifierNames[];
extern const int g_QVIdentifierCount;
