// When zidhost tries to bring back a channel's port that stopped answering
// (--reopen-every S). The first try comes S seconds after the port was seen
// not to answer, and each wait after a try is twice the one before, up to a
// minute: an adapter plugged back in is found within seconds, and one left
// out overnight costs a try a minute, each of them a row in the journal. A
// port the engineer closed on purpose (a typed close) is left closed until a
// typed reopen or change asks for it again; the waits then start again from S.
#pragma once

#include <cstdint>

namespace zidhost {

// The longest wait between two tries, and so the largest S.
inline constexpr long kLongestReopenWaitSeconds = 60;

class ReopenSchedule {
public:
    // everySeconds 0: never try.
    explicit ReopenSchedule(long everySeconds = 0) : every_(everySeconds) {}

    // What the port's status word said at nowMs: answering (!C 0) or not.
    void Seen(bool answering, int64_t nowMs);
    // A typed close holds the tries; a typed reopen or change lifts the hold.
    void Hold(bool held, int64_t nowMs);
    // Whether a try is due at nowMs. A due try counts as made, and the next
    // one is scheduled.
    bool Due(int64_t nowMs);

    bool Trying() const { return every_ > 0 && lost_ && !held_; }
    bool Held() const { return held_; }
    long Every() const { return every_; }
    int Tries() const { return tries_; }      // since the port stopped answering
    long WaitSeconds() const { return wait_; }  // before the next try
    int64_t NextMs() const { return next_; }

private:
    void Restart(int64_t nowMs);

    long every_;
    bool lost_ = false;
    bool held_ = false;
    int tries_ = 0;
    long wait_ = 0;
    int64_t next_ = 0;
};

}  // namespace zidhost
