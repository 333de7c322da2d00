#include "multiprocessing.h"

#include <mutex>
#include <new>

// A recursive mutex gives exactly the semantics the filters rely on: the holder may
// enter again (a filter's Init calling its own Reset), every entry has one exit.
struct OpaqueMPCriticalRegionID {
    std::recursive_mutex mutex;
};

OSStatus MPCreateCriticalRegion(MPCriticalRegionID* pRegion)
{
    if (!pRegion) return paramErr;
    *pRegion = new (std::nothrow) OpaqueMPCriticalRegionID;
    return *pRegion ? OSStatus(noErr) : OSStatus(kMPInsufficientResourcesErr);
}

OSStatus MPDeleteCriticalRegion(MPCriticalRegionID region)
{
    delete region;
    return noErr;
}

OSStatus MPEnterCriticalRegion(MPCriticalRegionID region, Duration)
{
    if (!region) return paramErr;
    region->mutex.lock();
    return noErr;
}

OSStatus MPExitCriticalRegion(MPCriticalRegionID region)
{
    if (!region) return paramErr;
    region->mutex.unlock();
    return noErr;
}
