#include "libraryfilters.h"

#include <new>

namespace {

template <class T>
CFilter* Make()
{
    return new (std::nothrow) T;
}

const QVLibraryFilterInfo kFilters[] = {
    {"", nullptr}, // keeps the table non-empty; skipped
};

} // namespace

const QVLibraryFilterInfo* QVLibraryFilters() { return kFilters + 1; }
int QVLibraryFilterCount() { return int(sizeof(kFilters) / sizeof(kFilters[0])) - 1; }
