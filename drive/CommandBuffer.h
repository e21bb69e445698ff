// Data buffers for commands that no adapter's alignment mask breaks, so that a command
// goes straight to the drive and never through the transit buffer: they start on a page
// boundary (4096 bytes), or on the mask + 1 of the device when that is larger.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/win32.h"
#include "transport/DeviceEntry.h"

inline constexpr std::size_t kCommandBufferAlignment = 4096;

// The boundary a command buffer for `device` starts on: a power of two of at least 4096
// bytes that is no less than the device's alignment mask + 1.
std::size_t CommandBufferAlignment(const DeviceEntry& device);

// A zeroed buffer on such a boundary, freed with the object.
class CommandBuffer {
 public:
  CommandBuffer(std::size_t size, std::size_t alignment);
  BYTE* data() const { return bytes_.get(); }
  std::size_t size() const { return size_; }

 private:
  struct Release {
    std::size_t alignment;
    void operator()(BYTE* bytes) const;
  };
  std::unique_ptr<BYTE, Release> bytes_;
  std::size_t size_;
};
