// Property lists of corefoundation.h: libplist parses the data (XML or binary) and the
// result is converted into immutable dictionaries, arrays, strings and data.
#include <cstdlib>

#include <plist/plist.h>

#include "platform/cfinternal.h"

namespace {

// Deeper nesting than this is refused rather than risking the stack on hostile input.
const int kMaximumDepth = 256;

std::string TakeString(char* text)
{
    std::string result = text ? text : "";
    free(text);
    return result;
}

CFTypeRef Convert(plist_t node, int depth)
{
    if (!node || depth > kMaximumDepth)
        return nullptr;
    switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
        char* text = nullptr;
        plist_get_string_val(node, &text);
        return new CFStringObject(TakeString(text));
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        CFDataRef data = new CFDataObject(bytes ? std::string(bytes, size_t(length)) : std::string());
        free(bytes);
        return data;
    }
    case PLIST_ARRAY: {
        // The array owns one reference to each value, made here.
        auto array = new CFArrayObject(&kCFTypeArrayCallBacks);
        uint32_t count = plist_array_get_size(node);
        for (uint32_t i = 0; i < count; i++) {
            CFTypeRef value = Convert(plist_array_get_item(node, i), depth + 1);
            if (!value) {
                CFRelease(array);
                return nullptr;
            }
            array->m_Values.push_back(value);
        }
        return array;
    }
    case PLIST_DICT: {
        auto dictionary = new CFDictionaryObject;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        bool bFailed = false;
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, iterator, &key, &item);
            if (!item) {
                free(key);
                break;
            }
            std::string name = TakeString(key);
            CFTypeRef value = Convert(item, depth + 1);
            if (!value) {
                bFailed = true;
                break;
            }
            CFTypeRef& slot = dictionary->m_Values[name];
            CFRelease(slot);
            slot = value;
        }
        free(iterator);
        if (bFailed) {
            CFRelease(dictionary);
            return nullptr;
        }
        return dictionary;
    }
    case PLIST_BOOLEAN:
        return new CFScalarObject(kCFBooleanTypeID);
    case PLIST_DATE:
        return new CFScalarObject(kCFDateTypeID);
    default: // integers, reals, keyed-archive identifiers
        return new CFScalarObject(kCFNumberTypeID);
    }
}

} // namespace

CFPropertyListRef CFPropertyListCreateFromXMLData(CFDataRef data, CFOptionFlags options, CFStringRef* pErrorString)
{
    (void)options; // every object here is immutable
    if (pErrorString)
        *pErrorString = nullptr;
    CFIndex length = CFDataGetLength(data);
    plist_t root = nullptr;
    if (length > 0 && length <= kCFURLMaximumResourceSize)
        plist_from_memory(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), uint32_t(length), &root);
    CFPropertyListRef result = Convert(root, 0);
    if (root)
        plist_free(root);
    if (!result && pErrorString)
        *pErrorString = CFStringCreateWithCString(kCFAllocatorDefault, root ? "property list nested too deeply" : "not a property list",
                                                  kCFStringEncodingUTF8);
    return result;
}
