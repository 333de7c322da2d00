// Assertions for programming errors (effect definitions, sliding buffers). They stay
// active in every build: a failed one prints "<source>:<line>: failed assertion `<cond>'"
// and stops the process. Each source names itself (for example "Common/filterwrap").
#pragma once

[[noreturn]] void QVAssertFailed(const char* pSource, unsigned uLine, const char* pCondition);

#define QV_ASSERT(source, cond) \
    ((cond) ? static_cast<void>(0) : QVAssertFailed(source, __LINE__, #cond))
