// The range entry of the main window: the disc's recorded capacity, the default range at
// the end of the recorded area, the MSF echoes of both fields and the adjust buttons.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/TForm1.h"
#include "app/TocLeadOut.h"
#include "drive/CommandBuffer.h"
#include "scsi/Opcodes.h"
#include "transport/wnaspi32.h"

using namespace toolkit;

namespace {

constexpr WORD kTocBufferSize = 2352;
constexpr int kTocAttempts = 3;
constexpr LONG kDefaultStartDistance = 10002;
constexpr LONG kDefaultAmount = 10000;
constexpr LONG kUnreadBeforeLeadOut = 2;

std::string Decimal(std::int64_t v) {
  return std::to_string(v);
}

}  // namespace

void TForm1::ShowCDCapacity(DeviceEntry& device) {
  alignas(kCommandBufferAlignment) BYTE toc[kTocBufferSize] = {};
  SenseResult sense{};
  BYTE status = 0;
  for (int attempt = 0; attempt < kTocAttempts && status != SS_COMP; ++attempt)
    status = drive_.ReadToc(device, 0, scsi::kLeadOutTrack, 0, toc, kTocBufferSize, &sense);

  std::vector<LONG> leadOuts;
  if (status == SS_COMP) leadOuts = LeadOutAddresses(toc, sizeof toc);
  // A lead-out no CD can have: the reply is as good as unread.
  const bool noCd = !std::all_of(leadOuts.begin(), leadOuts.end(), IsCdLeadOut);
  if (status != SS_COMP || noCd) {
    CDSize->SetCaption("TOC couldn't be read");
  } else {
    CapacityShown = 1;
    for (const LONG capacity : leadOuts) {
      CDSize->SetCaption("CD Recorded Capacity = " + Decimal(capacity) + "    (" +
                         AspiVCL::MSFText(AspiTools::LBAtoMSF(capacity)) + ")");
      RecordedCapacity = capacity;
      const std::int64_t s =
          std::max<std::int64_t>(0, static_cast<std::int64_t>(capacity) - kDefaultStartDistance);
      Edit1->SetText(Decimal(s));
      if (capacity < s + kDefaultAmount) Edit2->SetText(Decimal(capacity - s - 2));
    }
  }
  Edit1Change(Edit1);
  Edit2Change(Edit2);
}

namespace {

// The MSF echo of a field, with negative values replaced by 0. A text that does not
// convert leaves the echo as it stands.
void EchoField(TEdit* edit, TLabel* msf) {
  try {
    const LONG v = StrToInt(edit->Text());
    msf->SetCaption(AspiVCL::MSFText(AspiTools::LBAtoMSF(v)));
    if (StrToInt(edit->Text()) < 0) edit->SetText("0");
  } catch (const EConvertError&) {
  }
}

}  // namespace

void TForm1::Edit1Change(TObject* /*sender*/) {
  EchoField(Edit1, StartAddressMSF);
  UpdateAdjustButtons();
}

void TForm1::Edit2Change(TObject* /*sender*/) {
  EchoField(Edit2, BlocksMSF);
  UpdateAdjustButtons();
}

void TForm1::UpdateAdjustButtons() {
  // Sums are taken in 64 bits: a range past 2^31 is past the capacity, not negative.
  std::int64_t s = StrToInt(Edit1->Text());
  const bool startPast = s > RecordedCapacity;
  StartAdjustButton->SetEnabled(startPast);
  StartAdjustButton->SetVisible(startPast);
  const std::int64_t a = StrToInt(Edit2->Text());
  s = StrToInt(Edit1->Text());
  const bool rangePast = s + a > RecordedCapacity;
  BlockAdjustButton->SetEnabled(rangePast);
  BlockAdjustButton->SetVisible(rangePast);
}

void TForm1::StartAdjustButtonClick(TObject* /*sender*/) {
  const std::int64_t s = static_cast<std::int64_t>(RecordedCapacity) - kDefaultStartDistance;
  Edit1->SetText(s < 0 ? "0" : Decimal(s));
}

void TForm1::BlockAdjustButtonClick(TObject* /*sender*/) {
  const std::int64_t s = StrToInt(Edit1->Text());
  if (s + kDefaultAmount > RecordedCapacity) {
    const std::int64_t a = RecordedCapacity - kUnreadBeforeLeadOut - s;
    Edit2->SetText(a < 0 ? "0" : Decimal(a));
  } else {
    Edit2->SetText(Decimal(kDefaultAmount));
  }
}
