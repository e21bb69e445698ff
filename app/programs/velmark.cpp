// velmark: the window, on this machine's drives. Reads no arguments.
#include "app/StartUp.h"
#include "app/programs/ProgramView.h"

// The one drive-access object: its construction loads the transport and fills the device
// table before main runs.
AspiVCL DriveAccess;

int main() {
  if (NoDisplay("velmark")) return 1;
  ProgramView view("velmark");
  toolkit::Application->SetBackend(&view);
  const int status = VelmarkMain<DriveAccess>();
  toolkit::Application->SetBackend(nullptr);
  return status;
}
