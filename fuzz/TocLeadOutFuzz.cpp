// READ TOC replies of any content: the walk stays inside the reply, and a lead-out accepted
// as a CD's gives a capacity text and a default range whose texts are valid integers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/AspiVCL.h"
#include "app/TocLeadOut.h"
#include "drive/AspiTools.h"
#include "toolkit/Convert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exactly sized heap copy, so that a read past the reply is caught.
  BYTE* toc = static_cast<BYTE*>(std::malloc(size == 0 ? 1 : size));
  if (size > 0) std::memcpy(toc, data, size);
  for (const LONG capacity : LeadOutAddresses(toc, size)) {
    if (!IsCdLeadOut(capacity)) continue;
    const MSF msf = AspiTools::LBAtoMSF(capacity);
    if (msf.M > 99 || msf.S > 59 || msf.F > 74) std::abort();
    const std::string caption = "CD Recorded Capacity = " + std::to_string(capacity) + "    (" +
                                AspiVCL::MSFText(msf) + ")";
    if (caption.size() > 64) std::abort();
    // The default range: start 10002 before the lead-out, at most 10000 blocks.
    const long long start = capacity > 10002 ? capacity - 10002LL : 0;
    const long long amount = capacity < start + 10000 ? capacity - start - 2 : 10000;
    toolkit::StrToInt(std::to_string(start));  // throws when it is no valid integer text
    toolkit::StrToInt(std::to_string(amount));
  }
  std::free(toc);
  return 0;
}
