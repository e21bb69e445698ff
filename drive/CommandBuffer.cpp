#include "drive/CommandBuffer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

std::size_t CommandBufferAlignment(const DeviceEntry& device) {
  return std::max(kCommandBufferAlignment,
                  std::bit_ceil(static_cast<std::size_t>(device.AlignmentMask()) + 1));
}

CommandBuffer::CommandBuffer(std::size_t size, std::size_t alignment)
    : bytes_(static_cast<BYTE*>(
                 ::operator new (std::max<std::size_t>(size, 1), std::align_val_t{alignment})),
             Release{alignment}),
      size_(size) {
  std::memset(bytes_.get(), 0, size);
}

void CommandBuffer::Release::operator()(BYTE* bytes) const {
  ::operator delete (bytes, std::align_val_t{alignment});
}
