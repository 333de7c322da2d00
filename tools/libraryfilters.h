// Filters of the library that run on their own in the renderer: each becomes a composite
// with one filter and every parameter a control. To offer another filter, add a line to
// the table in libraryfilters.cpp.
#pragma once

#include "filter.h"

struct QVLibraryFilterInfo {
    const char* pName;      // name shown in the renderer's lists, e.g. "Noise Reduction"
    CFilter* (*pCreate)();  // a new filter with its default settings, or null
};

// The table and its length.
const QVLibraryFilterInfo* QVLibraryFilters();
int QVLibraryFilterCount();
