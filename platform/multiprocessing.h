// Critical regions: the multiprocessing calls every filter uses to guard itself.
// A region is re-entrant for the thread that holds it and is always entered with
// an unlimited wait; each entry is matched by one exit.
#pragma once

#include <cstdint>

#include "MacTypes.h"

struct OpaqueMPCriticalRegionID;
typedef OpaqueMPCriticalRegionID* MPCriticalRegionID;
typedef int32_t Duration;

enum : Duration { kDurationForever = 0x7FFFFFFF };
enum : OSStatus { kMPInsufficientResourcesErr = -29298 };

OSStatus MPCreateCriticalRegion(MPCriticalRegionID* pRegion);
OSStatus MPDeleteCriticalRegion(MPCriticalRegionID region);
OSStatus MPEnterCriticalRegion(MPCriticalRegionID region, Duration timeout);
OSStatus MPExitCriticalRegion(MPCriticalRegionID region);
