// Allocation failure on demand, for tests of what code does when memory runs
// out. Every allocation of the test program passes through our operator new;
// while an AllocationFailure is armed, the Nth allocation of the arming thread
// throws std::bad_alloc, once. Unarmed, allocation is plain malloc.
#pragma once

namespace testing_support {

class AllocationFailure {
public:
    explicit AllocationFailure(long nth);
    ~AllocationFailure();
    AllocationFailure(const AllocationFailure&) = delete;
    AllocationFailure& operator=(const AllocationFailure&) = delete;
    // True once the armed allocation has thrown.
    bool Thrown() const;
};

}  // namespace testing_support
