#include "AllocationFailure.h"

#include <windows.h>

#include <cstdlib>
#include <new>

namespace {
DWORD g_failingThread = 0;
long g_allocationsBeforeFailure = 0;  // 0: not armed
bool g_failureThrown = false;
}  // namespace

// The runtime's own operator delete frees with free(), which matches malloc.
void* operator new(std::size_t size) {
    if (g_allocationsBeforeFailure > 0 && ::GetCurrentThreadId() == g_failingThread &&
        --g_allocationsBeforeFailure == 0) {
        g_failureThrown = true;
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}

namespace testing_support {

AllocationFailure::AllocationFailure(long nth) {
    g_failureThrown = false;
    g_failingThread = ::GetCurrentThreadId();
    g_allocationsBeforeFailure = nth;
}

AllocationFailure::~AllocationFailure() { g_allocationsBeforeFailure = 0; }

bool AllocationFailure::Thrown() const { return g_failureThrown; }

}  // namespace testing_support
