#include "document/FailPoint.h"

#include <atomic>

namespace {

// Allocations still to succeed; negative when none is made to fail (the
// resting state, checked with one relaxed load).
std::atomic<long> allowed{-1};

}  // namespace

void FailAllocationsAfter(long count) { allowed.store(count < 0 ? 0 : count); }

void StopFailingAllocations() { allowed.store(-1); }

bool AllocationFails() {
    long n = allowed.load(std::memory_order_relaxed);
    if (n < 0) return false;
    if (n == 0) return true;
    allowed.fetch_sub(1);
    return false;
}
