#include "CoreFoundation.h"

#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <vector>

struct __CFObject {
    enum Kind { kString, kArray, kData };
    explicit __CFObject(Kind k) : kind(k) {}
    virtual ~__CFObject() {}
    const Kind kind;
    std::atomic<CFIndex> retainCount{1};
};

namespace {
struct CFStringObject : __CFObject {
    explicit CFStringObject(const char* pText) : __CFObject(kString), text(pText) {}
    std::string text;
};

struct CFArrayObject : __CFObject {
    explicit CFArrayObject(const CFArrayCallBacks* pCallBacks)
        : __CFObject(kArray), callbacks(pCallBacks ? *pCallBacks : CFArrayCallBacks{0, nullptr, nullptr})
    {
    }
    ~CFArrayObject() override
    {
        if (callbacks.release)
            for (const void* value : values) callbacks.release(nullptr, value);
    }
    CFArrayCallBacks callbacks;
    std::vector<const void*> values;
};

struct CFDataObject : __CFObject {
    CFDataObject(const UInt8* pBytes, CFIndex length) : __CFObject(kData), bytes(pBytes, pBytes + length) {}
    std::vector<UInt8> bytes;
};

const void* RetainValue(CFAllocatorRef, const void* value) { return CFRetain(static_cast<CFTypeRef>(value)); }
void ReleaseValue(CFAllocatorRef, const void* value) { CFRelease(static_cast<CFTypeRef>(value)); }

template <class T>
const T* As(CFTypeRef object, __CFObject::Kind kind)
{
    return object && object->kind == kind ? static_cast<const T*>(object) : nullptr;
}
} // namespace

const CFArrayCallBacks kCFTypeArrayCallBacks = {0, RetainValue, ReleaseValue};

CFTypeRef CFRetain(CFTypeRef object)
{
    if (object) ++const_cast<__CFObject*>(object)->retainCount;
    return object;
}

void CFRelease(CFTypeRef object)
{
    if (object && --const_cast<__CFObject*>(object)->retainCount == 0) delete object;
}

CFIndex CFGetRetainCount(CFTypeRef object) { return object ? object->retainCount.load() : 0; }

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* text, CFStringEncoding encoding)
{
    if (!text || encoding != kCFStringEncodingUTF8) return nullptr;
    return new (std::nothrow) CFStringObject(text);
}

Boolean CFStringGetCString(CFStringRef string, char* buffer, CFIndex size, CFStringEncoding encoding)
{
    const CFStringObject* pString = As<CFStringObject>(string, __CFObject::kString);
    if (!buffer || size <= 0) return false;
    buffer[0] = '\0';
    if (!pString || encoding != kCFStringEncodingUTF8 || CFIndex(pString->text.size()) >= size) return false;
    std::memcpy(buffer, pString->text.c_str(), pString->text.size() + 1);
    return true;
}

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef, CFIndex capacity, const CFArrayCallBacks* callbacks)
{
    CFArrayObject* pArray = new (std::nothrow) CFArrayObject(callbacks);
    if (pArray && capacity > 0) pArray->values.reserve(size_t(capacity));
    return pArray;
}

void CFArrayAppendValue(CFMutableArrayRef array, const void* value)
{
    CFArrayObject* pArray = const_cast<CFArrayObject*>(As<CFArrayObject>(array, __CFObject::kArray));
    if (!pArray) return;
    pArray->values.push_back(pArray->callbacks.retain ? pArray->callbacks.retain(nullptr, value) : value);
}

CFIndex CFArrayGetCount(CFArrayRef array)
{
    const CFArrayObject* pArray = As<CFArrayObject>(array, __CFObject::kArray);
    return pArray ? CFIndex(pArray->values.size()) : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef array, CFIndex index)
{
    const CFArrayObject* pArray = As<CFArrayObject>(array, __CFObject::kArray);
    if (!pArray || index < 0 || index >= CFIndex(pArray->values.size())) return nullptr;
    return pArray->values[size_t(index)];
}

CFDataRef CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length)
{
    if (length < 0 || (!bytes && length > 0)) return nullptr;
    return new (std::nothrow) CFDataObject(bytes, length);
}

CFIndex CFDataGetLength(CFDataRef data)
{
    const CFDataObject* pData = As<CFDataObject>(data, __CFObject::kData);
    return pData ? CFIndex(pData->bytes.size()) : 0;
}

const UInt8* CFDataGetBytePtr(CFDataRef data)
{
    const CFDataObject* pData = As<CFDataObject>(data, __CFObject::kData);
    return pData ? pData->bytes.data() : nullptr;
}

bool CFIsString(CFTypeRef object) { return object && object->kind == __CFObject::kString; }
bool CFIsArray(CFTypeRef object) { return object && object->kind == __CFObject::kArray; }
bool CFIsData(CFTypeRef object) { return object && object->kind == __CFObject::kData; }
