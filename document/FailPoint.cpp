#include "document/FailPoint.h"

void FailAllocationsAfter(long count) { failpoint::allowed.store(count < 0 ? 0 : count); }

void StopFailingAllocations() { failpoint::allowed.store(-1); }

bool failpoint::CountAllocation() {
    long n = allowed.load(std::memory_order_relaxed);
    if (n < 0) return false;
    if (n == 0) return true;
    allowed.fetch_sub(1);
    return false;
}
