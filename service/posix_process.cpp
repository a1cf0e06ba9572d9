#include "posix_process.h"

#include <sys/resource.h>
#include <unistd.h>

#include <climits>

namespace service {

std::string runningProgramDirectory() {
    char path[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return "";
    std::string program(path, static_cast<std::size_t>(length));
    std::size_t slash = program.rfind('/');
    return slash == std::string::npos ? "" : program.substr(0, slash);
}

std::size_t raiseOpenFileLimit(std::size_t wanted) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    rlim_t target = static_cast<rlim_t>(wanted);
    if (limit.rlim_max != RLIM_INFINITY && target > limit.rlim_max)
        target = limit.rlim_max;
    if (target > limit.rlim_cur) {
        rlimit raised = limit;
        raised.rlim_cur = target;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    return limit.rlim_cur == RLIM_INFINITY ? wanted : static_cast<std::size_t>(limit.rlim_cur);
}

}  // namespace service
