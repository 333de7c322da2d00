// The object classes behind the references of corefoundation.h, shared by its sources.
#pragma once

#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "platform/corefoundation.h"

enum : CFTypeID {
    kCFStringTypeID = 1,
    kCFDataTypeID,
    kCFArrayTypeID,
    kCFDictionaryTypeID,
    kCFURLTypeID,
    kCFBundleTypeID,
    kCFNumberTypeID,
    kCFBooleanTypeID,
    kCFDateTypeID,
};

class CFObject {
public:
    explicit CFObject(CFTypeID typeID) : m_TypeID(typeID), m_lRefCount(1), m_bImmortal(false) {}
    virtual ~CFObject() {}
    CFObject(const CFObject&) = delete;
    CFObject& operator=(const CFObject&) = delete;

    const CFTypeID m_TypeID;
    mutable std::atomic<CFIndex> m_lRefCount;
    bool m_bImmortal; // constant strings and the main bundle are never freed
};

class CFStringObject : public CFObject {
public:
    explicit CFStringObject(std::string text) : CFObject(kCFStringTypeID), m_Text(std::move(text)) {}
    const std::string m_Text;
};

class CFDataObject : public CFObject {
public:
    explicit CFDataObject(std::string bytes) : CFObject(kCFDataTypeID), m_Bytes(std::move(bytes)) {}
    const std::string m_Bytes;
};

class CFArrayObject : public CFObject {
public:
    explicit CFArrayObject(const CFArrayCallBacks* pCallBacks)
        : CFObject(kCFArrayTypeID), m_CallBacks(pCallBacks ? *pCallBacks : CFArrayCallBacks{0, nullptr, nullptr})
    {
    }
    ~CFArrayObject() override;
    void Append(const void* value) { m_Values.push_back(m_CallBacks.retain ? m_CallBacks.retain(nullptr, value) : value); }
    const CFArrayCallBacks m_CallBacks;
    std::vector<const void*> m_Values;
};

class CFDictionaryObject : public CFObject {
public:
    CFDictionaryObject() : CFObject(kCFDictionaryTypeID) {}
    ~CFDictionaryObject() override;
    std::map<std::string, CFTypeRef> m_Values; // one reference to each value
};

// Numbers, booleans and dates of a property list: only their type matters here.
class CFScalarObject : public CFObject {
public:
    explicit CFScalarObject(CFTypeID typeID) : CFObject(typeID) {}
};

class CFURLObject : public CFObject {
public:
    CFURLObject(std::string path, bool bDirectory);
    ~CFURLObject() override;
    const std::string m_Path; // absolute, without a trailing slash except for "/"
    const bool m_bDirectory;
    CFStringRef m_pString; // the URL text; one reference
};

class CFBundleObject : public CFObject {
public:
    explicit CFBundleObject(std::string path) : CFObject(kCFBundleTypeID), m_Path(std::move(path)) {}
    const std::string m_Path; // the bundle's folder
};

// The object behind a reference, or null when the reference is null or of another type.
template <class T>
inline const T* CFCast(CFTypeRef object, CFTypeID typeID)
{
    const CFObject* p = static_cast<const CFObject*>(object);
    return p && p->m_TypeID == typeID ? static_cast<const T*>(p) : nullptr;
}

// A new file URL for an absolute path (repeated and trailing slashes removed), or null
// for a relative one.
CFURLRef CFNewFileURL(const std::string& path, bool bDirectory);

// Whether path names an existing folder (bFolder) or an existing file that is no folder.
bool CFPathExists(const std::string& path, bool bFolder);
