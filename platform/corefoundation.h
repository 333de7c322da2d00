// Reference-counted platform objects for the help launcher: strings, data, arrays,
// dictionaries, file locations (URLs) and bundles. Only what the launcher needs.
//
// Ownership follows the usual rule of this API family: a function whose name contains
// "Create" or "Copy" hands the caller a reference that the caller releases with
// CFRelease; a "Get" function returns a reference that the caller does not own.
// Every object is immutable after creation, so objects may be shared between threads.
#pragma once

#include <cstdint>

#include "platform/MacTypes.h"

typedef int32_t SInt32;
typedef long CFIndex;
typedef unsigned long CFTypeID;
typedef unsigned long CFOptionFlags;
typedef unsigned char Boolean;
typedef uint32_t CFStringEncoding;
typedef const void* CFAllocatorRef;
static const CFAllocatorRef kCFAllocatorDefault = nullptr;
enum : CFStringEncoding { kCFStringEncodingUTF8 = 0x08000100 };

class CFStringObject;
class CFDataObject;
class CFArrayObject;
class CFDictionaryObject;
class CFURLObject;
class CFBundleObject;

// Any object; every reference below converts to it.
typedef const void* CFTypeRef;
typedef const CFStringObject* CFStringRef;
typedef const CFDataObject* CFDataRef;
typedef const CFArrayObject* CFArrayRef;
typedef CFArrayObject* CFMutableArrayRef;
typedef const CFDictionaryObject* CFDictionaryRef;
typedef const CFURLObject* CFURLRef;
typedef CFBundleObject* CFBundleRef;
typedef CFTypeRef CFPropertyListRef;

// Reference counting. Both accept null (and then do nothing).
CFTypeRef CFRetain(CFTypeRef object);
void CFRelease(CFTypeRef object);
CFIndex CFGetRetainCount(CFTypeRef object);

// Type identity. Property lists also hold numbers, booleans and dates; the launcher
// only needs to tell them apart from strings, so they have a type and nothing else.
CFTypeID CFGetTypeID(CFTypeRef object);
CFTypeID CFStringGetTypeID();
CFTypeID CFDataGetTypeID();
CFTypeID CFArrayGetTypeID();
CFTypeID CFDictionaryGetTypeID();
CFTypeID CFURLGetTypeID();
CFTypeID CFBundleGetTypeID();
CFTypeID CFNumberGetTypeID();
CFTypeID CFBooleanGetTypeID();
CFTypeID CFDateGetTypeID();

// Strings (UTF-8). CFSTR gives a string that lives as long as the process; retaining
// and releasing it is harmless.
CFStringRef CFSTR(const char* text);
// Only UTF-8 is spoken here: another encoding gives null (create) or false (get).
CFStringRef CFStringCreateWithCString(CFAllocatorRef allocator, const char* text, CFStringEncoding encoding);
// Copies the text with its terminator; false, and an empty buffer, when it does not fit.
Boolean CFStringGetCString(CFStringRef string, char* buffer, CFIndex size, CFStringEncoding encoding);
CFStringRef CFStringCreateWithFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
const char* CFStringGetCStringPtr(CFStringRef string);
bool CFStringEqual(CFStringRef a, CFStringRef b);

// Byte data.
CFDataRef CFDataCreate(CFAllocatorRef allocator, const uint8_t* bytes, CFIndex length);
const uint8_t* CFDataGetBytePtr(CFDataRef data);
CFIndex CFDataGetLength(CFDataRef data);

// Arrays. With kCFTypeArrayCallBacks they retain their values and release them with
// themselves; with null callbacks they hold plain pointers they never retain or release.
typedef const void* (*CFArrayRetainCallBack)(CFAllocatorRef allocator, const void* value);
typedef void (*CFArrayReleaseCallBack)(CFAllocatorRef allocator, const void* value);
struct CFArrayCallBacks {
    CFIndex version;
    CFArrayRetainCallBack retain;
    CFArrayReleaseCallBack release;
};
extern const CFArrayCallBacks kCFTypeArrayCallBacks;
CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const void** values, CFIndex count, const CFArrayCallBacks* callBacks);
CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef allocator, CFIndex capacity, const CFArrayCallBacks* callBacks);
void CFArrayAppendValue(CFMutableArrayRef array, const void* value);
CFIndex CFArrayGetCount(CFArrayRef array);
const void* CFArrayGetValueAtIndex(CFArrayRef array, CFIndex index); // null when out of range

// Dictionaries with string keys, as property lists hold them.
CFIndex CFDictionaryGetCount(CFDictionaryRef dictionary);
CFTypeRef CFDictionaryGetValue(CFDictionaryRef dictionary, CFStringRef key); // null when absent

// File locations. A URL holds an absolute file path and whether it names a folder.
// The copy operations yield null when the result cannot be formed (a relative path,
// the parent of the root folder, an empty component).
CFURLRef CFURLCreateWithFileSystemPath(CFStringRef path, bool isDirectory);
CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFURLRef url);
CFURLRef CFURLCreateCopyAppendingPathComponent(CFURLRef url, CFStringRef component, bool isDirectory);
CFStringRef CFURLCopyFileSystemPath(CFURLRef url);
CFStringRef CFURLGetString(CFURLRef url); // "file://" with the path percent-encoded
bool CFURLHasDirectoryPath(CFURLRef url);

// Reads the whole file at url into *pData. Folders, unreadable files and files larger
// than kCFURLMaximumResourceSize fail with false and an errno value in *pErrorCode.
enum : CFIndex { kCFURLMaximumResourceSize = 16 * 1024 * 1024 };
bool CFURLCreateDataAndPropertiesFromResource(CFURLRef url, CFDataRef* pData, SInt32* pErrorCode);

// Property lists (XML or binary), parsed into the immutable objects above.
enum : CFOptionFlags { kCFPropertyListImmutable = 0 };
CFPropertyListRef CFPropertyListCreateFromXMLData(CFDataRef data, CFOptionFlags options, CFStringRef* pErrorString);

// Bundles: folders with the bundle layout, resources under Contents/Resources (or at
// the top of a flat bundle), localized resources in <language>.lproj folders.
CFBundleRef CFBundleGetMainBundle();                // the running application's; not owned
CFBundleRef CFBundleCreate(CFURLRef url);           // null when url is not an existing folder
CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
// Looks for "<name>.<type>" in subfolder of the resources: first outside any
// localization, then in the user's language folders, then in English.
CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef name, CFStringRef type, CFStringRef subfolder);

// Owns one reference and releases it at the end of its scope.
template <class T>
class CFRef {
public:
    explicit CFRef(T object = nullptr) : m_Object(object) {}
    ~CFRef() { CFRelease(m_Object); }
    CFRef(const CFRef&) = delete;
    CFRef& operator=(const CFRef&) = delete;

    T get() const { return m_Object; }
    operator T() const { return m_Object; }
    explicit operator bool() const { return m_Object != nullptr; }
    void reset(T object = nullptr)
    {
        CFRelease(m_Object);
        m_Object = object;
    }
    T release()
    {
        T object = m_Object;
        m_Object = nullptr;
        return object;
    }
    // For functions that return a new reference through a pointer.
    T* out()
    {
        reset();
        return &m_Object;
    }

private:
    T m_Object;
};
