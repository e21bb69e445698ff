// The controls model drawn with the system's controls: what the model says reaches the
// windows, what the user does in the windows reaches the model, the report keeps each
// line's colour and style, and the graph is drawn.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "toolkit/Toolkit.h"
#include "toolkit/win32/GdiGraph.h"
#include "toolkit/win32/GdiResources.h"
#include "toolkit/win32/Win32View.h"

#include <richedit.h>  // (after the system's headers that the toolkit brings in)

namespace {

using namespace toolkit;

template <class T>
T* Place(TForm* form, int left, int top, int width, int height) {
  auto* c = new T(form);
  c->SetParent(form);
  c->SetBounds(left, top, width, height);
  return c;
}

std::string TextOf(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Tells the combo box's parent that the user chose a row, as the control does.
void ChooseRow(HWND combo, int row) {
  SendMessageA(combo, CB_SETCURSEL, static_cast<::WPARAM>(row), 0);
  SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<::LPARAM>(combo));
}

TEST(Win32ViewTest, TheWindowsShowTheModelAndTheUsersInputReachesIt) {
  ScopedApplication app;
  win32::Win32View view;
  app->SetBackend(&view);
  auto* form = new TForm(&*app);
  form->SetBounds(0, 0, 320, 240);
  form->SetCaption("Controls");
  auto* edit = Place<TEdit>(form, 8, 8, 100, 21);
  edit->SetText("300000");
  int edits = 0;
  edit->OnChange = TNotifyEvent([&](TObject*) { ++edits; });
  auto* combo = Place<TComboBox>(form, 8, 40, 150, 21);
  combo->SetStyle(csDropDownList);
  for (const char* row : {"D:", "E:", "F:"}) combo->Items().Add(row);
  combo->SetItemIndex(1);
  auto* box = Place<TCheckBox>(form, 8, 70, 150, 17);
  box->SetCaption("Disable");
  box->SetChecked(true);
  auto* group = Place<TRadioGroup>(form, 8, 95, 300, 41);
  group->SetCaption("Read Mode");
  group->Items().Add("Data");
  group->Items().Add("Raw");
  group->SetColumns(2);
  group->SetItemIndex(0);
  auto* button = Place<TButton>(form, 8, 145, 75, 22);
  button->SetCaption("&Start");
  int clicks = 0;
  button->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
  form->Show();
  view.Show(*form);

  HWND top = view.WindowOf(*form);
  ASSERT_NE(top, nullptr);
  RECT client{};
  GetClientRect(top, &client);
  EXPECT_EQ(client.right, form->ClientWidth());
  EXPECT_EQ(client.bottom, form->ClientHeight());
  EXPECT_EQ(TextOf(top), "Controls");
  HWND editWindow = view.WindowOf(*edit), comboWindow = view.WindowOf(*combo),
       boxWindow = view.WindowOf(*box), buttonWindow = view.WindowOf(*button);
  HWND raw = FindWindowExA(view.WindowOf(*group), nullptr, "Button", "Raw");
  ASSERT_TRUE(editWindow && comboWindow && boxWindow && buttonWindow && raw);
  EXPECT_EQ(TextOf(editWindow), "300000");
  EXPECT_EQ(SendMessageA(comboWindow, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageA(comboWindow, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageA(boxWindow, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(raw, BM_GETCHECK, 0, 0), BST_UNCHECKED);

  // The user's input, and a change by program that must not come back as input.
  SetWindowTextA(editWindow, "1234");
  EXPECT_EQ(edit->Text(), "1234");
  edit->SetText("42");
  EXPECT_EQ(TextOf(editWindow), "42");
  EXPECT_EQ(edits, 2);
  ChooseRow(comboWindow, 2);
  EXPECT_EQ(combo->ItemIndex(), 2);
  SendMessageA(boxWindow, BM_CLICK, 0, 0);
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(SendMessageA(boxWindow, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  SendMessageA(raw, BM_CLICK, 0, 0);
  EXPECT_EQ(group->ItemIndex(), 1);
  EXPECT_EQ(SendMessageA(raw, BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageA(buttonWindow, BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  button->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(buttonWindow));
  delete form;
  app->SetBackend(nullptr);
}

TEST(Win32ViewTest, TheReportKeepsEachLinesColourAndBoldAndStartsAfreshWhenCleared) {
  ScopedApplication app;
  win32::Win32View view;
  ASSERT_TRUE(view.RichEditLoaded());
  app->SetBackend(&view);
  auto* form = new TForm(&*app);
  form->SetBounds(0, 0, 320, 240);
  auto* report = Place<TRichEdit>(form, 0, 0, 300, 180);
  report->SetReadOnly(true);
  report->SetScrollBars(ssVertical);
  form->Show();
  view.Show(*form);
  const struct {
    const char* text;
    TColor colour;
    bool bold;
  } lines[] = {{"StartAddress : 0", clNavy, false},
               {"Set CD Speed", clGreen, false},
               {"Average Measured : 52.00 x", clNavy, true},
               {"Read error", clRed, true}};
  for (const auto& line : lines) {
    report->SelAttributes().Color = line.colour;
    report->SelAttributes().Style = line.bold ? TFontStyles{fsBold} : TFontStyles{};
    report->Lines().Add(line.text);
  }
  HWND window = view.WindowOf(*report);
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(SendMessageA(window, EM_GETLINECOUNT, 0, 0), 4);
  for (int i = 0; i < 4; ++i) {
    const auto start = static_cast<LONG>(SendMessageA(window, EM_LINEINDEX, i, 0));
    const auto length = static_cast<LONG>(SendMessageA(window, EM_LINELENGTH, start, 0));
    EXPECT_EQ(length, static_cast<LONG>(std::string(lines[i].text).size())) << i;
    CHARRANGE range{start, start + length};
    SendMessageA(window, EM_EXSETSEL, 0, reinterpret_cast<::LPARAM>(&range));
    CHARFORMAT2A format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_COLOR | CFM_BOLD;
    SendMessageA(window, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<::LPARAM>(&format));
    EXPECT_EQ(format.crTextColor, static_cast<COLORREF>(lines[i].colour)) << lines[i].text;
    EXPECT_EQ((format.dwEffects & CFE_BOLD) != 0, lines[i].bold) << lines[i].text;
  }
  report->Clear();
  report->Lines().Add("after");
  EXPECT_EQ(SendMessageA(window, EM_GETLINECOUNT, 0, 0), 1);
  EXPECT_EQ(TextOf(window), "after");
  delete form;
  app->SetBackend(nullptr);
}

TEST(Win32ViewTest, TheGraphDrawsItsSeriesOnTheirAxes) {
  TGraphModel model;
  model.Title = "Transfer rate";
  TGraphSeries speed{"speed", clBlue, gaLeft, {}};
  TGraphSeries rpm{"rpm", clRed, gaRight, {}};
  for (int i = 0; i <= 100; ++i) {
    speed.Points.push_back({i * 1.0, 20.0 + i * 0.3});
    rpm.Points.push_back({i * 1.0, 5000.0 - i * 20.0});
  }
  model.Series = {speed, rpm};
  constexpr int kWidth = 480, kHeight = 320;
  BITMAPINFO info = win32::TopDown32(kWidth, kHeight);
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP picture = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(picture, nullptr);
  SelectObject(dc, picture);
  win32::GdiResources gdi;
  win32::PaintGraph(dc, RECT{0, 0, kWidth, kHeight}, model, TFont{}, gdi);
  GdiFlush();
  int blue = 0, red = 0, white = 0;
  const auto* pixel = static_cast<const std::uint32_t*>(bits);
  for (int i = 0; i < kWidth * kHeight; ++i) {
    const std::uint32_t p = pixel[i] & 0xFFFFFF;  // 0x00RRGGBB
    blue += p == 0x0000FF;
    red += p == 0xFF0000;
    white += p == 0xFFFFFF;
  }
  EXPECT_GT(blue, 400);  // two pixels wide, across the plot
  EXPECT_GT(red, 400);
  EXPECT_GT(white, kWidth * kHeight / 2);
  DeleteDC(dc);
  DeleteObject(picture);
}

}  // namespace
