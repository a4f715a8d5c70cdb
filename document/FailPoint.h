// Running out of memory on purpose: tests make the document's allocations
// fail from a chosen one on, to see that a load or an import stopped by
// memory is reported and that nothing partial passes for the whole.
#pragma once

#include <atomic>

// From now on, count allocations: the first `count` succeed, every later
// one fails, until StopFailingAllocations.
void FailAllocationsAfter(long count);
void StopFailingAllocations();

namespace failpoint {
// Allocations still to succeed; negative while none is made to fail.
inline std::atomic<long> allowed{-1};
bool CountAllocation();
}  // namespace failpoint

// Asked by each allocation of keys and text buffers: true when it is to
// fail. One relaxed load while no test is counting, as each key of a load
// asks.
inline bool AllocationFails() {
    return failpoint::allowed.load(std::memory_order_relaxed) >= 0 && failpoint::CountAllocation();
}
