// The display sink: appends plain, coloured and styled lines to the window's report and
// assembles fixed-width byte fields into texts. It keeps no state; every output operation
// receives the report control.
//
// Attribute codes: 4 and above is a colour 0x00BBGGRR; 0 to 3 is a style to add (0 bold,
// 1 italic, 2 underline, 3 strike-out). After a coloured or styled line the insertion
// attributes go back to the control's defaults.
#pragma once

#include <string>

#include "diag/BytesDisplay.h"
#include "diag/Logging.h"
#include "platform/win32.h"
#include "toolkit/TRichEdit.h"

class VCLDisplay : public BytesDisplay, public virtual Logging {
 public:
  // Appends `text` with the current insertion attributes and scrolls it into view.
  void AddLine(toolkit::TRichEdit* control, const std::string& text);
  // code >= 4: colour; else style code added. Attributes reset afterwards.
  void AddColoredLine(toolkit::TRichEdit* control, const std::string& text, DWORD code);
  // a >= 4: colour a, style b when b's low byte (signed) is 0..3; else style a, colour b.
  void AddStyledLine(toolkit::TRichEdit* control, const std::string& text, DWORD a, DWORD b);

  // Exactly `width` bytes of `bytes`, zero bytes included (a negative width gives "").
  std::string FieldText(const void* bytes, int width);
  // firstWidth bytes of `first`, `gap` spaces, secondWidth bytes of `second`, `trailing`
  // spaces, up to the first zero byte; "Error" when the widths add up to 1000 or more or
  // one of them is negative.
  std::string JoinFields(const void* first, int firstWidth, int gap, const void* second,
                         int secondWidth, int trailing);
};
