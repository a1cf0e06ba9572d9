#include "restart_backoff.h"

#include <algorithm>

namespace service {

std::chrono::milliseconds RestartBackoff::waitAfter(std::chrono::milliseconds ranFor) {
    if (ranFor >= kHealthyRun) {
        quickDeaths_ = 0;
    }
    if (quickDeaths_ < 64) {
        ++quickDeaths_;
    }
    // 250 ms for the first death, then 1 s, 2 s, 4 s, ...
    if (quickDeaths_ == 1) {
        return kFirstWait;
    }
    const int doublings = std::min(quickDeaths_ - 2, 16);
    const std::chrono::milliseconds wait(1000LL << doublings);
    return std::min(wait, kLongestWait);
}

}  // namespace service
