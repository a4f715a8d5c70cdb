// Running out of memory on purpose: tests make the document's allocations
// fail from a chosen one on, to see that a load or an import stopped by
// memory is reported and that nothing partial passes for the whole.
#pragma once

// From now on, count allocations: the first `count` succeed, every later
// one fails, until StopFailingAllocations.
void FailAllocationsAfter(long count);
void StopFailingAllocations();
// Asked by each allocation of keys and text buffers: true when it is to fail.
bool AllocationFails();
