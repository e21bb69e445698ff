// Command buffers start where no adapter's alignment mask is broken.
#include <gtest/gtest.h>

#include <cstdint>

#include "drive/CommandBuffer.h"

namespace {

TEST(CommandBuffer, StartsOnAPageOrTheMaskPlusOneAndIsZeroed) {
  const struct {
    WORD mask;
    std::size_t alignment;
  } cases[] = {{0x0000, 4096}, {0x01FF, 4096},  {0x0FFF, 4096},
               {0x1FFF, 8192}, {0x2FFF, 16384}, {0xFFFF, 65536}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mask);
    DeviceEntry device{};
    device.AdapterParams[0] = static_cast<BYTE>(c.mask);
    device.AdapterParams[1] = static_cast<BYTE>(c.mask >> 8);
    ASSERT_EQ(CommandBufferAlignment(device), c.alignment);
    const CommandBuffer buffer(27 * 2352, c.alignment);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.data()) & (c.alignment - 1), 0u);
    EXPECT_EQ(buffer.data()[0], 0);
    EXPECT_EQ(buffer.data()[buffer.size() - 1], 0);
  }
}

}  // namespace
