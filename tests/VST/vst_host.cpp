#include "vst_host.h"

#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

namespace qvhost {

namespace {
std::atomic<VstIntPtr> g_Version{2400};
// The log allocates nothing, so that tests can count and refuse the plug-ins' allocations.
std::mutex g_CallsMutex;
VstInt32 g_Calls[4096];
size_t g_CallCount = 0;
const char kMarker[] = "<untouched>";
} // namespace

void SetHostVersion(VstIntPtr version) { g_Version = version; }

std::vector<VstInt32> HostCalls()
{
    std::lock_guard<std::mutex> lock(g_CallsMutex);
    return std::vector<VstInt32>(g_Calls, g_Calls + g_CallCount);
}

void ClearHostCalls()
{
    std::lock_guard<std::mutex> lock(g_CallsMutex);
    g_CallCount = 0;
}

VstIntPtr HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    {
        std::lock_guard<std::mutex> lock(g_CallsMutex);
        if (g_CallCount < sizeof(g_Calls) / sizeof(g_Calls[0])) g_Calls[g_CallCount++] = opcode;
    }
    return opcode == audioMasterVersion ? g_Version.load() : 0;
}

CPluginFile::CPluginFile(const std::string& path) : m_pHandle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
{
    if (!m_pHandle) m_Error = dlerror();
}

CPluginFile::~CPluginFile()
{
    if (m_pHandle) dlclose(m_pHandle);
}

void* CPluginFile::Symbol(const char* pName) const { return m_pHandle ? dlsym(m_pHandle, pName) : nullptr; }

AEffect* CPluginFile::Instantiate() const
{
    EntryPoint entry = Entry("VSTPluginMain");
    return entry ? entry(HostCallback) : nullptr;
}

VstIntPtr CInstance::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return m_pEffect->dispatcher(m_pEffect, opcode, index, value, ptr, opt);
}

std::string CInstance::Text(VstInt32 opcode, VstInt32 index, VstIntPtr value, size_t lLimit)
{
    char szBuffer[512];
    std::memset(szBuffer, 0x7F, sizeof(szBuffer));
    std::memcpy(szBuffer, kMarker, sizeof(kMarker));
    Dispatch(opcode, index, value, szBuffer);
    const size_t lLength = strnlen(szBuffer, sizeof(szBuffer));
    EXPECT_LT(lLength, lLimit) << "opcode " << opcode << " index " << index << " wrote a text too long";
    for (size_t i = std::max(lLimit, sizeof(kMarker)); i < sizeof(szBuffer); ++i)
        if (szBuffer[i] != 0x7F) {
            ADD_FAILURE() << "opcode " << opcode << " index " << index << " wrote byte " << i;
            break;
        }
    return std::string(szBuffer, lLength);
}

void CInstance::Close()
{
    if (m_pEffect) Dispatch(effClose);
    m_pEffect = nullptr;
}

namespace {

// The defined global and weak names of an ELF image's dynamic symbol table, for the
// record types of its class (32 or 64 bits).
template <typename Ehdr, typename Shdr, typename Sym>
std::vector<std::string> DynamicSymbols(const std::string& image)
{
    std::vector<std::string> names;
    if (image.size() < sizeof(Ehdr)) return names;
    const char* pBase = image.data();
    const Ehdr* pHeader = reinterpret_cast<const Ehdr*>(pBase);
    const Shdr* pSections = reinterpret_cast<const Shdr*>(pBase + pHeader->e_shoff);
    for (int s = 0; s < pHeader->e_shnum; ++s) {
        if (pSections[s].sh_type != SHT_DYNSYM) continue;
        const char* pStrings = pBase + pSections[pSections[s].sh_link].sh_offset;
        const Sym* pSymbols = reinterpret_cast<const Sym*>(pBase + pSections[s].sh_offset);
        const size_t lCount = pSections[s].sh_size / sizeof(Sym);
        for (size_t i = 1; i < lCount; ++i) {
            // The binding is the high nibble of st_info in both classes.
            const unsigned char bind = ELF64_ST_BIND(pSymbols[i].st_info);
            if (pSymbols[i].st_shndx == SHN_UNDEF || (bind != STB_GLOBAL && bind != STB_WEAK)) continue;
            names.push_back(pStrings + pSymbols[i].st_name);
        }
    }
    return names;
}

} // namespace

std::vector<std::string> ExportedSymbols(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::string image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (image.size() < EI_NIDENT || std::memcmp(image.data(), ELFMAG, SELFMAG) != 0) return {};
    // The tests run on the plug-in's own processor, so the file's byte order is ours; a
    // plug-in built for the 32-bit processors has the 32-bit records.
    if (image[EI_CLASS] == ELFCLASS64) return DynamicSymbols<Elf64_Ehdr, Elf64_Shdr, Elf64_Sym>(image);
    if (image[EI_CLASS] == ELFCLASS32) return DynamicSymbols<Elf32_Ehdr, Elf32_Shdr, Elf32_Sym>(image);
    return {};
}

} // namespace qvhost
