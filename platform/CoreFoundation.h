// The few Core Foundation types the plug-in formats hand across: reference-counted
// strings, arrays and data blocks with the usual create/retain/release ownership rules
// (what a Create call returns, the caller releases).
#pragma once

#include <cstdint>

typedef long CFIndex;
typedef unsigned char Boolean;
typedef uint8_t UInt8;
typedef uint32_t CFStringEncoding;
typedef const void* CFAllocatorRef;
static const CFAllocatorRef kCFAllocatorDefault = nullptr;
enum : CFStringEncoding { kCFStringEncodingUTF8 = 0x08000100 };

struct __CFObject;
typedef const __CFObject* CFTypeRef;
typedef const __CFObject* CFStringRef;
typedef const __CFObject* CFArrayRef;
typedef __CFObject* CFMutableArrayRef;
typedef const __CFObject* CFDataRef;
typedef const void* CFPropertyListRef;

typedef const void* (*CFArrayRetainCallBack)(CFAllocatorRef, const void*);
typedef void (*CFArrayReleaseCallBack)(CFAllocatorRef, const void*);
struct CFArrayCallBacks {
    CFIndex version;
    CFArrayRetainCallBack retain;
    CFArrayReleaseCallBack release;
};
// Arrays of Core Foundation objects: values are retained on append, released with the array.
extern const CFArrayCallBacks kCFTypeArrayCallBacks;

CFTypeRef CFRetain(CFTypeRef object);
void CFRelease(CFTypeRef object);
CFIndex CFGetRetainCount(CFTypeRef object);

CFStringRef CFStringCreateWithCString(CFAllocatorRef allocator, const char* text, CFStringEncoding encoding);
// Copies the text with its terminator; false (and an empty buffer) when it does not fit.
Boolean CFStringGetCString(CFStringRef string, char* buffer, CFIndex size, CFStringEncoding encoding);

// With null callbacks the array holds plain pointers it neither retains nor releases.
CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef allocator, CFIndex capacity, const CFArrayCallBacks* callbacks);
void CFArrayAppendValue(CFMutableArrayRef array, const void* value);
CFIndex CFArrayGetCount(CFArrayRef array);
const void* CFArrayGetValueAtIndex(CFArrayRef array, CFIndex index);

CFDataRef CFDataCreate(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length);
CFIndex CFDataGetLength(CFDataRef data);
const UInt8* CFDataGetBytePtr(CFDataRef data);

// Kind checks for code that receives a CFTypeRef from outside.
bool CFIsString(CFTypeRef object);
bool CFIsArray(CFTypeRef object);
bool CFIsData(CFTypeRef object);
