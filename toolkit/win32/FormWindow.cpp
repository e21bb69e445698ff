#include "toolkit/win32/FormWindow.h"

#include <algorithm>
#include <climits>
#include <string>

#include "toolkit/Application.h"
#include "toolkit/TButton.h"
#include "toolkit/TCheckBox.h"
#include "toolkit/TComboBox.h"
#include "toolkit/TEdit.h"
#include "toolkit/TGraph.h"
#include "toolkit/TLabel.h"
#include "toolkit/TPanel.h"
#include "toolkit/TRadioGroup.h"
#include "toolkit/TRichEdit.h"
#include "toolkit/TSpeedButton.h"
#include "toolkit/TStatusBar.h"
#include "toolkit/TToolBar.h"
#include "toolkit/win32/GdiGraph.h"

#include <richedit.h>  // (after the system's headers that win32.h brings in)

namespace toolkit::win32 {

namespace {

constexpr const char* kFormProperty = "VelmarkFormWindow";
constexpr const char* kProcProperty = "VelmarkBaseProc";

// The system's controls that hold other controls (the tool bar) are subclassed: the
// messages their children send to their parent reach the form window too.
::LRESULT CALLBACK ContainerSubclassProc(HWND window, UINT message, ::WPARAM wParam,
                                         ::LPARAM lParam) {
  auto* owner = static_cast<FormWindow*>(GetPropA(window, kFormProperty));
  auto base = reinterpret_cast<WNDPROC>(GetPropA(window, kProcProperty));
  const bool routed = message == WM_COMMAND || message == WM_DRAWITEM ||
                      message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN ||
                      message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
  ::LRESULT result = 0;
  if (owner != nullptr && routed && owner->HandleMessage(window, message, wParam, lParam, result))
    return result;
  if (message == WM_NCDESTROY) {
    RemovePropA(window, kFormProperty);
    RemovePropA(window, kProcProperty);
    if (base != nullptr) SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(base));
  }
  return base != nullptr ? CallWindowProcA(base, window, message, wParam, lParam)
                         : DefWindowProcA(window, message, wParam, lParam);
}

void Subclass(HWND window, FormWindow* owner) {
  SetPropA(window, kFormProperty, owner);
  SetPropA(window, kProcProperty,
           reinterpret_cast<HANDLE>(GetWindowLongPtrA(window, GWLP_WNDPROC)));
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ContainerSubclassProc));
}

constexpr const char* kHotProperty = "VelmarkHot";

// A flat button shows its raised edge while the mouse is over it: the button is subclassed
// to hear the mouse come and go.
::LRESULT CALLBACK FlatButtonProc(HWND window, UINT message, ::WPARAM wParam, ::LPARAM lParam) {
  auto base = reinterpret_cast<WNDPROC>(GetPropA(window, kProcProperty));
  if (message == WM_MOUSEMOVE && GetPropA(window, kHotProperty) == nullptr) {
    SetPropA(window, kHotProperty, reinterpret_cast<HANDLE>(1));
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
    TrackMouseEvent(&track);
    InvalidateRect(window, nullptr, FALSE);
  } else if (message == WM_MOUSELEAVE) {
    RemovePropA(window, kHotProperty);
    InvalidateRect(window, nullptr, FALSE);
  } else if (message == WM_NCDESTROY) {
    RemovePropA(window, kHotProperty);
    RemovePropA(window, kProcProperty);
    if (base != nullptr) SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(base));
  }
  return base != nullptr ? CallWindowProcA(base, window, message, wParam, lParam)
                         : DefWindowProcA(window, message, wParam, lParam);
}

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<std::size_t>(std::max(0, length)) + 1, '\0');
  const int read = GetWindowTextA(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(0, read)));
  return text;
}

void SetText(HWND window, const std::string& text) {
  const std::string shown = Shown(text);
  if (WindowText(window) != shown) SetWindowTextA(window, shown.c_str());
}

void Place(HWND window, int left, int top, int width, int height) {
  SetWindowPos(window, nullptr, left, top, std::max(0, width), std::max(0, height),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetStyleBit(HWND window, DWORD bit, bool on) {
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  const LONG_PTR wanted = on ? (style | bit) : (style & ~static_cast<LONG_PTR>(bit));
  if (wanted != style) SetWindowLongPtrA(window, GWL_STYLE, wanted);
}

DWORD FormStyle(TFormBorderStyle border) {
  switch (border) {
    case bsNone:
      return WS_POPUP;
    case bsSingle:
      return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    case bsDialog:
      return WS_POPUP | WS_CAPTION | WS_SYSMENU;
    case bsSizeable:
    default:
      return WS_OVERLAPPEDWINDOW;
  }
}

// The rich edit's character format for text of these attributes.
CHARFORMAT2A CharFormatOf(const TTextAttributes& a) {
  CHARFORMAT2A format{};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_FACE |
                  CFM_SIZE | CFM_CHARSET;
  format.dwEffects = (a.Style.Contains(fsBold) ? CFE_BOLD : 0) |
                     (a.Style.Contains(fsItalic) ? CFE_ITALIC : 0) |
                     (a.Style.Contains(fsUnderline) ? CFE_UNDERLINE : 0) |
                     (a.Style.Contains(fsStrikeOut) ? CFE_STRIKEOUT : 0);
  format.crTextColor = ToColorRef(a.Color);
  const int pixels = a.Height < 0 ? -a.Height : (a.Height == 0 ? 11 : a.Height);
  format.yHeight = pixels * 1440 / kPixelsPerInch;  // twips
  format.bCharSet = DEFAULT_CHARSET;
  lstrcpynA(format.szFaceName, a.Name.c_str(), LF_FACESIZE);
  return format;
}

LONG TextLength(HWND rich) {
  GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, CP_ACP};
  return static_cast<LONG>(
      SendMessageA(rich, EM_GETTEXTLENGTHEX, reinterpret_cast<::WPARAM>(&length), 0));
}

void CaretToEnd(HWND rich) {
  const LONG end = TextLength(rich);
  CHARRANGE range{end, end};
  SendMessageA(rich, EM_EXSETSEL, 0, reinterpret_cast<::LPARAM>(&range));
}

}  // namespace

::LRESULT CALLBACK VelmarkWindowProc(HWND window, UINT message, ::WPARAM wParam, ::LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* owner = reinterpret_cast<FormWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  ::LRESULT result = 0;
  if (owner != nullptr && owner->HandleMessage(window, message, wParam, lParam, result))
    return result;
  return DefWindowProcA(window, message, wParam, lParam);
}

FormWindow::FormWindow(TForm& form, GdiResources& gdi, std::function<void()> delivered)
    : form_(&form), gdi_(gdi), delivered_(std::move(delivered)) {
  form.AddObserver(this);
  Build(form, nullptr);
  SyncTabOrder();
}

FormWindow::~FormWindow() {
  if (form_ != nullptr) form_->RemoveObserver(this);
  items_.clear();
  if (top_ != nullptr && IsWindow(top_)) {
    SetWindowLongPtrA(top_, GWLP_USERDATA, 0);
    DestroyWindow(top_);
  }
  if (icon_ != nullptr) DestroyIcon(icon_);
}

HWND FormWindow::WindowOf(const TControl& control) const {
  auto it = items_.find(&control);
  return it == items_.end() ? nullptr : it->second.window;
}

FormWindow::Item* FormWindow::Find(const TControl& control) {
  auto it = items_.find(&control);
  return it == items_.end() ? nullptr : &it->second;
}

FormWindow::Item* FormWindow::ItemOfWindow(HWND window, int* button) {
  for (auto& [control, item] : items_) {
    if (item.window == window || (item.frame != nullptr && item.frame == window)) return &item;
    for (std::size_t i = 0; i < item.buttons.size(); ++i) {
      if (item.buttons[i] == window) {
        if (button != nullptr) *button = static_cast<int>(i);
        return &item;
      }
    }
  }
  return nullptr;
}

void FormWindow::ShowWindow() {
  if (top_ == nullptr || form_ == nullptr) return;
  if (!positioned_) {
    positioned_ = true;
    RECT outer{};
    GetWindowRect(top_, &outer);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    const TPosition pos = form_->Position();
    RECT area{};
    if ((pos == poScreenCenter || pos == poDesktopCenter || pos == poMainFormCenter) &&
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0) != FALSE) {
      SetWindowPos(top_, nullptr, area.left + (area.right - area.left - width) / 2,
                   area.top + (area.bottom - area.top - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (pos == poDesigned) {
      SetWindowPos(top_, nullptr, form_->Left(), form_->Top(), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  ::ShowWindow(top_, SW_SHOW);
  UpdateWindow(top_);
}

void FormWindow::HideWindow() {
  if (top_ != nullptr) ::ShowWindow(top_, SW_HIDE);
}

void FormWindow::Deliver(const std::function<void()>& action) {
  Application->Dispatch(action);
  if (delivered_) delivered_();
}

// ---- building --------------------------------------------------------------------------

HWND FormWindow::NewWindow(DWORD exStyle, const char* className, DWORD style, HWND parent) {
  HMENU id = parent != nullptr ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId_++)) : nullptr;
  return CreateWindowExA(exStyle, className, "", style, 0, 0, 0, 0, parent, id,
                         GetModuleHandleA(nullptr), this);
}

HWND FormWindow::Create(TControl& c, HWND parent) {
  constexpr DWORD kChild = WS_CHILD | WS_CLIPSIBLINGS;
  if (&c == form_) {
    top_ = NewWindow(WS_EX_CONTROLPARENT, kFormClass,
                     FormStyle(form_->BorderStyle()) | WS_CLIPCHILDREN, nullptr);
    return top_;
  }
  if (dynamic_cast<TEdit*>(&c))
    return NewWindow(WS_EX_CLIENTEDGE, "EDIT", kChild | ES_LEFT | ES_AUTOHSCROLL, parent);
  if (dynamic_cast<TLabel*>(&c))
    return NewWindow(0, "STATIC", kChild | SS_LEFT | SS_NOPREFIX, parent);
  if (dynamic_cast<TButton*>(&c)) return NewWindow(0, "BUTTON", kChild | BS_PUSHBUTTON, parent);
  if (dynamic_cast<TSpeedButton*>(&c)) {
    HWND window = NewWindow(0, "BUTTON", kChild | BS_OWNERDRAW, parent);
    if (window != nullptr) {
      SetPropA(window, kProcProperty,
               reinterpret_cast<HANDLE>(GetWindowLongPtrA(window, GWLP_WNDPROC)));
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FlatButtonProc));
    }
    return window;
  }
  if (auto* combo = dynamic_cast<TComboBox*>(&c)) {
    const DWORD kind = combo->Style() == csDropDown ? CBS_DROPDOWN : CBS_DROPDOWNLIST;
    return NewWindow(0, "COMBOBOX", kChild | WS_VSCROLL | kind, parent);
  }
  if (dynamic_cast<TCheckBox*>(&c)) return NewWindow(0, "BUTTON", kChild | BS_CHECKBOX, parent);
  if (auto* rich = dynamic_cast<TRichEdit*>(&c)) {
    const TScrollStyle bars = rich->ScrollBars();
    DWORD style = kChild | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
    if (bars == ssVertical || bars == ssBoth) style |= WS_VSCROLL;
    if (bars == ssHorizontal || bars == ssBoth) style |= WS_HSCROLL | ES_AUTOHSCROLL;
    HWND window = NewWindow(WS_EX_CLIENTEDGE, RICHEDIT_CLASSA, style, parent);
    if (window != nullptr && !rich->WordWrap()) SendMessageA(window, EM_SETTARGETDEVICE, 0, 1);
    return window;
  }
  if (dynamic_cast<TStatusBar*>(&c)) {
    DWORD style = kChild | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER;
    if (form_->BorderStyle() == bsSizeable) style |= SBARS_SIZEGRIP;
    return NewWindow(0, STATUSCLASSNAMEA, style, parent);
  }
  if (dynamic_cast<TGraph*>(&c)) return NewWindow(0, kGraphClass, kChild, parent);
  if (dynamic_cast<TToolBar*>(&c)) {
    HWND window = NewWindow(WS_EX_CONTROLPARENT, TOOLBARCLASSNAMEA,
                            kChild | WS_CLIPCHILDREN | CCS_NORESIZE | CCS_NOPARENTALIGN |
                                CCS_NODIVIDER | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT,
                            parent);
    if (window != nullptr) Subclass(window, this);
    return window;
  }
  // A radio group's background is painted under its group box, which draws only its frame.
  if (dynamic_cast<TRadioGroup*>(&c))
    return NewWindow(WS_EX_CONTROLPARENT, kPanelClass, kChild, parent);
  // Panels and plain containers.
  return NewWindow(WS_EX_CONTROLPARENT, kPanelClass, kChild | WS_CLIPCHILDREN, parent);
}

void FormWindow::Build(TControl& c, HWND parent) {
  HWND window = Create(c, parent);
  if (window == nullptr) {  // the system refused it: the control is not drawn, and it is said
    const DWORD error = GetLastError();
    refused_.push_back(std::string(c.ClassName()) + " " + c.Name() + " (error " +
                       std::to_string(error) + ")");
    return;
  }
  Item& item = items_[&c];
  item.control = &c;
  item.window = window;
  if (dynamic_cast<TRadioGroup*>(&c)) {
    item.frame =
        CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX, 0,
                        0, 0, 0, window, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  SyncAll(item);
  for (int i = 0; i < c.ControlCount(); ++i) Build(*c.Controls(i), window);
}

// ---- model to window ---------------------------------------------------------------------

void FormWindow::SyncAll(Item& item) {
  SyncAppearance(item);
  SyncContent(item);
  SyncItems(item);
  SyncLines(item);
  SyncGeometry(item);
}

void FormWindow::SyncGeometry(Item& item) {
  TControl& c = *item.control;
  if (&c == form_) {
    RECT client{};
    GetClientRect(top_, &client);
    if (client.right == form_->ClientWidth() && client.bottom == form_->ClientHeight()) return;
    RECT outer{0, 0, form_->ClientWidth(), form_->ClientHeight()};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrA(top_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(top_, GWL_EXSTYLE)));
    resizing_ = true;
    SetWindowPos(top_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    resizing_ = false;
    return;
  }
  auto* label = dynamic_cast<TLabel*>(&c);
  if (label != nullptr && label->AutoSize()) {
    HDC screen = GetDC(nullptr);
    const SIZE size = TextExtent(screen, gdi_.Font(c.Font()), c.Caption());
    ReleaseDC(nullptr, screen);
    Place(item.window, c.Left(), c.Top(), size.cx, size.cy);
  } else if (dynamic_cast<TComboBox*>(&c)) {
    // The closed field as high as the control; the height below it is the drop-down list's.
    SendMessageA(item.window, CB_SETITEMHEIGHT, static_cast<::WPARAM>(-1),
                 std::max(1, c.Height() - 6));
    Place(item.window, c.Left(), c.Top(), c.Width(), c.Height() + 160);
  } else {
    Place(item.window, c.Left(), c.Top(), c.Width(), c.Height());
  }
  if (item.frame != nullptr) ArrangeRadios(item);
}

void FormWindow::ArrangeRadios(Item& item) {
  auto* group = dynamic_cast<TRadioGroup*>(item.control);
  if (group == nullptr) return;
  const int width = group->Width(), height = group->Height();
  SetWindowPos(item.frame, HWND_BOTTOM, 0, 0, width, height, SWP_NOACTIVATE);
  const int count = static_cast<int>(item.buttons.size());
  if (count == 0) return;
  // Buttons fill the columns top to bottom, evenly spread over the area under the title.
  const int columns = std::max(1, group->Columns());
  const int perColumn = (count + columns - 1) / columns;
  HDC screen = GetDC(nullptr);
  const int textHeight = MetricsOf(screen, gdi_.Font(group->Font())).height;
  ReleaseDC(nullptr, screen);
  const int buttonWidth = std::max(1, (width - 10) / columns);
  const int area = std::max(perColumn, height - textHeight - 5);
  const int buttonHeight = area / perColumn;
  const int top = textHeight + 1 + (area % perColumn) / 2;
  for (int i = 0; i < count; ++i) {
    Place(item.buttons[static_cast<std::size_t>(i)], (i / perColumn) * buttonWidth + 8,
          (i % perColumn) * buttonHeight + top, buttonWidth - 8, buttonHeight);
  }
}

void FormWindow::SyncAppearance(Item& item) {
  TControl& c = *item.control;
  HFONT font = gdi_.Font(c.Font());
  SendMessageA(item.window, WM_SETFONT, reinterpret_cast<::WPARAM>(font), FALSE);
  if (item.frame != nullptr) {
    SendMessageA(item.frame, WM_SETFONT, reinterpret_cast<::WPARAM>(font), FALSE);
    EnableWindow(item.frame, c.Enabled() ? TRUE : FALSE);
  }
  for (HWND button : item.buttons) {
    SendMessageA(button, WM_SETFONT, reinterpret_cast<::WPARAM>(font), FALSE);
    EnableWindow(button, c.Enabled() ? TRUE : FALSE);
  }
  if (auto* rich = dynamic_cast<TRichEdit*>(&c)) {
    HDC screen = GetDC(nullptr);
    rich->SetLineHeight(MetricsOf(screen, font).height);
    ReleaseDC(nullptr, screen);
    SendMessageA(item.window, EM_SETBKGNDCOLOR, 0, static_cast<::LPARAM>(ToColorRef(c.Color())));
    TTextAttributes base;
    base.Name = c.Font().Name;
    base.Height = c.Font().Height;
    base.Color = c.Font().Color;
    CHARFORMAT2A format = CharFormatOf(base);
    SendMessageA(item.window, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<::LPARAM>(&format));
  }
  if (&c != form_) {
    EnableWindow(item.window, c.Enabled() ? TRUE : FALSE);
    ::ShowWindow(item.window, c.Visible() ? SW_SHOWNA : SW_HIDE);
  }
  if (c.ShowHint() && !c.Hint().empty() && top_ != nullptr) {
    if (tips_ == nullptr) {
      tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                              WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, top_, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    }
    if (tips_ != nullptr) {
      std::string hint = Shown(c.Hint());
      TTTOOLINFOA tool{};
      tool.cbSize = TTTOOLINFOA_V2_SIZE;
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = GetParent(item.window);
      tool.uId = reinterpret_cast<UINT_PTR>(item.window);
      tool.lpszText = hint.data();
      SendMessageA(tips_, TTM_DELTOOLA, 0, reinterpret_cast<::LPARAM>(&tool));
      SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<::LPARAM>(&tool));
    }
  }
  InvalidateRect(item.window, nullptr, TRUE);
}

void FormWindow::SyncContent(Item& item) {
  TControl& c = *item.control;
  HWND w = item.window;
  syncing_ = true;
  if (&c == form_) {
    SetText(w, c.Text());
    if (!form_->Icon().Empty() && icon_ == nullptr) {
      icon_ = MakeIcon(form_->Icon());
      SendMessageA(w, WM_SETICON, ICON_BIG, reinterpret_cast<::LPARAM>(icon_));
      SendMessageA(w, WM_SETICON, ICON_SMALL, reinterpret_cast<::LPARAM>(icon_));
    }
  } else if (auto* edit = dynamic_cast<TEdit*>(&c)) {
    SetText(w, c.Text());
    SendMessageA(w, EM_SETREADONLY, edit->ReadOnly() ? TRUE : FALSE, 0);
  } else if (dynamic_cast<TLabel*>(&c) || dynamic_cast<TButton*>(&c)) {
    SetText(w, c.Text());
  } else if (dynamic_cast<TPanel*>(&c) || dynamic_cast<TSpeedButton*>(&c) ||
             dynamic_cast<TGraph*>(&c)) {
    InvalidateRect(w, nullptr, TRUE);  // drawn from the model
  } else if (auto* combo = dynamic_cast<TComboBox*>(&c)) {
    if (SendMessageA(w, CB_GETCURSEL, 0, 0) != combo->ItemIndex())
      SendMessageA(w, CB_SETCURSEL, static_cast<::WPARAM>(combo->ItemIndex()), 0);
  } else if (auto* box = dynamic_cast<TCheckBox*>(&c)) {
    SetText(w, c.Text());
    SendMessageA(w, BM_SETCHECK, box->Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
  } else if (auto* group = dynamic_cast<TRadioGroup*>(&c)) {
    SetText(item.frame, c.Text());
    for (std::size_t i = 0; i < item.buttons.size(); ++i) {
      const bool chosen = static_cast<int>(i) == group->ItemIndex();
      SendMessageA(item.buttons[i], BM_SETCHECK, chosen ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    ArrangeRadios(item);
  } else if (auto* rich = dynamic_cast<TRichEdit*>(&c)) {
    SendMessageA(w, EM_SETREADONLY, rich->ReadOnly() ? TRUE : FALSE, 0);
  } else if (auto* status = dynamic_cast<TStatusBar*>(&c)) {
    SendMessageA(w, SB_SIMPLE, status->SimplePanel() ? TRUE : FALSE, 0);
    const std::string text = Shown(status->SimplePanel() ? status->SimpleText() : status->Text());
    SendMessageA(w, SB_SETTEXTA, status->SimplePanel() ? SB_SIMPLEID : 0,
                 reinterpret_cast<::LPARAM>(text.c_str()));
  }
  syncing_ = false;
}

void FormWindow::SyncItems(Item& item) {
  TControl& c = *item.control;
  syncing_ = true;
  if (auto* combo = dynamic_cast<TComboBox*>(&c)) {
    SendMessageA(item.window, CB_RESETCONTENT, 0, 0);
    for (const std::string& row : combo->Items().Items()) {
      const std::string shown = Shown(row);
      SendMessageA(item.window, CB_ADDSTRING, 0, reinterpret_cast<::LPARAM>(shown.c_str()));
    }
    SendMessageA(item.window, CB_SETCURSEL, static_cast<::WPARAM>(combo->ItemIndex()), 0);
  } else if (auto* group = dynamic_cast<TRadioGroup*>(&c)) {
    for (HWND button : item.buttons) DestroyWindow(button);
    item.buttons.clear();
    HFONT font = gdi_.Font(c.Font());
    for (const std::string& row : group->Items().Items()) {
      DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_RADIOBUTTON;
      if (item.buttons.empty()) style |= WS_GROUP | (c.TabStop() ? WS_TABSTOP : 0);
      HWND button = NewWindow(0, "BUTTON", style, item.window);
      if (button == nullptr) continue;
      SetWindowTextA(button, Shown(row).c_str());
      SendMessageA(button, WM_SETFONT, reinterpret_cast<::WPARAM>(font), FALSE);
      EnableWindow(button, c.Enabled() ? TRUE : FALSE);
      SendMessageA(
          button, BM_SETCHECK,
          static_cast<int>(item.buttons.size()) == group->ItemIndex() ? BST_CHECKED : BST_UNCHECKED,
          0);
      item.buttons.push_back(button);
    }
    ArrangeRadios(item);
  }
  syncing_ = false;
}

void FormWindow::SyncLines(Item& item) {
  auto* rich = dynamic_cast<TRichEdit*>(item.control);
  if (rich == nullptr) return;
  HWND w = item.window;
  if (rich->LineCount() < item.linesShown) {
    SetWindowTextA(w, "");
    item.linesShown = 0;
  }
  if (rich->LineCount() == item.linesShown) return;
  // Each line goes in at the end with its own colour and style.
  for (int i = item.linesShown; i < rich->LineCount(); ++i) {
    const TRichLine& line = rich->Line(i);
    CaretToEnd(w);
    CHARFORMAT2A format = CharFormatOf(line.Attributes);
    SendMessageA(w, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<::LPARAM>(&format));
    const std::string text = (i > 0 ? "\r\n" : "") + Shown(line.Text);
    SendMessageA(w, EM_REPLACESEL, FALSE, reinterpret_cast<::LPARAM>(text.c_str()));
  }
  item.linesShown = rich->LineCount();
}

void FormWindow::ScrollToCaret(Item& item) {
  if (dynamic_cast<TRichEdit*>(item.control) == nullptr) return;
  CaretToEnd(item.window);
  SendMessageA(item.window, EM_SCROLLCARET, 0, 0);  // (the system's value and the toolkit's agree)
  // The caret stands at the end of the text: the newest line is at the very bottom.
  SendMessageA(item.window, WM_VSCROLL, SB_BOTTOM, 0);
}

void FormWindow::SyncChildren(TControl& c) {
  HWND parent = WindowOf(c);
  if (parent == nullptr) return;
  for (int i = 0; i < c.ControlCount(); ++i) {
    TControl* child = c.Controls(i);
    Item* item = Find(*child);
    if (item == nullptr) {
      Build(*child, parent);
    } else if (GetParent(item->window) != parent) {
      SetParent(item->window, parent);
      SyncAll(*item);
    }
  }
  // Children that left this parent without a new one in the window are hidden.
  for (auto& [control, item] : items_) {
    if (GetParent(item.window) == parent && control->Parent() != &c)
      ::ShowWindow(item.window, SW_HIDE);
  }
}

void FormWindow::SyncTabOrder() {
  if (form_ == nullptr) return;
  std::function<void(TControl&)> walk = [&](TControl& parent) {
    std::vector<TControl*> children;
    for (int i = 0; i < parent.ControlCount(); ++i) children.push_back(parent.Controls(i));
    std::stable_sort(children.begin(), children.end(), [](TControl* a, TControl* b) {
      const int ka = a->TabOrder() < 0 ? 1 << 30 : a->TabOrder();
      const int kb = b->TabOrder() < 0 ? 1 << 30 : b->TabOrder();
      return ka < kb;
    });
    // The dialog manager moves the focus along the windows' order among their siblings.
    HWND previous = HWND_TOP;
    for (TControl* child : children) {
      Item* item = Find(*child);
      if (item == nullptr) continue;
      const bool stop = child->TabStop() && item->frame == nullptr;
      SetStyleBit(item->window, WS_TABSTOP, stop);
      SetWindowPos(item->window, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      previous = item->window;
      walk(*child);
    }
  };
  walk(*form_);
}

// ---- window to model ---------------------------------------------------------------------

bool FormWindow::Command(HWND child, WORD code) {
  int button = -1;
  Item* item = ItemOfWindow(child, &button);
  if (item == nullptr || syncing_) return true;
  TControl* c = item->control;
  auto again = [this, c]() { return Find(*c); };  // the control may be gone after its handler
  if (auto* group = dynamic_cast<TRadioGroup*>(c); group != nullptr && button >= 0) {
    if (code != BN_CLICKED) return true;
    Deliver([group, button] { group->UserSelect(button); });
    if (Item* now = again()) SyncContent(*now);
  } else if (dynamic_cast<TButton*>(c) || dynamic_cast<TSpeedButton*>(c)) {
    if (code == BN_CLICKED) Deliver([c] { c->UserClick(); });
  } else if (dynamic_cast<TCheckBox*>(c)) {
    if (code != BN_CLICKED) return true;
    Deliver([c] { c->UserClick(); });
    if (Item* now = again()) SyncContent(*now);
  } else if (auto* combo = dynamic_cast<TComboBox*>(c)) {
    if (code != CBN_SELCHANGE) return true;
    const int index = static_cast<int>(SendMessageA(child, CB_GETCURSEL, 0, 0));
    Deliver([combo, index] { combo->UserSelect(index); });
    if (Item* now = again()) SyncContent(*now);
  } else if (auto* edit = dynamic_cast<TEdit*>(c)) {
    if (code != EN_CHANGE) return true;
    const std::string text = WindowText(child);
    if (text != edit->Text()) Deliver([edit, text] { edit->UserSetText(text); });
    if (Item* now = again()) SyncContent(*now);
  }
  return true;
}

// ---- drawing -----------------------------------------------------------------------------

void FormWindow::DrawSpeedButton(const DRAWITEMSTRUCT& draw) {
  Item* item = ItemOfWindow(draw.hwndItem);
  if (item == nullptr) return;
  auto* speed = dynamic_cast<TSpeedButton*>(item->control);
  if (speed == nullptr) return;
  RECT r = draw.rcItem;
  const COLORREF face = ToColorRef(speed->Color());
  FillRect(draw.hDC, &r, gdi_.Brush(speed->Color()));
  const bool pressed = (draw.itemState & ODS_SELECTED) != 0;
  const bool disabled = (draw.itemState & ODS_DISABLED) != 0;
  const bool hot = GetPropA(draw.hwndItem, kHotProperty) != nullptr;
  if (pressed) {
    DrawEdge(draw.hDC, &r, BDR_SUNKENOUTER, BF_RECT);
  } else if (!speed->Flat()) {
    DrawEdge(draw.hDC, &r, EDGE_RAISED, BF_RECT);
  } else if (hot && !disabled) {
    DrawEdge(draw.hDC, &r, BDR_RAISEDINNER, BF_RECT);
  }
  const TBitmap& glyph = speed->Glyph();
  const std::string text = StripAccessKey(Shown(speed->Caption()));
  HFONT font = gdi_.Font(speed->Font());
  const SIZE textSize = text.empty() ? SIZE{0, 0} : TextExtent(draw.hDC, font, text);
  const int gap = (!glyph.Empty() && !text.empty()) ? 4 : 0;
  const int contentWidth = glyph.Width() + gap + static_cast<int>(textSize.cx);
  const int shift = pressed ? 1 : 0;
  int x = r.left + (r.right - r.left - contentWidth) / 2 + shift;
  if (!glyph.Empty()) {
    DrawPicture(draw.hDC, x, r.top + (r.bottom - r.top - glyph.Height()) / 2 + shift, glyph, face,
                disabled);
    x += glyph.Width() + gap;
  }
  if (!text.empty()) {
    HGDIOBJ previous = SelectObject(draw.hDC, font);
    SetBkMode(draw.hDC, TRANSPARENT);
    SetTextColor(draw.hDC,
                 disabled ? GetSysColor(COLOR_GRAYTEXT) : ToColorRef(speed->Font().Color));
    RECT textRect{x, r.top + shift, r.right, r.bottom + shift};
    DrawTextA(draw.hDC, text.c_str(), static_cast<int>(text.size()), &textRect,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(draw.hDC, previous);
  }
}

void FormWindow::PaintPanel(Item& item, HDC dc) {
  auto* panel = dynamic_cast<TPanel*>(item.control);
  if (panel == nullptr) return;
  RECT r{};
  GetClientRect(item.window, &r);
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    DrawEdge(dc, &r, cut == bvLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    InflateRect(&r, -1, -1);
  };
  bevel(panel->BevelOuter());
  bevel(panel->BevelInner());
  const std::string caption = Shown(panel->Caption());
  if (caption.empty()) return;
  HGDIOBJ previous = SelectObject(dc, gdi_.Font(panel->Font()));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorRef(panel->Font().Color));
  DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &r,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, previous);
}

bool FormWindow::HandleMessage(HWND window, UINT message, ::WPARAM wParam, ::LPARAM lParam,
                               ::LRESULT& result) {
  if (form_ == nullptr) return false;
  result = 0;
  switch (message) {
    case WM_COMMAND:
      if (lParam != 0) return Command(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
      return window == top_;  // Enter and Esc from the dialog manager: nothing to do
    case WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (draw->CtlType != ODT_BUTTON) return false;
      DrawSpeedButton(*draw);
      result = TRUE;
      return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT: {
      Item* item = ItemOfWindow(reinterpret_cast<HWND>(lParam));
      if (item == nullptr) return false;
      TControl& c = *item->control;
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, ToColorRef(c.Font().Color));
      SetBkColor(dc, ToColorRef(c.Color()));
      if (message != WM_CTLCOLOREDIT) SetBkMode(dc, TRANSPARENT);
      result = reinterpret_cast<::LRESULT>(gdi_.Brush(c.Color()));
      return true;
    }
    case WM_ERASEBKGND: {
      Item* item = window == top_ ? Find(*form_) : ItemOfWindow(window);
      if (item == nullptr) return false;
      if (dynamic_cast<TGraph*>(item->control) == nullptr) {
        RECT r{};
        GetClientRect(window, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, gdi_.Brush(item->control->Color()));
      }
      result = 1;
      return true;
    }
    case WM_PAINT: {
      Item* item = ItemOfWindow(window);
      if (item == nullptr) return false;
      auto* graph = dynamic_cast<TGraph*>(item->control);
      if (graph == nullptr && dynamic_cast<TPanel*>(item->control) == nullptr) return false;
      PAINTSTRUCT paint{};
      HDC dc = BeginPaint(window, &paint);
      if (graph != nullptr) {
        // Drawn off screen first: no flicker while the curve grows.
        RECT r{};
        GetClientRect(window, &r);
        HDC buffer = CreateCompatibleDC(dc);
        HBITMAP picture = CreateCompatibleBitmap(dc, std::max(1L, r.right), std::max(1L, r.bottom));
        HGDIOBJ previous = SelectObject(buffer, picture);
        PaintGraph(buffer, r, graph->Model(), graph->Font(), gdi_);
        BitBlt(dc, 0, 0, r.right, r.bottom, buffer, 0, 0, SRCCOPY);
        SelectObject(buffer, previous);
        DeleteObject(picture);
        DeleteDC(buffer);
      } else {
        PaintPanel(*item, dc);
      }
      EndPaint(window, &paint);
      return true;
    }
    case WM_GETMINMAXINFO:
      if (window == top_ && form_ != nullptr && form_->MinClientWidth() > 0) {
        // The form's smallest client area, with the frame and caption around it.
        RECT outer{0, 0, form_->MinClientWidth(), form_->MinClientHeight()};
        AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrA(top_, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrA(top_, GWL_EXSTYLE)));
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize.x = outer.right - outer.left;
        limits->ptMinTrackSize.y = outer.bottom - outer.top;
        result = 0;
        return true;
      }
      return false;
    case WM_SIZE:
      if (window == top_ && !resizing_ && wParam != SIZE_MINIMIZED) {
        const int width = LOWORD(lParam), height = HIWORD(lParam);
        if (width != form_->ClientWidth() || height != form_->ClientHeight())
          Deliver([this, width, height] {
            if (form_ != nullptr) form_->SetClientSize(width, height);
          });
      }
      return false;
    case WM_CLOSE:
      if (window != top_) return false;
      if (!form_->Closed())
        Deliver([this] {
          if (form_ != nullptr) form_->Close();
        });
      return true;
    default:
      return false;
  }
}

// ---- observer -----------------------------------------------------------------------------

void FormWindow::ControlChanged(TControl& c, TChange change) {
  Item* item = Find(c);
  if (item == nullptr) return;
  switch (change) {
    case TChange::Bounds:
      SyncGeometry(*item);
      break;
    case TChange::Children:
      SyncChildren(c);
      SyncTabOrder();
      break;
    case TChange::TabOrder:
      SyncTabOrder();
      break;
    case TChange::Items:
      SyncItems(*item);
      break;
    case TChange::Lines:
      SyncLines(*item);
      break;
    case TChange::ScrollCaret:
      ScrollToCaret(*item);
      break;
    case TChange::Graph:
      SyncContent(*item);
      break;
    case TChange::Font:
    case TChange::Color:
      SyncAppearance(*item);
      SyncGeometry(*item);
      break;
    case TChange::Text:
      SyncContent(*item);
      if (dynamic_cast<TLabel*>(&c)) SyncGeometry(*item);
      break;
    default:
      SyncAppearance(*item);
      SyncContent(*item);
      break;
  }
}

void FormWindow::Forget(HWND window) {
  for (auto it = items_.begin(); it != items_.end();) {
    HWND w = it->second.window;
    if (w == window || IsChild(window, w)) {
      it = items_.erase(it);
    } else {
      ++it;
    }
  }
}

void FormWindow::ControlDestroyed(TControl& c) {
  if (&c == form_) {
    form_ = nullptr;
    items_.clear();
    if (top_ != nullptr) {
      ::ShowWindow(top_, SW_HIDE);
      SetWindowLongPtrA(top_, GWLP_USERDATA, 0);
      DestroyWindow(top_);
      top_ = nullptr;
    }
    if (onFormDestroyed) onFormDestroyed();
    return;
  }
  Item* item = Find(c);
  if (item == nullptr) return;
  // The window may be the one whose message is being handled: it is hidden and let go now,
  // and goes with the form's window.
  HWND window = item->window;
  ::ShowWindow(window, SW_HIDE);
  Forget(window);
}

}  // namespace toolkit::win32
