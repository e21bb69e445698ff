#include "platform/LinuxSystem.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

class KernelSystem : public LinuxSystem {
 public:
  int Open(const char* path, int flags) override {
    int fd;
    do {
      fd = ::open(path, flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd >= 0 ? fd : -errno;
  }
  int Ioctl(int fd, unsigned long request, void* argument) override {
    int result;
    do {
      result = ::ioctl(fd, request, argument);
    } while (result < 0 && errno == EINTR);
    return result >= 0 ? result : -errno;
  }
  int Close(int fd) override { return ::close(fd) == 0 ? 0 : -errno; }
};

}  // namespace

LinuxSystem& RealLinuxSystem() {
  static KernelSystem system;
  return system;
}

}  // namespace platform
