#include "core/huge_pages.hpp"

#include <sys/mman.h>

#include <cstdio>

namespace zentara {

void* allocateOnHugePages(std::size_t bytes) {
    const std::size_t rounded = (bytes + HUGE_PAGE_BYTES - 1) / HUGE_PAGE_BYTES * HUGE_PAGE_BYTES;
    void* storage = std::aligned_alloc(HUGE_PAGE_BYTES, rounded);
    if (storage == nullptr) {
        std::fputs("zentara: out of memory\n", stderr);
        std::abort();
    }
    // Only advice: without huge pages (a kernel that has them off, or none
    // free) the memory is the same, on ordinary pages.
    (void)madvise(storage, rounded, MADV_HUGEPAGE);
    return storage;
}

}  // namespace zentara
