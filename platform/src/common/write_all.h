// Writing a whole buffer to a file descriptor, through short writes and interruptions.
#pragma once

#include <cstddef>

namespace platform {

// Writes all size bytes of data to fd; 0, or the errno of the failure (EIO for a write of 0).
int WriteAll(int fd, const void* data, std::size_t size);

}  // namespace platform
