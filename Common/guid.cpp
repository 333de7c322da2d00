#include "guid.h"

// The three identifiers the object model answers to have their conventional values.
extern "C" {
const _GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const _GUID IID_Object = {0x4BF1EFA0, 0xA73A, 0x42A2, {0x90, 0xD9, 0xD8, 0x4D, 0x06, 0xA8, 0x3F, 0x93}};
const _GUID IID_AudioEffect = {0xA21D7831, 0xE258, 0x4666, {0xA9, 0xBC, 0x19, 0x90, 0xB0, 0xBC, 0xAF, 0x32}};
}

// The rest of the table belongs to a larger object model that nothing here reads.
// Each is a fixed value: a common prefix and the entry's serial number in the table.
namespace {
enum Serial {
#define QV_SERIAL(name) kSerial_##name,
    QV_TABLE_IDENTIFIERS(QV_SERIAL)
#undef QV_SERIAL
};
}

#define QV_TABLE_ENTRY(name)                                                     \
    extern "C" const _GUID name = {0x51A7E001u + kSerial_##name, 0x7E55, 0x4A1C, \
                                             {0x8D, 0x1F, 0x6B, 0x2E, 0x90, 0x00, 0x00, uint8_t(1 + kSerial_##name)}};
QV_TABLE_IDENTIFIERS(QV_TABLE_ENTRY)
#undef QV_TABLE_ENTRY

#define QV_ADDRESS(name) &name,
#define QV_NAME(name) #name,
const _GUID* const g_QVIdentifiers[] = {QV_IDENTIFIERS(QV_ADDRESS)};
const char* const g_QVIdentifierNames[] = {QV_IDENTIFIERS(QV_NAME)};
const int g_QVIdentifierCount = sizeof(g_QVIdentifiers) / sizeof(g_QVIdentifiers[0]);
