// One pass-through call whose SG_IO comes back with any result (status, host and driver
// status, residual count, sense length written, sense and data bytes): what is written back
// stays inside the caller's block and buffer, and the amounts reported never exceed what was
// asked for.
#include <scsi/sg.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/LinuxPassThrough.h"

namespace {

// Reads the fuzz input as the kernel's answer.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint32_t Word() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
    return v;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

class FuzzKernel : public platform::LinuxSystem {
 public:
  explicit FuzzKernel(Input& in) : in_(in) {}
  int Open(const char*, int) override { return 3; }
  int Close(int) override { return 0; }
  int Ioctl(int, unsigned long request, void* argument) override {
    if (request != SG_IO) return -22;
    auto* h = static_cast<sg_io_hdr_t*>(argument);
    const std::uint8_t result = in_.Byte();
    if (result < 16) return -static_cast<int>(result);  // the call itself fails
    h->status = in_.Byte();
    h->masked_status = static_cast<unsigned char>(h->status >> 1);
    h->host_status = static_cast<unsigned short>(in_.Byte() % 16 == 0 ? 0 : in_.Byte());
    h->driver_status = static_cast<unsigned short>(in_.Byte() & 0x1F);
    h->resid = static_cast<int>(in_.Word());
    h->sb_len_wr = in_.Byte();  // may claim more than mx_sb_len
    // The kernel writes at most mx_sb_len sense bytes and dxfer_len data bytes.
    for (unsigned i = 0; i < h->mx_sb_len; ++i) static_cast<std::uint8_t*>(h->sbp)[i] = in_.Byte();
    if (h->dxferp != nullptr && h->dxfer_direction == SG_DXFER_FROM_DEV) {
      for (unsigned i = 0; i < h->dxfer_len; ++i) static_cast<std::uint8_t*>(h->dxferp)[i] = 0xA5;
    }
    return 0;
  }

 private:
  Input& in_;
};

template <class Block>
struct Call {
  Block spt;
  ULONG filler;
  UCHAR sense[32];
  UCHAR data[512];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::uint8_t shape = in.Byte();
  const bool direct = (shape & 1) != 0;
  const UCHAR dataIn = static_cast<UCHAR>((shape >> 1) % 3);
  const ULONG length = in.Byte() * 2u + (shape >> 7);
  const UCHAR senseLength = static_cast<UCHAR>(in.Byte() % 40);

  // The block in an exactly sized heap area, as input and output.
  const DWORD blockSize =
      direct ? sizeof(Call<SCSI_PASS_THROUGH_DIRECT>) - 512 : sizeof(Call<SCSI_PASS_THROUGH>);
  auto* block = static_cast<std::uint8_t*>(std::calloc(1, blockSize));
  std::vector<std::uint8_t> callerData(std::max<ULONG>(length, 1));
  SCSI_PASS_THROUGH_DIRECT spt{};
  spt.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
  spt.CdbLength = 10;
  spt.Cdb[0] = 0x28;
  spt.DataIn = dataIn;
  spt.DataTransferLength = length;
  spt.TimeOutValue = 30;
  spt.SenseInfoLength = senseLength;
  spt.SenseInfoOffset = offsetof(Call<SCSI_PASS_THROUGH_DIRECT>, sense);
  if (direct) {
    spt.DataBuffer = callerData.data();
  } else {
    spt.DataBuffer =
        reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(offsetof(Call<SCSI_PASS_THROUGH>, data)));
  }
  std::memcpy(block, &spt, sizeof(spt));

  FuzzKernel kernel(in);
  platform::PassThroughRequest request;
  request.direct = direct;
  request.in = block;
  request.inSize = blockSize;
  request.out = block;
  request.outSize = blockSize;
  DWORD returned = 0, error = 0;
  platform::PassThroughRecord record;
  const BOOL ok = platform::SendPassThrough(kernel, 3, request, &returned, error, record);
  if (ok) {
    SCSI_PASS_THROUGH_DIRECT back;
    std::memcpy(&back, block, sizeof(back));
    if (returned > blockSize) std::abort();
    if (back.DataTransferLength > length) std::abort();
    if (record.trace.senseKey > 0x0F) std::abort();
  } else if (returned != 0 || error == 0) {
    std::abort();
  }
  std::free(block);
  return 0;
}
