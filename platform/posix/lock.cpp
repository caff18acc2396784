#include "platform/lock.h"

#include <pthread.h>

namespace {
static_assert(sizeof(pthread_mutex_t) <= sizeof(CRITICAL_SECTION::storage), "mutex fits");
static_assert(alignof(pthread_mutex_t) <= alignof(CRITICAL_SECTION), "mutex alignment fits");

pthread_mutex_t* MutexOf(CRITICAL_SECTION* section) {
    return reinterpret_cast<pthread_mutex_t*>(section->storage);
}
}  // namespace

void InitializeCriticalSection(CRITICAL_SECTION* section) {
    // Critical sections may be entered again by the thread that holds them.
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(MutexOf(section), &attributes);
    pthread_mutexattr_destroy(&attributes);
}

void DeleteCriticalSection(CRITICAL_SECTION* section) { pthread_mutex_destroy(MutexOf(section)); }

void EnterCriticalSection(CRITICAL_SECTION* section) { pthread_mutex_lock(MutexOf(section)); }

void LeaveCriticalSection(CRITICAL_SECTION* section) { pthread_mutex_unlock(MutexOf(section)); }
