// A stateless base of the table-of-contents layer; it holds nothing the system reads.
#pragma once

class DataObjectMngr {
 public:
  DataObjectMngr();
  ~DataObjectMngr();
};
