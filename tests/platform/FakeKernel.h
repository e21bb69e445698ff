// A fake Linux kernel for the Linux host: device nodes that open as a real /dev/sr* does,
// and an SG_IO that checks the header it receives as the kernel would, records it, and
// answers as a drive would from a script.
#pragma once

#include <fcntl.h>
#include <scsi/sg.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/LinuxSystem.h"

namespace platform::testing {

// What the drive does with the next command.
struct DriveAnswer {
  enum Kind { kGood, kCheckCondition, kHostError, kErrno, kHostTimeOut, kDriverTimeOut };
  Kind kind = kGood;
  std::vector<unsigned char> data;  // data-in reply (at most dxfer_len of it is copied)
  unsigned char key = 0, asc = 0, ascq = 0;
  int error = 0;  // kErrno: the errno SG_IO fails with

  static DriveAnswer Good(std::vector<unsigned char> reply = {}) {
    DriveAnswer a;
    a.data = std::move(reply);
    return a;
  }
  static DriveAnswer Check(unsigned char key, unsigned char asc, unsigned char ascq) {
    DriveAnswer a;
    a.kind = kCheckCondition;
    a.key = key;
    a.asc = asc;
    a.ascq = ascq;
    return a;
  }
  static DriveAnswer Fail(Kind kind) {
    DriveAnswer a;
    a.kind = kind;
    return a;
  }
  static DriveAnswer Errno(int error) {
    DriveAnswer a;
    a.kind = kErrno;
    a.error = error;
    return a;
  }
};

// One SG_IO as the kernel received it, with copies of what its pointers pointed at.
struct ReceivedCommand {
  std::string path;
  sg_io_hdr_t header;
  std::vector<unsigned char> cdb;
  std::vector<unsigned char> dataOut;  // bytes sent for SG_DXFER_TO_DEV
};

struct FakeNode {
  bool exists = true;
  bool writable = true;       // false: O_RDWR fails with EACCES, as for a user outside the group
  bool answersIdLun = false;  // SCSI_IOCTL_GET_IDLUN
  int idLun = 0;
  std::deque<DriveAnswer> answers;  // the next commands' answers, in order
  // Answers when the queue is empty; none: good status, no data.
  std::function<DriveAnswer(const std::vector<unsigned char>& cdb)> respond;
};

class FakeKernel : public LinuxSystem {
 public:
  std::map<std::string, FakeNode> nodes;  // by full path
  std::vector<ReceivedCommand> received;
  std::vector<int> openFlags;
  int closes = 0;

  int Open(const char* path, int flags) override {
    openFlags.push_back(flags);
    auto found = nodes.find(path);
    if (found == nodes.end() || !found->second.exists) return -ENOENT;
    if ((flags & O_ACCMODE) != O_RDONLY && !found->second.writable) return -EACCES;
    const int fd = nextFd_++;
    open_[fd] = {path, flags};
    return fd;
  }

  int Close(int fd) override {
    if (open_.erase(fd) == 0) return -EBADF;
    ++closes;
    return 0;
  }

  int openCount() const { return static_cast<int>(open_.size()); }

  int Ioctl(int fd, unsigned long request, void* argument) override {
    auto file = open_.find(fd);
    if (file == open_.end()) return -EBADF;
    FakeNode& node = nodes[file->second.path];
    if (request == 0x5382) {  // SCSI_IOCTL_GET_IDLUN
      if (!node.answersIdLun) return -EINVAL;
      int* idLun = static_cast<int*>(argument);
      idLun[0] = node.idLun;
      idLun[1] = 0;
      return 0;
    }
    if (request != SG_IO) return -ENOTTY;
    auto* header = static_cast<sg_io_hdr_t*>(argument);
    // The checks the kernel makes before anything reaches the drive.
    if (header->interface_id != 'S') return -ENOSYS;
    if (header->cmd_len == 0 || header->cmd_len > 16 || header->cmdp == nullptr) return -EINVAL;
    if (header->mx_sb_len > 0 && header->sbp == nullptr) return -EFAULT;
    if (header->dxfer_len > 0 && header->dxferp == nullptr) return -EFAULT;
    if (header->dxfer_direction == SG_DXFER_NONE && header->dxfer_len != 0) return -EINVAL;

    ReceivedCommand command;
    command.path = file->second.path;
    command.header = *header;
    command.cdb.assign(header->cmdp, header->cmdp + header->cmd_len);
    if (header->dxfer_direction == SG_DXFER_TO_DEV) {
      auto* data = static_cast<unsigned char*>(header->dxferp);
      command.dataOut.assign(data, data + header->dxfer_len);
    }
    received.push_back(command);

    // The command filter: without write access only reading commands pass.
    const unsigned char opcode = header->cmdp[0];
    const bool readOnlyFd = (file->second.flags & O_ACCMODE) == O_RDONLY;
    if (readOnlyFd && (opcode == 0x15 || opcode == 0x55 || opcode == 0xBB || opcode == 0xB6)) {
      return -EPERM;
    }

    DriveAnswer answer;
    if (!node.answers.empty()) {
      answer = node.answers.front();
      node.answers.pop_front();
    } else if (node.respond) {
      answer = node.respond(command.cdb);
    }
    header->status = 0;
    header->masked_status = 0;
    header->host_status = 0;
    header->driver_status = 0;
    header->sb_len_wr = 0;
    header->resid = 0;
    header->info = 0;
    switch (answer.kind) {
      case DriveAnswer::kErrno:
        return -answer.error;
      case DriveAnswer::kHostError:
        header->host_status = 0x07;  // DID_ERROR
        header->info = SG_INFO_CHECK;
        return 0;
      case DriveAnswer::kHostTimeOut:
        header->host_status = 0x03;  // DID_TIME_OUT
        header->info = SG_INFO_CHECK;
        return 0;
      case DriveAnswer::kDriverTimeOut:
        header->driver_status = 0x06;  // DRIVER_TIMEOUT
        header->info = SG_INFO_CHECK;
        return 0;
      case DriveAnswer::kCheckCondition: {
        unsigned char sense[18] = {0x70, 0, answer.key, 0,          0,           0, 0, 10, 0,
                                   0,    0, 0,          answer.asc, answer.ascq, 0, 0, 0,  0};
        const unsigned count = std::min<unsigned>(sizeof(sense), header->mx_sb_len);
        std::memcpy(header->sbp, sense, count);
        header->sb_len_wr = static_cast<unsigned char>(count);
        header->status = 0x02;
        header->masked_status = 0x01;
        header->driver_status = 0x08;  // DRIVER_SENSE
        header->info = SG_INFO_CHECK;
        header->resid = static_cast<int>(header->dxfer_len);
        return 0;
      }
      case DriveAnswer::kGood:
        if (header->dxfer_direction == SG_DXFER_FROM_DEV && header->dxfer_len > 0) {
          const size_t count = std::min<size_t>(answer.data.size(), header->dxfer_len);
          if (count > 0) std::memcpy(header->dxferp, answer.data.data(), count);
          header->resid = static_cast<int>(header->dxfer_len - count);
        }
        return 0;
    }
    return 0;
  }

 private:
  struct OpenFile {
    std::string path;
    int flags;
  };
  std::map<int, OpenFile> open_;
  int nextFd_ = 100;
};

}  // namespace platform::testing
