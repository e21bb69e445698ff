#include "app/AspiVCL.h"

#include <algorithm>
#include <cstdio>

#include "toolkit/TComboBox.h"

AspiVCL::AspiVCL() = default;
AspiVCL::~AspiVCL() = default;

std::string AspiVCL::SenseText(const SenseResult& sense) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X/%02X/%02X", sense.SenseKey, sense.ASC, sense.ASCQ);
  return std::string(text).substr(0, 8);
}

std::string AspiVCL::MSFText(const MSF& msf) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", static_cast<unsigned>(msf.M),
                static_cast<unsigned>(msf.S), static_cast<unsigned>(msf.F));
  return text;
}

std::string AspiVCL::HexByteText(BYTE value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value));
  return text;
}

std::string AspiVCL::CommandErrorText(const SenseResult& sense, BYTE status) {
  return SenseText(sense) + "  (Aspi reported : " + HexByteText(status) + ")";
}

std::string AspiVCL::ReadinessText(session::Readiness readiness, const SenseResult& sense,
                                   BYTE status) {
  switch (readiness) {
    case session::Readiness::Ready:
      return {};
    case session::Readiness::NoDisc:
      return session::kNoDiscText;
    case session::Readiness::BecomingReady:
      return session::kBecomingReadyText;
    case session::Readiness::NotResponding:
      return session::kNotRespondingText;
    case session::Readiness::Failed:
      break;
  }
  return CommandErrorText(sense, status);
}

std::string AspiVCL::InquiryText(const DeviceEntry& entry) {
  return JoinFields(entry.InquiryData + 8, 8, 2, entry.InquiryData + 16, 16, 0);
}

std::string AspiVCL::DeviceRowText(const DeviceEntry& entry, RowKind kind) {
  std::string letter = "x: ";
  letter[0] = entry.DriveLetter;
  char adapter[32];
  std::snprintf(adapter, sizeof adapter, "[%d,%d]  ", static_cast<int>(entry.HostAdapter),
                static_cast<int>(entry.Target));
  const std::string kind0 = InquiryText(entry);
  const std::string kind2 = adapter + kind0;
  const auto revision = [&] { return FieldText(entry.InquiryData + 32, 4); };
  switch (kind) {
    case 0:
      return kind0;
    case 1:
      return letter + kind0;
    case 2:
      return kind2;
    case 3:
      return letter + kind2;
    case 4:
      return kind2 + "  " + revision();
    case 6:
      return kind2 + "  (" + FieldText(entry.AdapterId, 16) + ")";
    default:
      return letter + kind2 + "  " + revision();
  }
}

int AspiVCL::ValidRows(const DeviceEntry* table) {
  if (table == nullptr) return 0;
  return std::min<int>(table[0].DeviceCount, kMaxDevices);
}

void AspiVCL::FillDeviceList(toolkit::TComboBox* comboBox, const DeviceEntry* table, RowKind kind) {
  if (comboBox == nullptr) return;
  const int rows = ValidRows(table);
  for (int i = 0; i < rows; ++i) {
    // The list shows a row up to its first zero byte.
    const std::string row = DeviceRowText(table[i], kind);
    comboBox->Items().Add(row.substr(0, row.find('\0')));
  }
}
