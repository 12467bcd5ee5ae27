// Hints to the system about how large buffers are used.
#pragma once

#include <cstddef>

namespace Quillmoren::Libraries::Platform {

/// Asks the system to back the untouched pages of a large buffer with huge pages, so that
/// filling it takes a few hundred page faults instead of hundreds of thousands. Does nothing for
/// small buffers or where the system has no such pages; never changes the buffer's content.
void AdviseHugePages(const void* data, std::size_t size);

} // namespace Quillmoren::Libraries::Platform
