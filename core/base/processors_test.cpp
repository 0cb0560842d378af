#include "core/base/processors.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <sched.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

using namespace orvane;

namespace {

std::vector<int> allowedCpus() {
    cpu_set_t mask;
    CPU_ZERO(&mask);
    EXPECT_EQ(::sched_getaffinity(0, sizeof mask, &mask), 0);
    std::vector<int> cpus;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &mask)) cpus.push_back(cpu);
    return cpus;
}

// usableProcessors() on a thread pinned to the first `n` CPUs this process may use.
int countOnThreadPinnedTo(const std::vector<int>& cpus, std::size_t n) {
    int counted = 0;
    std::thread pinned([&] {
        cpu_set_t mask;
        CPU_ZERO(&mask);
        for (std::size_t i = 0; i < n; ++i) CPU_SET(cpus[i], &mask);
        ASSERT_EQ(::sched_setaffinity(0, sizeof mask, &mask), 0);
        counted = usableProcessors();
    });
    pinned.join();
    return counted;
}

}  // namespace

TEST(Processors, countTheAffinityMaskNotTheMachine) {
    const auto cpus = allowedCpus();
    ASSERT_FALSE(cpus.empty());
    EXPECT_EQ(usableProcessors(), static_cast<int>(cpus.size()));
    EXPECT_EQ(countOnThreadPinnedTo(cpus, 1), 1);
    if (cpus.size() >= 2) {
        EXPECT_EQ(countOnThreadPinnedTo(cpus, 2), 2);
    }
    // The narrowing stays on the pinned thread.
    EXPECT_EQ(usableProcessors(), static_cast<int>(cpus.size()));
}

TEST(Processors, freedDecodeSizedBlocksStayInTheProcess) {
    keepFreedMemoryForReuse();
    constexpr std::size_t size = 24u << 20;  // a decode buffer, above glibc's default threshold
    const auto before = ::mallinfo2();
    auto* block = static_cast<char*>(std::malloc(size));
    ASSERT_NE(block, nullptr);
    std::memset(block, 1, size);
    // Taken from the heap, not mapped on its own...
    EXPECT_EQ(::mallinfo2().hblkhd, before.hblkhd);
    std::free(block);
    // ...and still there once freed, for the next photo.
    EXPECT_GE(::mallinfo2().fordblks, size);
}
