#include "drive/DataObjectMngr.h"

DataObjectMngr::DataObjectMngr() = default;
DataObjectMngr::~DataObjectMngr() = default;
