// The start-up entry of the window programs: the application is initialised and titled,
// the main window is created on the program's one drive-access object, and the message
// loop runs until the window closes. The drive-access object itself is a global of the
// program, constructed by static initialisation before this runs and destroyed by static
// finalisation after it.
#pragma once

#include "app/AspiVCL.h"
#include "app/TForm1.h"
#include "toolkit/Toolkit.h"

// The main window of a program whose drive-access object is `Drive` (the
// application creates its forms from their owner alone).
template <AspiVCL& Drive>
class ProgramWindow : public TForm1 {
 public:
  explicit ProgramWindow(toolkit::TComponent* owner) : TForm1(owner, Drive) {}
};

template <AspiVCL& Drive>
int VelmarkMain() {
  try {
    toolkit::Application->Initialize();
    toolkit::Application->SetTitle("Velmark");
    ProgramWindow<Drive>* window = nullptr;
    toolkit::Application->CreateForm(window);
    Form1 = window;
    toolkit::Application->Run();
  } catch (const toolkit::Exception& e) {
    toolkit::Application->ShowException(e);
  }
  // The window goes with the loop, while the backend that draws it is still there.
  delete Form1;
  Form1 = nullptr;
  return 0;
}
