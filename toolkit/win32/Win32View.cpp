#include "toolkit/win32/Win32View.h"

#include <algorithm>
#include <vector>

#include "platform/Host.h"
#include "toolkit/TFileDialog.h"
#include "toolkit/win32/FormWindow.h"
#include "toolkit/win32/GdiResources.h"
#include "toolkit/win32/SystemCalls.h"

// The common dialogs (WIN32_LEAN_AND_MEAN leaves them out of windows.h).
#include <commdlg.h>

namespace toolkit::win32 {

namespace {

void RegisterWindowClass(const char* name, HBRUSH background, HICON icon) {
  WNDCLASSEXA type{};
  type.cbSize = sizeof(type);
  type.style = CS_DBLCLKS | (std::string(name) == kGraphClass ? CS_HREDRAW | CS_VREDRAW : 0);
  type.lpfnWndProc = &VelmarkWindowProc;
  type.hInstance = GetModuleHandleA(nullptr);
  type.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  type.hbrBackground = background;
  type.hIcon = icon;
  type.lpszClassName = name;
  RegisterClassExA(&type);  // already registered by an earlier view: that one serves
}

// The hidden window other threads wake the loop through.
constexpr const char* kWakeClass = "VelmarkWake";
constexpr UINT kWakeMessage = WM_APP + 1;

::LRESULT CALLBACK WakeWindowProc(HWND window, UINT message, ::WPARAM wParam, ::LPARAM lParam) {
  if (message == kWakeMessage) {
    toolkit::Application->RunThreadPosts();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWakeWindow() {
  WNDCLASSEXA type{};
  type.cbSize = sizeof(type);
  type.lpfnWndProc = &WakeWindowProc;
  type.hInstance = GetModuleHandleA(nullptr);
  type.lpszClassName = kWakeClass;
  RegisterClassExA(&type);  // already registered by an earlier view: that one serves
  // A message-only window: never shown, it only receives posted messages.
  return CreateWindowExA(0, kWakeClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

struct Win32View::Impl {
  GdiResources gdi;
  bool richEdit = false;
  std::vector<std::unique_ptr<FormWindow>> windows;
  // Windows of destroyed forms. They hold nothing any more; they are kept until the view
  // goes, as one may still be on the stack (a handler that destroyed its own form).
  std::vector<std::unique_ptr<FormWindow>> finished;
  platform::Host* sinkHost = nullptr;
  unsigned delivered = 0;
  bool refusalShown = false;  // the controls Windows refused are named once
  HWND wake = nullptr;        // the hidden window of Wake

  FormWindow* Find(const TForm& form) const {
    for (const auto& w : windows)
      if (w->Form() == &form) return w.get();
    return nullptr;
  }

  FormWindow& Attach(TForm& form) {
    if (FormWindow* w = Find(form)) return *w;
    auto window = std::make_unique<FormWindow>(form, gdi, [this] { ++delivered; });
    FormWindow* raw = window.get();
    raw->onFormDestroyed = [this, raw] { Retire(raw); };
    windows.push_back(std::move(window));
    return *raw;
  }

  void Retire(FormWindow* window) {
    auto it = std::find_if(windows.begin(), windows.end(),
                           [window](const auto& w) { return w.get() == window; });
    if (it == windows.end()) return;
    finished.push_back(std::move(*it));
    windows.erase(it);
    if (windows.empty()) RemoveSink();
  }

  HWND DialogOwner() const {
    for (const auto& w : windows)
      if (w->Top() != nullptr && IsWindowVisible(w->Top())) return w->Top();
    return nullptr;
  }

  void InstallSink() {
    if (sinkHost != nullptr) return;
    sinkHost = &platform::CurrentHost();
    sinkHost->SetMessageBoxSink([this](HWND, const char* text, const char* caption, UINT type) {
      return SystemMessageBox(DialogOwner(), text, caption, type);
    });
  }

  void RemoveSink() {
    if (sinkHost == nullptr) return;
    sinkHost->SetMessageBoxSink({});
    sinkHost = nullptr;
  }
};

Win32View::Win32View(const std::string& programName) : impl_(std::make_unique<Impl>()) {
  (void)programName;  // the forms' windows share Velmark's classes; the program is the exe
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_BAR_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
  InitCommonControlsEx(&controls);
  impl_->richEdit = LoadSystemLibrary("riched20.dll");
  RegisterWindowClass(kFormClass, nullptr,
                      LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)));
  RegisterWindowClass(kPanelClass, nullptr, nullptr);
  RegisterWindowClass(kGraphClass, nullptr, nullptr);
  impl_->wake = MakeWakeWindow();
}

Win32View::~Win32View() {
  if (impl_->wake != nullptr) DestroyWindow(impl_->wake);
  impl_->RemoveSink();
  impl_->windows.clear();
  impl_->finished.clear();
}

bool Win32View::RichEditLoaded() const {
  return impl_->richEdit;
}

void Win32View::Show(TForm& form) {
  FormShown(form);
  ProcessEvents();
}

void Win32View::FormShown(TForm& form) {
  FormWindow& window = impl_->Attach(form);
  window.ShowWindow();
  impl_->InstallSink();
  if (!window.Refused().empty() && !impl_->refusalShown) {
    impl_->refusalShown = true;
    std::string text = "Windows did not make these controls of the window:";
    for (const std::string& control : window.Refused()) text += "\n  " + control;
    text += "\n\nThe report needs the rich edit library (riched20.dll).";
    SystemMessageBox(window.Top(), text.c_str(), "Velmark", MB_OK | MB_ICONSTOP);
  }
}

void Win32View::FormHidden(TForm& form) {
  if (FormWindow* w = impl_->Find(form)) w->HideWindow();
  if (impl_->DialogOwner() == nullptr) impl_->RemoveSink();  // no window up any more
}

HWND Win32View::WindowOf(const TControl& control) const {
  for (const auto& w : impl_->windows)
    if (HWND window = w->WindowOf(control)) return window;
  return nullptr;
}

bool Win32View::ProcessEvents() {
  const unsigned before = impl_->delivered;
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    if (message.message == WM_TIMER && message.hwnd == nullptr) continue;  // a wake-up tick
    // The dialog manager: Tab and the arrow keys between the controls, access keys.
    HWND top = message.hwnd;  // its top-level window (GetAncestor is not on Windows NT 4)
    while (top != nullptr && (GetWindowLongPtrA(top, GWL_STYLE) & WS_CHILD) != 0)
      top = GetParent(top);
    bool dialog = false;
    for (const auto& w : impl_->windows)
      if (top != nullptr && w->Top() == top) dialog = IsDialogMessageA(top, &message) != FALSE;
    if (dialog) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return impl_->delivered != before;
}

void Win32View::Wake() {
  if (impl_->wake != nullptr) PostMessageA(impl_->wake, kWakeMessage, 0, 0);
}

bool Win32View::ChooseFile(TFileDialogRequest& request) {
  // "Description|*.ext|..." becomes the common dialog's list of zero-terminated strings.
  std::string filter = request.filter;
  for (char& c : filter)
    if (c == '|') c = '\0';
  filter.append(2, '\0');
  char path[MAX_PATH] = {};
  request.fileName.copy(path, sizeof path - 1);
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = impl_->DialogOwner();
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = static_cast<DWORD>(request.filterIndex);
  dialog.lpstrFile = path;
  dialog.nMaxFile = sizeof path;
  dialog.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
  dialog.lpstrDefExt = request.defaultExt.empty() ? nullptr : request.defaultExt.c_str();
  dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                 (request.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
  const BOOL chosen = request.save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
  if (chosen == FALSE) return false;
  request.fileName = path;
  request.filterIndex = static_cast<int>(dialog.nFilterIndex);
  return true;
}

void Win32View::WaitForEvents(int milliseconds) {
  if (milliseconds != 0) {
    // A thread timer wakes the wait when the application's next timer or action is due.
    const UINT_PTR tick =
        milliseconds > 0 ? SetTimer(nullptr, 0, static_cast<UINT>(milliseconds), nullptr) : 0;
    WaitMessage();
    if (tick != 0) KillTimer(nullptr, tick);
  }
  ProcessEvents();
}

}  // namespace toolkit::win32
