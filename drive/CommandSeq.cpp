#include "drive/CommandSeq.h"

CommandSeq::CommandSeq() = default;
CommandSeq::~CommandSeq() = default;
