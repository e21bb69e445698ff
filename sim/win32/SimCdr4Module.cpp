#include "sim/win32/SimCdr4Module.h"

#include <cstring>
#include <mutex>
#include <string>

#include "sim/machine/SimMachine.h"
#include "sim/win32/InstalledMachine.h"
#include "sim/win32/ModuleExports.h"

namespace sim {

namespace {

// The entries reach the records of the installed machine; without one they refuse.
BOOL Note(const char* entry) {
  InstalledMachine* installed = InstalledMachine::Get();
  if (installed == nullptr) return FALSE;
  const std::shared_ptr<SimRecords>& records = installed->machine().records();
  std::lock_guard lock(records->mutex);
  records->cdr4Calls.push_back(entry);
  return TRUE;
}

BOOL StartFileSystemBlocking(DWORD) {
  return Note("_CDR4VSDStartFileSystemBlocking@4");
}
BOOL EndFileSystemBlocking(DWORD) {
  return Note("_CDR4VSDEndFileSystemBlocking@4");
}
BOOL QueryFileSystemBlocking(DWORD) {
  return Note("_CDR4VSDQueryFileSystemBlocking@4");
}
BOOL ReserveDevice(DWORD, DWORD) {
  return Note("_CDR4VSDReserveDevice@8");
}
BOOL ReleaseDevice(DWORD) {
  return Note("_CDR4VSDReleaseDevice@4");
}
BOOL QueryReserve(DWORD, DWORD, DWORD) {
  return Note("_CDR4VSDQueryReserve@12");
}

const ModuleExport kModuleEntries[] = {
    {"_CDR4VSDStartFileSystemBlocking@4", AsFarProc(&StartFileSystemBlocking)},
    {"_CDR4VSDEndFileSystemBlocking@4", AsFarProc(&EndFileSystemBlocking)},
    {"_CDR4VSDQueryFileSystemBlocking@4", AsFarProc(&QueryFileSystemBlocking)},
    {"_CDR4VSDReserveDevice@8", AsFarProc(&ReserveDevice)},
    {"_CDR4VSDReleaseDevice@4", AsFarProc(&ReleaseDevice)},
    {"_CDR4VSDQueryReserve@12", AsFarProc(&QueryReserve)},
};

}  // namespace

SimCdr4Module::SimCdr4Module(std::shared_ptr<SimRecords> records) : records_(std::move(records)) {
  std::lock_guard lock(records_->mutex);
  ++records_->loadedModules;
}

SimCdr4Module::~SimCdr4Module() {
  std::lock_guard lock(records_->mutex);
  --records_->loadedModules;
}

FARPROC SimCdr4Module::Resolve(const char* name) {
  return FindExport(kModuleEntries, name);
}

}  // namespace sim
