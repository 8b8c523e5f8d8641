#include "tools/zidhost/reopen_schedule.h"

#include <algorithm>

namespace zidhost {

void ReopenSchedule::Restart(int64_t nowMs) {
    wait_ = every_;
    next_ = nowMs + every_ * 1000;
}

void ReopenSchedule::Seen(bool answering, int64_t nowMs) {
    if (answering) {
        lost_ = false;
        return;
    }
    if (lost_) return;
    lost_ = true;
    tries_ = 0;
    Restart(nowMs);
}

void ReopenSchedule::Hold(bool held, int64_t nowMs) {
    held_ = held;
    if (!held) Restart(nowMs);
}

bool ReopenSchedule::Due(int64_t nowMs) {
    if (!Trying() || nowMs < next_) return false;
    ++tries_;
    wait_ = std::min(wait_ * 2, kLongestReopenWaitSeconds);
    next_ = nowMs + wait_ * 1000;
    return true;
}

}  // namespace zidhost
