// How the program's memory is kept for the large short-lived buffers that
// every repaint of a window with a page copies: in mappings of their own,
// whatever large block was freed before them.
#include "platform/engine_environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#ifdef __GLIBC__
#include <malloc.h>

namespace {

// Writes every page, so that the block is really there, and keeps the
// compiler from leaving out an allocation that is only freed.
void *filled(std::size_t size)
{
    auto *block = static_cast<volatile char *>(std::malloc(size));
    for (std::size_t i = 0; i < size; i += 4096)
        block[i] = char(i);
    return const_cast<char *>(block);
}

} // namespace

TEST(EngineEnvironment, AWindowSizedCopyGetsAMappingOfItsOwnAfterALargerBlockWasFreed)
{
    platform::prepareWebEngineEnvironment();
    // Freeing a large mapped block is what would raise the library's own
    // threshold past the next window copy.
    std::free(filled(8 * 1024 * 1024));
    const std::size_t mappedBefore = ::mallinfo2().hblkhd;
    const std::size_t copySize = 1300 * 1024;
    void *copy = filled(copySize);
    const std::size_t mappedWith = ::mallinfo2().hblkhd;
    std::free(copy);
    EXPECT_GE(mappedWith - mappedBefore, copySize);
    EXPECT_EQ(::mallinfo2().hblkhd, mappedBefore);
}
#endif
