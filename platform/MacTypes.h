// Basic types and status codes shared by every platform stand-in.
#pragma once

#include <cstdint>

typedef int32_t OSStatus;

enum : OSStatus {
    noErr = 0,
    unimpErr = -4,
    paramErr = -50,
    memFullErr = -108,
};
