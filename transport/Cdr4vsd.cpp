#include "transport/Cdr4vsd.h"

#include <cstring>

namespace {

template <class Proc>
Proc Resolve(HMODULE library, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

}  // namespace

Cdr4vsd::Cdr4vsd()
    : LibraryName{},
      StartFileSystemBlocking(nullptr),
      EndFileSystemBlocking(nullptr),
      QueryFileSystemBlocking(nullptr),
      ReserveDevice(nullptr),
      ReleaseDevice(nullptr),
      QueryReserve(nullptr),
      Library(nullptr) {
  Library = LoadLibraryA("cdr4dll");
  std::memset(LibraryName, 0, sizeof(LibraryName));
  if (Library == nullptr) return;
  std::strncpy(LibraryName, "cdr4dll.dll", sizeof(LibraryName) - 1);
  StartFileSystemBlocking =
      Resolve<CDR4VSDStartFileSystemBlockingProc>(Library, "_CDR4VSDStartFileSystemBlocking@4");
  EndFileSystemBlocking =
      Resolve<CDR4VSDEndFileSystemBlockingProc>(Library, "_CDR4VSDEndFileSystemBlocking@4");
  QueryFileSystemBlocking =
      Resolve<CDR4VSDQueryFileSystemBlockingProc>(Library, "_CDR4VSDQueryFileSystemBlocking@4");
  ReserveDevice = Resolve<CDR4VSDReserveDeviceProc>(Library, "_CDR4VSDReserveDevice@8");
  ReleaseDevice = Resolve<CDR4VSDReleaseDeviceProc>(Library, "_CDR4VSDReleaseDevice@4");
  QueryReserve = Resolve<CDR4VSDQueryReserveProc>(Library, "_CDR4VSDQueryReserve@12");
}

Cdr4vsd::~Cdr4vsd() {
  if (Library != nullptr) FreeLibrary(Library);
  Library = nullptr;
}
