// Where written bytes go: a file the save is writing, a temporary file, or a
// buffer in a test.
#pragma once

#include <cstddef>

namespace zirpel {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Appends all `size` bytes; false if they could not all be written.
    virtual bool write(const void* data, std::size_t size) = 0;
};

}  // namespace zirpel
