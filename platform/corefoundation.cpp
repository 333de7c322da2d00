// Objects, strings, data, containers and file locations of corefoundation.h.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/cfinternal.h"

namespace {

const CFObject* Object(CFTypeRef object) { return static_cast<const CFObject*>(object); }

// Removes repeated slashes and a trailing slash (the root keeps its one slash).
std::string NormalizePath(const std::string& path)
{
    std::string result;
    for (char c : path) {
        if (c == '/' && !result.empty() && result.back() == '/')
            continue;
        result += c;
    }
    if (result.size() > 1 && result.back() == '/')
        result.pop_back();
    return result;
}

std::string EncodeFileURL(const std::string& path, bool bDirectory)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        bool bPlain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '.' || c == '_' || c == '~' || c == '/';
        if (bPlain) {
            url += char(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    if (bDirectory && url.back() != '/')
        url += '/';
    return url;
}

} // namespace

CFURLRef CFNewFileURL(const std::string& path, bool bDirectory)
{
    if (path.empty() || path[0] != '/')
        return nullptr;
    return new CFURLObject(NormalizePath(path), bDirectory);
}

CFArrayObject::~CFArrayObject()
{
    if (m_CallBacks.release)
        for (const void* value : m_Values)
            m_CallBacks.release(nullptr, value);
}

CFDictionaryObject::~CFDictionaryObject()
{
    for (auto& entry : m_Values)
        CFRelease(entry.second);
}

CFURLObject::CFURLObject(std::string path, bool bDirectory)
    : CFObject(kCFURLTypeID), m_Path(std::move(path)), m_bDirectory(bDirectory),
      m_pString(new CFStringObject(EncodeFileURL(m_Path, bDirectory)))
{
}

CFURLObject::~CFURLObject() { CFRelease(m_pString); }

bool CFPathExists(const std::string& path, bool bFolder)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return false;
    return bFolder ? S_ISDIR(info.st_mode) : !S_ISDIR(info.st_mode);
}

CFTypeRef CFRetain(CFTypeRef object)
{
    if (object && !Object(object)->m_bImmortal)
        Object(object)->m_lRefCount.fetch_add(1, std::memory_order_relaxed);
    return object;
}

void CFRelease(CFTypeRef object)
{
    if (!object || Object(object)->m_bImmortal)
        return;
    if (Object(object)->m_lRefCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete Object(object);
}

CFIndex CFGetRetainCount(CFTypeRef object) { return object ? Object(object)->m_lRefCount.load() : 0; }

CFTypeID CFGetTypeID(CFTypeRef object) { return object ? Object(object)->m_TypeID : 0; }
CFTypeID CFStringGetTypeID() { return kCFStringTypeID; }
CFTypeID CFDataGetTypeID() { return kCFDataTypeID; }
CFTypeID CFArrayGetTypeID() { return kCFArrayTypeID; }
CFTypeID CFDictionaryGetTypeID() { return kCFDictionaryTypeID; }
CFTypeID CFURLGetTypeID() { return kCFURLTypeID; }
CFTypeID CFBundleGetTypeID() { return kCFBundleTypeID; }
CFTypeID CFNumberGetTypeID() { return kCFNumberTypeID; }
CFTypeID CFBooleanGetTypeID() { return kCFBooleanTypeID; }
CFTypeID CFDateGetTypeID() { return kCFDateTypeID; }

// ---- Strings

CFStringRef CFSTR(const char* text)
{
    // The table lives on past static destruction, like the strings it holds.
    static std::mutex* mutex = new std::mutex;
    static auto* constants = new std::map<std::string, CFStringObject*>;
    std::lock_guard<std::mutex> hold(*mutex);
    CFStringObject*& string = (*constants)[text];
    if (!string) {
        string = new CFStringObject(text);
        string->m_bImmortal = true;
    }
    return string;
}

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* text, CFStringEncoding encoding)
{
    return text && encoding == kCFStringEncodingUTF8 ? new (std::nothrow) CFStringObject(text) : nullptr;
}

Boolean CFStringGetCString(CFStringRef string, char* buffer, CFIndex size, CFStringEncoding encoding)
{
    auto p = CFCast<CFStringObject>(string, kCFStringTypeID);
    if (!buffer || size <= 0)
        return false;
    buffer[0] = '\0';
    if (!p || encoding != kCFStringEncodingUTF8 || CFIndex(p->m_Text.size()) >= size)
        return false;
    std::memcpy(buffer, p->m_Text.c_str(), p->m_Text.size() + 1);
    return true;
}

CFStringRef CFStringCreateWithFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        text.resize(size_t(length) + 1);
        vsnprintf(&text[0], text.size(), format, args);
        text.resize(size_t(length));
    }
    va_end(args);
    return length < 0 ? nullptr : new CFStringObject(std::move(text));
}

const char* CFStringGetCStringPtr(CFStringRef string)
{
    auto p = CFCast<CFStringObject>(string, kCFStringTypeID);
    return p ? p->m_Text.c_str() : nullptr;
}

bool CFStringEqual(CFStringRef a, CFStringRef b)
{
    auto pa = CFCast<CFStringObject>(a, kCFStringTypeID);
    auto pb = CFCast<CFStringObject>(b, kCFStringTypeID);
    return pa && pb && pa->m_Text == pb->m_Text;
}

// ---- Data

CFDataRef CFDataCreate(CFAllocatorRef, const uint8_t* bytes, CFIndex length)
{
    if (length < 0 || (!bytes && length > 0))
        return nullptr;
    return new CFDataObject(std::string(reinterpret_cast<const char*>(bytes), size_t(length)));
}

const uint8_t* CFDataGetBytePtr(CFDataRef data)
{
    auto p = CFCast<CFDataObject>(data, kCFDataTypeID);
    return p ? reinterpret_cast<const uint8_t*>(p->m_Bytes.data()) : nullptr;
}

CFIndex CFDataGetLength(CFDataRef data)
{
    auto p = CFCast<CFDataObject>(data, kCFDataTypeID);
    return p ? CFIndex(p->m_Bytes.size()) : 0;
}

// ---- Containers

namespace {
const void* RetainValue(CFAllocatorRef, const void* value) { return CFRetain(value); }
void ReleaseValue(CFAllocatorRef, const void* value) { CFRelease(value); }
} // namespace

const CFArrayCallBacks kCFTypeArrayCallBacks = {0, RetainValue, ReleaseValue};

CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const void** values, CFIndex count, const CFArrayCallBacks* callBacks)
{
    CFMutableArrayRef array = CFArrayCreateMutable(allocator, count, callBacks);
    for (CFIndex i = 0; array && i < count; i++)
        array->Append(values[i]);
    return array;
}

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef, CFIndex capacity, const CFArrayCallBacks* callBacks)
{
    auto array = new (std::nothrow) CFArrayObject(callBacks);
    if (array && capacity > 0)
        array->m_Values.reserve(size_t(capacity));
    return array;
}

void CFArrayAppendValue(CFMutableArrayRef array, const void* value)
{
    if (array && array->m_TypeID == kCFArrayTypeID)
        array->Append(value);
}

CFIndex CFArrayGetCount(CFArrayRef array)
{
    auto p = CFCast<CFArrayObject>(array, kCFArrayTypeID);
    return p ? CFIndex(p->m_Values.size()) : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef array, CFIndex index)
{
    auto p = CFCast<CFArrayObject>(array, kCFArrayTypeID);
    if (!p || index < 0 || size_t(index) >= p->m_Values.size())
        return nullptr;
    return p->m_Values[size_t(index)];
}

CFIndex CFDictionaryGetCount(CFDictionaryRef dictionary)
{
    auto p = CFCast<CFDictionaryObject>(dictionary, kCFDictionaryTypeID);
    return p ? CFIndex(p->m_Values.size()) : 0;
}

CFTypeRef CFDictionaryGetValue(CFDictionaryRef dictionary, CFStringRef key)
{
    auto p = CFCast<CFDictionaryObject>(dictionary, kCFDictionaryTypeID);
    const char* text = CFStringGetCStringPtr(key);
    if (!p || !text)
        return nullptr;
    auto found = p->m_Values.find(text);
    return found == p->m_Values.end() ? nullptr : found->second;
}

// ---- File locations

CFURLRef CFURLCreateWithFileSystemPath(CFStringRef path, bool isDirectory)
{
    const char* text = CFStringGetCStringPtr(path);
    return text ? CFNewFileURL(text, isDirectory) : nullptr;
}

CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFURLRef url)
{
    auto p = CFCast<CFURLObject>(url, kCFURLTypeID);
    if (!p || p->m_Path == "/")
        return nullptr;
    size_t slash = p->m_Path.rfind('/');
    return CFNewFileURL(slash == 0 ? "/" : p->m_Path.substr(0, slash), true);
}

CFURLRef CFURLCreateCopyAppendingPathComponent(CFURLRef url, CFStringRef component, bool isDirectory)
{
    auto p = CFCast<CFURLObject>(url, kCFURLTypeID);
    const char* text = CFStringGetCStringPtr(component);
    if (!p || !text || !*text)
        return nullptr;
    return CFNewFileURL(p->m_Path + "/" + text, isDirectory);
}

CFStringRef CFURLCopyFileSystemPath(CFURLRef url)
{
    auto p = CFCast<CFURLObject>(url, kCFURLTypeID);
    return p ? new CFStringObject(p->m_Path) : nullptr;
}

CFStringRef CFURLGetString(CFURLRef url)
{
    auto p = CFCast<CFURLObject>(url, kCFURLTypeID);
    return p ? p->m_pString : nullptr;
}

bool CFURLHasDirectoryPath(CFURLRef url)
{
    auto p = CFCast<CFURLObject>(url, kCFURLTypeID);
    return p && p->m_bDirectory;
}

bool CFURLCreateDataAndPropertiesFromResource(CFURLRef url, CFDataRef* pData, SInt32* pErrorCode)
{
    SInt32 error = EINVAL;
    if (pData)
        *pData = nullptr;
    auto p = CFCast<CFURLObject>(url, kCFURLTypeID);
    if (p && pData) {
        int fd = open(p->m_Path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info;
        if (fd < 0) {
            error = errno;
        } else if (fstat(fd, &info) != 0) {
            error = errno;
        } else if (S_ISDIR(info.st_mode)) {
            error = EISDIR;
        } else if (info.st_size > kCFURLMaximumResourceSize) {
            error = EFBIG;
        } else {
            // Read to the end rather than trusting st_size (the file may change meanwhile),
            // within the same bound.
            std::string bytes;
            char buffer[65536];
            ssize_t got;
            while ((got = read(fd, buffer, sizeof buffer)) > 0 && bytes.size() <= size_t(kCFURLMaximumResourceSize))
                bytes.append(buffer, size_t(got));
            if (got < 0)
                error = errno;
            else if (bytes.size() > size_t(kCFURLMaximumResourceSize))
                error = EFBIG;
            else {
                error = 0;
                *pData = new CFDataObject(std::move(bytes));
            }
        }
        if (fd >= 0)
            close(fd);
    }
    if (pErrorCode)
        *pErrorCode = error;
    return error == 0;
}
