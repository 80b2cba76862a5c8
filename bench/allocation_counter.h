// Counts every allocation the process makes through operator new or
// malloc-family calls routed through it, so a benchmark can report the
// allocations per iteration of the path it measures.
#pragma once

#include <cstddef>

namespace krvbench {

std::size_t allocations();      // operator new calls since start
std::size_t allocated_bytes();  // bytes asked of operator new since start

}  // namespace krvbench
