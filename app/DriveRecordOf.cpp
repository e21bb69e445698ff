#include "app/DriveRecordOf.h"

#include <string>

#include "diag/PrintableText.h"

namespace {

// Bytes `from` to `from + length` of the INQUIRY data, up to a zero byte, trailing blanks
// removed, control characters shown as escapes (the record reaches terminals and files).
std::string InquiryField(const DeviceEntry& d, size_t from, size_t length) {
  std::string s(reinterpret_cast<const char*>(d.InquiryData) + from, length);
  s = s.substr(0, s.find('\0'));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return PrintableText(s);
}

}  // namespace

report::DriveRecord DriveRecordOf(const DeviceEntry& d) {
  report::DriveRecord r;
  r.vendor = InquiryField(d, 8, 8);
  r.product = InquiryField(d, 16, 16);
  r.revision = InquiryField(d, 32, 4);
  if (d.DriveLetter >= 'A' && d.DriveLetter <= 'Z') r.letter = std::string(1, d.DriveLetter) + ":";
  r.device =
      std::to_string(d.HostAdapter) + ":" + std::to_string(d.Target) + ":" + std::to_string(d.Lun);
  return r;
}
