#include "catalogue.h"

#include <cstring>
#include <new>

#include "effects.h"

namespace {

template <class T>
CFilterWrap* CreateFor(QVPluginFormat format)
{
    T* pEffect = new (std::nothrow) T(format);
    if (pEffect && !pEffect->IsComplete()) {
        pEffect->Delete();
        pEffect = nullptr;
    }
    return pEffect;
}

template <class T>
CFilterWrap* CreateUnit()
{
    return CreateFor<T>(QV_AUDIO_UNIT);
}

// What the definitions do not say themselves: class, deliverable and entry names.
struct CatalogueRow {
    const QVEffectDefinition* pDefinition;
    const char* pClassName;
    const char* pVSTName;
    const char* pUnitEntry;
    CFilterWrap* (*pCreate)();
    CFilterWrap* (*pCreateFor)(QVPluginFormat);
};

#define QV_ROW(Class, definition, vst, entry) {&definition, #Class, vst, entry, CreateUnit<Class>, CreateFor<Class>}

const CatalogueRow kRows[] = {
    QV_ROW(CBassBoost, kQVBassBoost, "TessaryBassBoost", "BassBoostUnitEntry"),
    QV_ROW(CCompacter, kQVCompacter, "TessaryCompacter", "CompactorUnitEntry"),
    QV_ROW(CCrisp, kQVCrisper, "TessaryCrisper", "CrisperUnitEntry"),
    QV_ROW(CDualCompressor, kQVDualCompressor, "TessaryDualCompressor", "DualCompressorUnitEntry"),
    QV_ROW(CDualExpand, kQVDualExpander, "TessaryDualExpander", "DualExpanderUnitEntry"),
    QV_ROW(CExpand, kQVExpander, "TessaryExpander", "ExpanderUnitEntry"),
    QV_ROW(CMonofier, kQVMonofier, "TessaryMonoizer", "MonofierUnitEntry"),
    QV_ROW(CSharpener, kQVSharpener, "TessarySharpener", "SharpenerUnitEntry"),
    QV_ROW(CStereo, kQVStereoizer, "TessaryStereoExpander", "StereoizerUnitEntry"),
    QV_ROW(CToneCompressor, kQVToneCompressor, "TessaryToneCompressor", "ToneCompressorUnitEntry"),
    QV_ROW(CToneExpander, kQVToneExpander, "TessaryToneExpander", "ToneExpanderUnitEntry"),
};

#undef QV_ROW

constexpr int kCount = int(sizeof(kRows) / sizeof(kRows[0]));

// Every effect name begins with the vendor's name and a space.
const char kVendorPrefix[] = "Tessary ";

struct Catalogue {
    QVEffectInfo entries[kCount];
    Catalogue()
    {
        for (int i = 0; i < kCount; ++i) {
            const CatalogueRow& row = kRows[i];
            const QVEffectDefinition& definition = *row.pDefinition;
            const char* pName = definition.pName;
            const std::size_t prefix = sizeof(kVendorPrefix) - 1;
            entries[i] = QVEffectInfo{pName,
                                      std::strncmp(pName, kVendorPrefix, prefix) == 0 ? pName + prefix : pName,
                                      definition.lCode,
                                      row.pClassName,
                                      row.pVSTName,
                                      row.pUnitEntry,
                                      row.pCreate,
                                      row.pCreateFor,
                                      definition.lControlCount,
                                      definition.lPresetCount,
                                      &definition};
        }
    }
};

// Built on first use from the definitions, which are constants and so ready before any
// code runs; name, code and counts are thereby never written twice.
const Catalogue& TheCatalogue()
{
    static const Catalogue catalogue;
    return catalogue;
}

} // namespace

const QVEffectInfo* QVCatalogue() { return TheCatalogue().entries; }

int QVCatalogueCount() { return kCount; }

const QVEffectInfo* QVFindEffect(int32 lCode)
{
    for (const QVEffectInfo& info : TheCatalogue().entries)
        if (info.lCode == lCode) return &info;
    return nullptr;
}
