#include "keying/PiMutex.h"

#include <ctime>

namespace zelq {

PiMutex::PiMutex()
{
    pthread_mutexattr_t a;
    pthread_mutexattr_init(&a);
    pthread_mutexattr_setprotocol(&a, PTHREAD_PRIO_INHERIT);
    pthread_mutex_init(&m, &a);
    pthread_mutexattr_destroy(&a);
}

PiMutex::~PiMutex()
{
    pthread_mutex_destroy(&m);
}

PiCondition::PiCondition()
{
    pthread_condattr_t a;
    pthread_condattr_init(&a);
    pthread_condattr_setclock(&a, CLOCK_MONOTONIC);
    pthread_cond_init(&c, &a);
    pthread_condattr_destroy(&a);
}

PiCondition::~PiCondition()
{
    pthread_cond_destroy(&c);
}

void PiCondition::waitUntil(PiMutex& m, long long deadlineNs)
{
    const timespec ts {time_t(deadlineNs / 1000000000), long(deadlineNs % 1000000000)};
    pthread_cond_timedwait(&c, m.native(), &ts);
}

} // namespace zelq
