#include "sim/win32/AspiManager.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform/SpinWait.h"
#include "scsi/Sense.h"
#include "sim/machine/SimMachine.h"
#include "sim/win32/InstalledMachine.h"
#include "sim/win32/ModuleExports.h"

namespace sim {

namespace {

constexpr BYTE kAdapterScsiId = 7;
constexpr DWORD kMaxTimeoutHalfSeconds = 108000;

// Results written while the caller may be polling SRB_Status from its own thread.
void StoreStatus(BYTE& field, BYTE value) {
  std::atomic_ref<BYTE>(field).store(value, std::memory_order_release);
}

// The published size of the block a command code stands for.
std::size_t PublishedSize(BYTE code) {
  switch (code) {
    case SC_HA_INQUIRY:
      return sizeof(SRB_HAInquiry);
    case SC_GET_DEV_TYPE:
      return sizeof(SRB_GDEVBlock);
    case SC_EXEC_SCSI_CMD:
      return sizeof(SRB_ExecSCSICmd);
    case SC_ABORT_SRB:
      return sizeof(SRB_Abort);
    case SC_RESET_DEV:
      return sizeof(SRB_BusDeviceReset);
    case SC_GET_DISK_INFO:
      return sizeof(SRB_GetDiskInfo);
    case SC_RESCAN_SCSI_BUS:
      return sizeof(SRB_RescanPort);
    case SC_GETSET_TIMEOUTS:
      return sizeof(SRB_GetSetTimeouts);
    default:
      return sizeof(SRB_Header);
  }
}

void CopyText(BYTE (&field)[16], const std::string& text) {
  std::memset(field, 0, sizeof(field));
  std::memcpy(field, text.data(), std::min(text.size(), sizeof(field)));
}

AspiManager* Manager() {
  InstalledMachine* installed = InstalledMachine::Get();
  return installed != nullptr ? &installed->aspiManager() : nullptr;
}

// The entry points of the module. They reach the manager of the installed machine.
DWORD EntryGetASPI32SupportInfo() {
  AspiManager* manager = Manager();
  return manager != nullptr ? manager->GetASPI32SupportInfo() : (DWORD{SS_FAILED_INIT} << 8);
}

DWORD EntrySendASPI32Command(LPVOID srb) {
  AspiManager* manager = Manager();
  if (manager != nullptr) return manager->SendASPI32Command(srb);
  if (srb != nullptr) static_cast<SRB_Header*>(srb)->SRB_Status = SS_FAILED_INIT;
  return SS_FAILED_INIT;
}

BOOL EntryGetASPI32Buffer(PASPI32BUFF buffer) {
  AspiManager* manager = Manager();
  return manager != nullptr ? manager->GetASPI32Buffer(buffer) : FALSE;
}

BOOL EntryFreeASPI32Buffer(PASPI32BUFF buffer) {
  AspiManager* manager = Manager();
  return manager != nullptr ? manager->FreeASPI32Buffer(buffer) : FALSE;
}

// Device nodes exist only on the 9x family's configuration manager, which this machine
// does not model: there is nothing to translate.
BOOL EntryTranslateASPI32Address(PDWORD path, PDWORD devNode) {
  (void)path;
  (void)devNode;
  return FALSE;
}

void EntryIdentifyYourself(char* buffer, int length) {
  AspiManager* manager = Manager();
  if (manager != nullptr) {
    manager->IdentifyYourself(buffer, length);
  } else if (buffer != nullptr && length > 0) {
    buffer[0] = '\0';
  }
}

const ModuleExport kAspiEntries[] = {
    {"GetASPI32SupportInfo", AsFarProc(&EntryGetASPI32SupportInfo)},
    {"SendASPI32Command", AsFarProc(&EntrySendASPI32Command)},
    {"GetASPI32Buffer", AsFarProc(&EntryGetASPI32Buffer)},
    {"FreeASPI32Buffer", AsFarProc(&EntryFreeASPI32Buffer)},
    {"TranslateASPI32Address", AsFarProc(&EntryTranslateASPI32Address)},
    {"IdentifyYourself", AsFarProc(&EntryIdentifyYourself)},
};

class AspiModule : public platform::Module {
 public:
  AspiModule(std::shared_ptr<SimRecords> records, std::set<std::string> missing)
      : records_(std::move(records)), missing_(std::move(missing)) {
    std::lock_guard lock(records_->mutex);
    ++records_->loadedModules;
  }
  ~AspiModule() override {
    std::lock_guard lock(records_->mutex);
    --records_->loadedModules;
  }

  FARPROC Resolve(const char* name) override {
    if (name == nullptr || missing_.count(name) != 0) return nullptr;
    return FindExport(kAspiEntries, name);
  }

 private:
  std::shared_ptr<SimRecords> records_;
  std::set<std::string> missing_;
};

}  // namespace

std::unique_ptr<platform::Module> AspiManager::OpenModule(SimMachine& machine) {
  return std::make_unique<AspiModule>(machine.records(), machine.profile().missingAspiEntries);
}

AspiManager::AspiManager(SimMachine& machine) : machine_(machine) {}

AspiManager::~AspiManager() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
  for (BYTE* buffer : buffers_) delete[] buffer;
}

BYTE AspiManager::AdapterCount() const {
  return static_cast<BYTE>(std::min<std::size_t>(machine_.Adapters().size(), 255));
}

const PortProfile* AspiManager::AdapterPort(BYTE haId) const {
  if (haId >= AdapterCount()) return nullptr;
  return &machine_.profile().ports[machine_.Adapters()[haId].port];
}

BYTE AspiManager::MaxTargets(BYTE haId) const {
  const SimMachine::Adapter& adapter = machine_.Adapters()[haId];
  return machine_.profile().ports[adapter.port].MaxTargets(adapter.bus);
}

ScsiAddress AspiManager::AddressOf(BYTE haId, BYTE target, BYTE lun) const {
  const SimMachine::Adapter& adapter = machine_.Adapters()[haId];
  return ScsiAddress{adapter.port, adapter.bus, target, lun};
}

DWORD AspiManager::GetASPI32SupportInfo() {
  return (DWORD{SS_COMP} << 8) | AdapterCount();
}

void AspiManager::IdentifyYourself(char* buffer, int length) {
  if (buffer == nullptr || length <= 0) return;
  const std::string& text = machine_.profile().aspiManagerId;
  std::size_t count = std::min(text.size(), static_cast<std::size_t>(length - 1));
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
}

BOOL AspiManager::GetASPI32Buffer(PASPI32BUFF buffer) {
  // Published limit of one buffer: 512 KiB.
  if (buffer == nullptr || buffer->AB_BufLen == 0 || buffer->AB_BufLen > 512 * 1024) return FALSE;
  BYTE* area = new BYTE[buffer->AB_BufLen];
  if (buffer->AB_ZeroFill != 0) std::memset(area, 0, buffer->AB_BufLen);
  std::lock_guard lock(mutex_);
  buffers_.insert(area);
  buffer->AB_BufPointer = area;
  return TRUE;
}

BOOL AspiManager::FreeASPI32Buffer(PASPI32BUFF buffer) {
  if (buffer == nullptr) return FALSE;
  std::lock_guard lock(mutex_);
  auto found = buffers_.find(buffer->AB_BufPointer);
  if (found == buffers_.end()) return FALSE;
  delete[] * found;
  buffers_.erase(found);
  buffer->AB_BufPointer = nullptr;
  return TRUE;
}

DWORD AspiManager::Timeout(const ScsiAddress& address) const {
  std::lock_guard lock(mutex_);
  auto found = timeouts_.find(address);
  return found == timeouts_.end() ? 0 : found->second;
}

DWORD AspiManager::SendASPI32Command(void* block) {
  if (block == nullptr) return SS_INVALID_SRB;
  auto& header = *static_cast<SRB_Header*>(block);
  {
    const std::shared_ptr<SimRecords>& records = machine_.records();
    if (records->recordCalls) {
      const BYTE* bytes = static_cast<const BYTE*>(block);
      std::lock_guard lock(records->mutex);
      records->aspiRequests.emplace_back(bytes, bytes + PublishedSize(header.SRB_Cmd));
    }
  }
  BYTE status = SS_COMP;
  const PortProfile* port = AdapterPort(header.SRB_HaId);
  switch (header.SRB_Cmd) {
    case SC_HA_INQUIRY: {
      auto& srb = *static_cast<SRB_HAInquiry*>(block);
      if (port == nullptr) {
        status = SS_INVALID_HA;
        break;
      }
      srb.HA_Count = AdapterCount();
      srb.HA_SCSI_ID = kAdapterScsiId;
      CopyText(srb.HA_ManagerId, machine_.profile().aspiManagerId);
      CopyText(srb.HA_Identifier, port->identifier);
      std::memset(srb.HA_Unique, 0, sizeof(srb.HA_Unique));
      srb.HA_Unique[0] = static_cast<BYTE>(port->alignmentMask & 0xFF);
      srb.HA_Unique[1] = static_cast<BYTE>((port->alignmentMask >> 8) & 0xFF);
      srb.HA_Unique[3] = port->MaxTargets(machine_.Adapters()[srb.SRB_HaId].bus);
      for (int i = 0; i < 4; ++i) {  // bytes 4-7: the longest transfer, little-endian
        srb.HA_Unique[4 + i] = static_cast<BYTE>(port->maximumTransferLength >> (8 * i));
      }
      break;
    }
    case SC_GET_DEV_TYPE: {
      auto& srb = *static_cast<SRB_GDEVBlock*>(block);
      if (port == nullptr) {
        status = SS_INVALID_HA;
        break;
      }
      auto target = machine_.TargetAt(AddressOf(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun));
      if (!target || srb.SRB_Target >= MaxTargets(srb.SRB_HaId)) {
        status = SS_NO_DEVICE;
        break;
      }
      srb.SRB_DeviceType = target->PeripheralType();
      break;
    }
    case SC_EXEC_SCSI_CMD: {
      auto& srb = *static_cast<SRB_ExecSCSICmd*>(block);
      if (port == nullptr) {
        status = SS_INVALID_HA;
        break;
      }
      ScsiAddress address = AddressOf(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
      if (srb.SRB_Target >= MaxTargets(srb.SRB_HaId) || !machine_.TargetAt(address)) {
        status = SS_NO_DEVICE;
        break;
      }
      if (srb.SRB_CDBLen == 0 || srb.SRB_CDBLen > sizeof(srb.CDBByte) ||
          (srb.SRB_BufLen != 0 && srb.SRB_BufPointer == nullptr) ||
          (reinterpret_cast<std::uintptr_t>(srb.SRB_BufPointer) & port->alignmentMask) != 0) {
        status = SS_INVALID_SRB;
        break;
      }
      if (srb.SRB_BufLen > port->maximumTransferLength) {
        status = SS_BUFFER_TOO_BIG;
        break;
      }
      srb.SRB_HaStat = HASTAT_OK;
      srb.SRB_TargStat = STATUS_GOOD;
      ClearCrossedSignal(srb.SRB_Flags, srb.SRB_PostProc);
      StoreStatus(srb.SRB_Status, SS_PENDING);
      if (!Enqueue(Job{block, address})) {
        status = SS_ASPI_IS_BUSY;
        break;
      }
      return SS_PENDING;
    }
    case SC_ABORT_SRB: {
      auto& srb = *static_cast<SRB_Abort*>(block);
      status = port == nullptr ? SS_INVALID_HA : Abort(srb.SRB_ToAbort);
      break;
    }
    case SC_RESET_DEV: {
      auto& srb = *static_cast<SRB_BusDeviceReset*>(block);
      if (port == nullptr) {
        status = SS_INVALID_HA;
        break;
      }
      ScsiAddress address = AddressOf(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
      if (srb.SRB_Target >= MaxTargets(srb.SRB_HaId) || !machine_.TargetAt(address)) {
        status = SS_NO_DEVICE;
        break;
      }
      srb.SRB_HaStat = HASTAT_OK;
      srb.SRB_TargStat = STATUS_GOOD;
      ClearCrossedSignal(srb.SRB_Flags, srb.SRB_PostProc);
      StoreStatus(srb.SRB_Status, SS_PENDING);
      if (!Enqueue(Job{block, address})) {
        status = SS_ASPI_IS_BUSY;
        break;
      }
      return SS_PENDING;
    }
    case SC_GET_DISK_INFO: {
      auto& srb = *static_cast<SRB_GetDiskInfo*>(block);
      if (port == nullptr) {
        status = SS_INVALID_HA;
        break;
      }
      ScsiAddress address = AddressOf(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
      if (!machine_.TargetAt(address)) {
        status = SS_NO_DEVICE;
        break;
      }
      srb.SRB_DriveFlags = 0;
      srb.SRB_Heads = 0;
      srb.SRB_Sectors = 0;
      srb.SRB_Int13HDriveInfo = 0xFF;  // no drive letter
      for (const LetterProfile& letter : machine_.profile().letters) {
        if (letter.reportsAddress && letter.address == address) {
          srb.SRB_Int13HDriveInfo = static_cast<BYTE>(letter.letter - 'A');
          break;
        }
      }
      break;
    }
    case SC_RESCAN_SCSI_BUS:
      if (port == nullptr) status = SS_INVALID_HA;
      break;
    case SC_GETSET_TIMEOUTS: {
      auto& srb = *static_cast<SRB_GetSetTimeouts*>(block);
      if (port == nullptr) {
        status = SS_INVALID_HA;
        break;
      }
      ScsiAddress address = AddressOf(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
      if (!machine_.TargetAt(address)) {
        status = SS_NO_DEVICE;
        break;
      }
      if ((srb.SRB_Flags & SRB_DIR_OUT) != 0) {
        DWORD value = srb.SRB_Timeout;
        if (value > kMaxTimeoutHalfSeconds) {
          status = SS_INVALID_SRB;
          break;
        }
        std::lock_guard lock(mutex_);
        timeouts_[address] = value;
      } else if ((srb.SRB_Flags & SRB_DIR_IN) != 0) {
        std::lock_guard lock(mutex_);
        auto found = timeouts_.find(address);
        srb.SRB_Timeout = found == timeouts_.end() ? 0 : found->second;
      } else {
        status = SS_INVALID_SRB;
      }
      break;
    }
    default:
      status = SS_INVALID_CMD;
      break;
  }
  StoreStatus(header.SRB_Status, status);
  return status;
}

bool AspiManager::Enqueue(Job job) {
  {
    std::lock_guard lock(mutex_);
    if (queued_ == kQueueSize || stopping_) return false;
    queue_[(head_ + queued_) % kQueueSize] = job;
    ++queued_;
    if (!worker_.joinable()) worker_ = std::thread([this] { Run(); });
  }
  wake_.notify_one();
  return true;
}

BYTE AspiManager::Abort(void* toAbort) {
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < queued_; ++i) {
    Job& job = queue_[(head_ + i) % kQueueSize];
    if (job.srb == toAbort && !job.aborted) {
      job.aborted = true;
      return SS_COMP;
    }
  }
  return SS_ABORT_FAIL;
}

void AspiManager::WaitIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return queued_ == 0 && !busy_; });
}

void AspiManager::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (queued_ == 0 && !stopping_) {
      // The next request usually follows within microseconds: look for it before sleeping.
      lock.unlock();
      platform::SpinUntil([this] { return queued_ > 0 || stopping_; });
      lock.lock();
    }
    wake_.wait(lock, [this] { return queued_ > 0 || stopping_; });
    if (queued_ == 0) break;  // stopping, and everything queued has completed
    Job job = queue_[head_];
    head_ = (head_ + 1) % kQueueSize;
    --queued_;
    busy_ = true;
    lock.unlock();
    Complete(job);
    lock.lock();
    busy_ = false;
    if (queued_ == 0) idle_.notify_all();
  }
}

void AspiManager::Complete(Job& job) {
  auto& header = *static_cast<SRB_Header*>(job.srb);
  if (job.aborted) {
    BYTE flags = header.SRB_Flags;
    void* postProc = header.SRB_Cmd == SC_EXEC_SCSI_CMD
                         ? static_cast<SRB_ExecSCSICmd*>(job.srb)->SRB_PostProc
                         : static_cast<SRB_BusDeviceReset*>(job.srb)->SRB_PostProc;
    Finish(job.srb, header.SRB_Status, SS_ABORTED, flags, postProc);
    return;
  }
  if (header.SRB_Cmd == SC_EXEC_SCSI_CMD) {
    CompleteExec(*static_cast<SRB_ExecSCSICmd*>(job.srb), job.address);
  } else {
    CompleteReset(*static_cast<SRB_BusDeviceReset*>(job.srb), job.address);
  }
}

void AspiManager::CompleteExec(SRB_ExecSCSICmd& srb, const ScsiAddress& address) {
  BYTE cdb[16];
  std::memcpy(cdb, srb.CDBByte, sizeof(cdb));
  ScsiRequest request;
  request.cdb = cdb;
  request.cdbLength = srb.SRB_CDBLen;
  switch (srb.SRB_Flags & (SRB_DIR_IN | SRB_DIR_OUT)) {
    case SRB_DIR_IN:
      request.direction = DataDirection::In;
      break;
    case SRB_DIR_OUT:
      request.direction = DataDirection::Out;
      break;
    default:
      request.direction = DataDirection::None;
      break;
  }
  if (srb.SRB_BufLen == 0) request.direction = DataDirection::None;
  request.data = srb.SRB_BufLen != 0 ? srb.SRB_BufPointer : nullptr;
  request.dataLength = srb.SRB_BufLen;

  ScsiReply reply = machine_.Dispatch(address, request);
  SimClock& clock = machine_.clock();
  DWORD timeout = Timeout(address);
  std::uint64_t limitMicros = static_cast<std::uint64_t>(timeout) * 500000;
  BYTE status;
  if (timeout != 0 && reply.serviceMicros > limitMicros) {
    clock.Advance(limitMicros);
    srb.SRB_HaStat = HASTAT_TIMEOUT;
    srb.SRB_TargStat = STATUS_GOOD;
    status = SS_ABORTED;
  } else if (!reply.responded) {
    clock.Advance(reply.serviceMicros);
    srb.SRB_HaStat = HASTAT_SEL_TO;
    srb.SRB_TargStat = STATUS_GOOD;
    status = SS_ERR;
  } else {
    clock.Advance(reply.serviceMicros);
    srb.SRB_HaStat = reply.hostStatus;
    srb.SRB_TargStat = reply.status;
    if (reply.status == STATUS_CHKCOND) {
      std::size_t area = std::min<std::size_t>(srb.SRB_SenseLen, sizeof(srb.SenseArea));
      std::memset(srb.SenseArea, 0, area);
      std::memcpy(srb.SenseArea, reply.sense, std::min<std::size_t>(area, reply.senseLength));
    }
    status = (reply.status == STATUS_GOOD && reply.hostStatus == HASTAT_OK) ? SS_COMP : SS_ERR;
  }
  if (reply.srbStatus != 0) status = reply.srbStatus;

  if (reply.lateCompletionMs != 0) {
    // Late for real, so that the caller's wait on the event is exercised.
    if (clock.mode() == ClockMode::Virtual) {
      std::this_thread::sleep_for(std::chrono::milliseconds(reply.lateCompletionMs));
    }
    clock.Advance(std::uint64_t{reply.lateCompletionMs} * 1000);
  }

  platform::CommandTrace trace;
  char device[24];
  std::snprintf(device, sizeof(device), "ASPI %u:%u:%u", unsigned{srb.SRB_HaId},
                unsigned{srb.SRB_Target}, unsigned{srb.SRB_Lun});
  trace.device = device;
  trace.cdb = cdb;
  trace.cdbLength = srb.SRB_CDBLen;
  trace.dataLength = srb.SRB_BufLen;
  trace.direction = request.direction == DataDirection::In    ? SCSI_IOCTL_DATA_IN
                    : request.direction == DataDirection::Out ? SCSI_IOCTL_DATA_OUT
                                                              : SCSI_IOCTL_DATA_UNSPECIFIED;
  trace.delivered = reply.responded;
  trace.error = reply.responded ? ERROR_SUCCESS : ERROR_DEVICE_NOT_CONNECTED;
  trace.scsiStatus = reply.status;
  if (reply.status == STATUS_CHKCOND) {
    const scsi::Sense sense = scsi::ParseSense(reply.sense, reply.senseLength).sense;
    trace.senseKey = sense.key;
    trace.asc = sense.asc;
    trace.ascq = sense.ascq;
  }
  trace.milliseconds = static_cast<double>(reply.serviceMicros) / 1000.0;
  machine_.Trace(trace);

  Finish(&srb, srb.SRB_Status, status, srb.SRB_Flags, srb.SRB_PostProc);
}

void AspiManager::CompleteReset(SRB_BusDeviceReset& srb, const ScsiAddress& address) {
  if (auto target = machine_.TargetAt(address)) target->Reset();
  srb.SRB_HaStat = HASTAT_OK;
  srb.SRB_TargStat = STATUS_GOOD;
  Finish(&srb, srb.SRB_Status, SS_COMP, srb.SRB_Flags, srb.SRB_PostProc);
}

// Completion: the status, then the event of SRB_EVENT_NOTIFY or the routine of SRB_POSTING.
// `flags` and `postProc` are read before the status is stored: once it is, the caller may
// reuse its block.
void AspiManager::Finish(void* srb, BYTE& statusField, BYTE status, BYTE flags, void* postProc) {
  if (postProc != nullptr && (flags & SRB_EVENT_NOTIFY) != 0) {
    std::lock_guard lock(postMutex_);
    StoreStatus(statusField, status);
    SetEvent(static_cast<HANDLE>(postProc));
    lastEvent_ = static_cast<HANDLE>(postProc);
    return;
  }
  StoreStatus(statusField, status);
  if (postProc != nullptr && (flags & SRB_POSTING) != 0) {
    reinterpret_cast<void (*)(void*)>(postProc)(srb);
  }
}

// Called on a new request before it is queued: the caller has reset its event, but the
// signal of its previous request on that event may have landed after the reset.
void AspiManager::ClearCrossedSignal(BYTE flags, void* postProc) {
  if (postProc == nullptr || (flags & SRB_EVENT_NOTIFY) == 0) return;
  std::lock_guard lock(postMutex_);
  if (lastEvent_ == static_cast<HANDLE>(postProc)) {
    ResetEvent(lastEvent_);
    lastEvent_ = nullptr;
  }
}

}  // namespace sim
