#pragma once
// How many processors this process may run on, and how its freed memory is kept for reuse.
namespace orvane {

// The processors the calling thread may run on: the CPUs of its affinity mask, which taskset, cpusets
// and container limits narrow (threads inherit the mask of the thread that made them). Counts of
// workers start here, not from the machine's processor count: more workers than usable processors
// only take turns. At least 1; the online processor count when the mask cannot be read.
int usableProcessors();

// Decoding a photo allocates and frees tens of megabytes. By default glibc hands such freed blocks back
// to the system after every photo and the next photo faults the same memory in afresh, which on a
// virtual machine costs as much as a third of the decode. This keeps freed blocks of up to 32 MiB in the
// process for the next photo (and up to 256 MiB free at the top of a heap). Called once at start by the
// application and by every benchmark that compares against a decode, so both sides share it.
void keepFreedMemoryForReuse();

}  // namespace orvane
