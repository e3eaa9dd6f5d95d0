// Records of several megabytes that a hot loop reads all over (the path
// solvers' lists and walk pool): placed on 2 MB boundaries and offered to the
// kernel for huge pages, so that the walk's loads do not wait on page-table
// walks. Where the kernel gives no huge pages they are ordinary memory.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

namespace zentara {

inline constexpr std::size_t HUGE_PAGE_BYTES = std::size_t{2} << 20;

// Storage of at least `bytes` on a huge-page boundary, advised for huge pages
// before it is first touched. Ends the program with one line on stderr when
// there is no memory (as a failed new would). Freed with std::free.
void* allocateOnHugePages(std::size_t bytes);

template <class T>
struct HugePagesDelete {
    void operator()(T* object) const {
        object->~T();
        std::free(object);
    }
};

template <class T>
using OnHugePages = std::unique_ptr<T, HugePagesDelete<T>>;

// A value-initialised T (as std::make_unique gives it) on huge pages.
template <class T>
OnHugePages<T> makeOnHugePages() {
    return OnHugePages<T>(::new (allocateOnHugePages(sizeof(T))) T());
}

}  // namespace zentara
