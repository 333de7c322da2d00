#include "qvassert.h"

#include <cstdio>
#include <cstdlib>

void QVAssertFailed(const char* pSource, unsigned uLine, const char* pCondition)
{
    std::fprintf(stderr, "%s:%u: failed assertion `%s'\n", pSource, uLine, pCondition);
    std::fflush(stderr);
    std::abort();
}
