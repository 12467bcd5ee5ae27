// Huge-page advice for large buffers through madvise.
#include "platform/Memory.h"

#include <cstdint>
#include <sys/mman.h>

namespace Quillmoren::Libraries::Platform {

void AdviseHugePages(const void* data, std::size_t size) {
    constexpr std::uintptr_t kHugePage = 2u << 20;
    if (data == nullptr || size < 2 * kHugePage)
        return;
    // Only whole huge pages inside the buffer: the advice must not reach memory of others.
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kHugePage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

} // namespace Quillmoren::Libraries::Platform
