// Loaded into Wine's processes (LD_PRELOAD) by the tests, it keeps each of them in the session
// it was started in. Wine puts its services and every program detached from a console in a
// session of its own; on a machine that keeps sessions in no cgroup, as a desktop's login
// manager does, the kernel makes each session a scheduling group of its own, and such a lone
// group beside a busy one was seen runnable yet starved for tens of seconds: every Wine
// program waited on it (README, "Windows"). setsid() fails as it does for a process group
// leader, which Wine takes in its stride.
#include <errno.h>
#include <sys/types.h>

pid_t setsid(void)
{
    errno = EPERM;
    return -1;
}
