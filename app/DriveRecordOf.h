// The drive a result was measured on, as the result records name it: the inquiry texts,
// the drive letter and the address of its row in the device table.
#pragma once

#include "report/DriveRecord.h"
#include "transport/DeviceEntry.h"

report::DriveRecord DriveRecordOf(const DeviceEntry& device);
