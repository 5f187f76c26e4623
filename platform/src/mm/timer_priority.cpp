#include "mm/timer_priority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

namespace platform::mm {
namespace {

// The soft limit as an int, with "unlimited" as `unlimited`.
int SoftLimit(int resource, int unlimited) {
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0) return 0;
    if (limit.rlim_cur == RLIM_INFINITY) return unlimited;
    return static_cast<int>(std::min<rlim_t>(limit.rlim_cur, static_cast<rlim_t>(unlimited)));
}

bool TryFifo(int priority) {
    if (priority < 1) return false;
    sched_param param{};
    param.sched_priority = priority;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

}  // namespace

std::string RaiseThreadPriority() {
    // Privileged: the top priority. Otherwise RLIMIT_RTPRIO is the highest one allowed.
    const int fifoMax = sched_get_priority_max(SCHED_FIFO);
    for (int priority : {fifoMax, std::min(fifoMax, SoftLimit(RLIMIT_RTPRIO, fifoMax))}) {
        if (TryFifo(priority)) return "SCHED_FIFO priority " + std::to_string(priority);
    }
    // Linux keeps a nice value per thread. RLIMIT_NICE n allows values down to 20 - n.
    for (int nice : {-20, std::max(-20, 20 - SoftLimit(RLIMIT_NICE, 40))}) {
        if (nice < 0 && setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice) == 0)
            return "nice " + std::to_string(nice);
    }
    return "ordinary priority (raising it is not permitted)";
}

}  // namespace platform::mm
