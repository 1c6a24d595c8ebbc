#pragma once

// Large buffers mapped in 2 MB pages. A table's text or rows run to tens of megabytes, and on
// the virtual machines the program meets, the first touch of each fresh 4 KB page costs 10 to
// 25 µs: more than the work done in it. Asked for before the buffer is first written, the
// kernel maps the buffer's whole 2 MB blocks as huge pages, one fault each instead of 512. The
// advice changes no byte and may be ignored (no transparent huge pages, too little memory).
//
//   adviseHugePages(data, size)   advises the 2 MB blocks that lie wholly inside the buffer;
//                                 nothing for buffers under kHugePageWorth
//   reserveLarge(text, size)      text.reserve(size), advised when the new room is fresh

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>

inline constexpr size_t kHugePage = size_t{2} << 20;
// Below this a buffer gains little: at most a block or two could be huge.
inline constexpr size_t kHugePageWorth = size_t{8} << 20;

inline void adviseHugePages(void* data, size_t size) {
    if (size < kHugePageWorth)
        return;
    const auto begin = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = (begin + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
    const uintptr_t end = (begin + size) & ~(uintptr_t{kHugePage} - 1);
    if (end > first)
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

inline void reserveLarge(std::string& text, size_t size) {
    if (size <= text.capacity())
        return;
    text.reserve(size);
    // Only the part beyond what the text holds is untouched yet; the advice covers the whole
    // buffer, which is harmless for the part already written.
    adviseHugePages(text.data(), text.capacity());
}
