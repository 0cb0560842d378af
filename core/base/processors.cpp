#include "core/base/processors.h"

#include <malloc.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>

namespace orvane {

int usableProcessors() {
    cpu_set_t mask;
    CPU_ZERO(&mask);
    if (::sched_getaffinity(0, sizeof mask, &mask) == 0) {
        const int count = CPU_COUNT(&mask);
        if (count > 0) return count;
    }
    return static_cast<int>(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));
}

void keepFreedMemoryForReuse() {
    // A fixed threshold also stops glibc from lowering it again; 32 MiB is the most it accepts.
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

}  // namespace orvane
