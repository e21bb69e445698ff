#include "drive/TOCSeq.h"

TOCSeq::TOCSeq() = default;
TOCSeq::~TOCSeq() = default;
