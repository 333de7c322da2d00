#include "registry.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <new>

#include "errors.h"
#include "names.h"

namespace {

// A library filter run as an effect: one filter on chain 0 whose every parameter is a
// control showing the filter's own name, label and text, and one preset, "Default",
// holding the filter's default settings so that preset 0 is the filter as created.
class CLibraryEffect : public CFilterWrap {
public:
    CLibraryEffect(const char* pName, CFilter* pPrototype)
    {
        SetEffectName(pName);
        SetUniqueID(pPrototype->GetUniqueID());
        m_bInstalled = InstallFilter(pPrototype, true, 0) != nullptr;
        // The controls start at 0; the preset carries the filter's own values.
        AddPreset("Default");
        for (int32 c = 0; c < GetParameterCount(); ++c)
            SetPresetParameter(0, c, GetControlParam(c)->m_fDefault);
    }
    bool m_bInstalled = false;
};

bool IsNumber(const std::string& text, long& value)
{
    if (text.empty()) return false;
    errno = 0;
    char* pEnd = nullptr;
    value = std::strtol(text.c_str(), &pEnd, 10);
    return *pEnd == '\0' && errno == 0;
}

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::string QVCodeText(int32 lCode)
{
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8) out += char((uint32(lCode) >> shift) & 0xFF);
    return out;
}

std::string QVEffectName(CFilterWrap* pEffect)
{
    char sz[64] = {};
    pEffect->GetEffectName(sz);
    return sz;
}

std::string QVControlName(CFilterWrap* pEffect, int32 lControl)
{
    char sz[64] = {};
    pEffect->GetParameterName(lControl, sz);
    return sz;
}

std::string QVPresetName(CFilterWrap* pEffect, int32 lPreset)
{
    char sz[64] = {};
    pEffect->GetPresetNameIndexed(lPreset, sz);
    return sz;
}

const std::vector<QVRunnable>& QVRunnables()
{
    static const std::vector<QVRunnable> all = [] {
        std::vector<QVRunnable> list;
        for (int i = 0; i < QVCatalogueCount(); ++i) {
            const QVEffectInfo& info = QVCatalogue()[i];
            QVRunnable r;
            r.name = info.pName;
            r.shortName = info.pShortName;
            r.code = QVCodeText(info.lCode);
            r.pEffect = &info;
            list.push_back(r);
        }
        for (int i = 0; i < QVLibraryFilterCount(); ++i) {
            const QVLibraryFilterInfo& info = QVLibraryFilters()[i];
            CFilter* pFilter = info.pCreate();
            if (!pFilter) continue;
            char sz[64] = {};
            pFilter->GetEffectName(sz);
            QVRunnable r;
            r.name = r.shortName = info.pName;
            r.filterName = sz;
            r.code = QVCodeText(pFilter->GetUniqueID());
            r.pFilter = &info;
            pFilter->Delete();
            list.push_back(r);
        }
        return list;
    }();
    return all;
}

const QVRunnable& QVFindRunnable(const std::string& typed)
{
    const std::vector<QVRunnable>& all = QVRunnables();
    for (const QVRunnable& r : all)
        if (r.code == typed) return r;
    for (const QVRunnable& r : all)
        if (QVSameName(typed, r.name) || QVSameName(typed, r.shortName) || QVSameName(typed, r.filterName))
            return r;
    std::vector<std::string> names;
    for (const QVRunnable& r : all) names.push_back(r.shortName);
    throw QVUsageError("unknown effect '" + typed + "'" + QVDidYouMean(typed, names) + " ('quillmark list' shows them all)");
}

QVEffectPtr QVCreate(const QVRunnable& runnable)
{
    QVEffectPtr effect;
    if (runnable.pEffect) {
        effect.reset(runnable.pEffect->pCreate());
    } else {
        CFilter* pPrototype = runnable.pFilter->pCreate();
        if (pPrototype) {
            CLibraryEffect* pWrap = new (std::nothrow) CLibraryEffect(runnable.pFilter->pName, pPrototype);
            pPrototype->Delete();
            if (pWrap && !pWrap->m_bInstalled) {
                pWrap->Delete();
                pWrap = nullptr;
            }
            effect.reset(pWrap);
        }
    }
    if (!effect) throw QVError(QV_EXIT_FILE, "out of memory creating " + runnable.name);
    effect->SetPreset(0);
    return effect;
}

// A preset or control by number, or by name; what is "preset" or "control".
static int32 FindByNameOrNumber(CFilterWrap* pEffect, const std::string& typed, int32 lCount, const std::string& what,
                                std::string (*pName)(CFilterWrap*, int32))
{
    long n = 0;
    if (IsNumber(typed, n)) {
        if (n >= 0 && n < lCount) return int32(n);
        throw QVUsageError(QVEffectName(pEffect) + " has no " + what + " " + typed + "; its " + what +
                           "s are numbered 0 to " + std::to_string(lCount - 1));
    }
    std::vector<std::string> names;
    std::vector<int32> found;
    for (int32 i = 0; i < lCount; ++i) {
        names.push_back(pName(pEffect, i));
        if (QVSameName(typed, names.back())) found.push_back(i);
    }
    if (found.size() == 1) return found[0];
    if (found.size() > 1) {
        std::string numbers;
        for (size_t i = 0; i < found.size(); ++i) numbers += (i ? ", " : "") + std::to_string(found[i]);
        throw QVUsageError(QVEffectName(pEffect) + " has several " + what + "s named '" + typed + "' (" + numbers +
                           "); give the " + what + "'s number instead");
    }
    throw QVUsageError("unknown " + what + " '" + typed + "' for " + QVEffectName(pEffect) +
                       QVDidYouMean(typed, names) + " (" + what + "s: " + QVQuotedList(names, ", ") + ")");
}

int32 QVFindPreset(CFilterWrap* pEffect, const std::string& typed)
{
    return FindByNameOrNumber(pEffect, typed, pEffect->GetPresetCount(), "preset", QVPresetName);
}

int32 QVFindControl(CFilterWrap* pEffect, const std::string& typed)
{
    return FindByNameOrNumber(pEffect, typed, pEffect->GetParameterCount(), "control", QVControlName);
}

std::pair<int32, float> QVParseSet(CFilterWrap* pEffect, const std::string& set)
{
    const size_t eq = set.find('=');
    const int32 lControl = QVFindControl(pEffect, Trim(set.substr(0, eq)));
    const std::string text = Trim(set.substr(eq + 1));
    char* pEnd = nullptr;
    const float v = std::strtof(text.c_str(), &pEnd);
    const std::string what = "--set " + set + ": ";
    if (text.empty() || *pEnd != '\0' || !std::isfinite(v))
        throw QVUsageError(what + "'" + text + "' is not a number; give a value from 0 to 1");
    if (v < 0.0f || v > 1.0f) throw QVUsageError(what + "the value must lie between 0 and 1");
    return {lControl, v};
}
