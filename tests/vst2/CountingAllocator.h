#pragma once
// Every allocation in the process, counted (see CountingAllocator.cpp).

#include <atomic>

namespace veltrax {

long AllocationCount();

}  // namespace veltrax
