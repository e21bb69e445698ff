// The Linux system calls the Linux host makes on device nodes. The real machine's calls go
// straight to the kernel; tests put a fake kernel in their place.
#pragma once

namespace platform {

class LinuxSystem {
 public:
  virtual ~LinuxSystem() = default;
  // Each answers what the system call answers, or -errno on failure.
  virtual int Open(const char* path, int flags) = 0;
  virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
  virtual int Close(int fd) = 0;
};

// The kernel of this machine.
LinuxSystem& RealLinuxSystem();

}  // namespace platform
