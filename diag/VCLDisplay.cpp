#include "diag/VCLDisplay.h"

#include <cstring>
#include <vector>

#include "toolkit/Messages.h"

namespace {

// Adds style code 0..3 to the insertion style (set union).
void AddStyle(toolkit::TRichEdit* control, DWORD code) {
  toolkit::TFontStyles style = control->SelAttributes().Style;
  style.Include(static_cast<toolkit::TFontStyle>(code));
  control->SelAttributes().Style = style;
}

void AppendAndShow(toolkit::TRichEdit* control, const std::string& text) {
  control->Lines().Add(text);
  control->Perform(toolkit::EM_SCROLLCARET, 0, 0);
}

void ResetAttributes(toolkit::TRichEdit* control) {
  control->SelAttributes().Assign(control->DefAttributes());
}

constexpr int kJoinLimit = 1000;

}  // namespace

void VCLDisplay::AddLine(toolkit::TRichEdit* control, const std::string& text) {
  AppendAndShow(control, text);
}

void VCLDisplay::AddColoredLine(toolkit::TRichEdit* control, const std::string& text, DWORD code) {
  if (code >= 4) {
    control->SelAttributes().Color = static_cast<toolkit::TColor>(code);
  } else {
    AddStyle(control, code);
  }
  AppendAndShow(control, text);
  ResetAttributes(control);
}

void VCLDisplay::AddStyledLine(toolkit::TRichEdit* control, const std::string& text, DWORD a,
                               DWORD b) {
  if (a >= 4) {
    const auto low = static_cast<signed char>(b & 0xFF);
    if (low >= 0 && low <= 3) AddStyle(control, static_cast<DWORD>(low));
    control->SelAttributes().Color = static_cast<toolkit::TColor>(a);
  } else {
    AddStyle(control, a);
    control->SelAttributes().Color = static_cast<toolkit::TColor>(b);
  }
  AppendAndShow(control, text);
  ResetAttributes(control);
}

std::string VCLDisplay::FieldText(const void* bytes, int width) {
  if (width <= 0 || bytes == nullptr) return std::string();
  return std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(width));
}

std::string VCLDisplay::JoinFields(const void* first, int firstWidth, int gap, const void* second,
                                   int secondWidth, int trailing) {
  // Summed wide, so that large widths cannot wrap round to a small total.
  const long long total = static_cast<long long>(firstWidth) + gap + secondWidth + trailing;
  if (firstWidth < 0 || gap < 0 || secondWidth < 0 || trailing < 0 || total >= kJoinLimit) {
    return "Error";
  }
  std::vector<char> buffer(kJoinLimit, '\0');
  std::size_t at = 0;
  if (firstWidth > 0) std::memcpy(&buffer[at], first, static_cast<std::size_t>(firstWidth));
  at += static_cast<std::size_t>(firstWidth);
  std::memset(&buffer[at], ' ', static_cast<std::size_t>(gap));
  at += static_cast<std::size_t>(gap);
  if (secondWidth > 0) std::memcpy(&buffer[at], second, static_cast<std::size_t>(secondWidth));
  at += static_cast<std::size_t>(secondWidth);
  std::memset(&buffer[at], ' ', static_cast<std::size_t>(trailing));
  at += static_cast<std::size_t>(trailing);
  buffer[at] = '\0';
  return std::string(buffer.data());
}
