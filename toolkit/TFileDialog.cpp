#include "toolkit/TFileDialog.h"

#include "toolkit/Application.h"

namespace toolkit {

bool TFileDialog::Execute() {
  TFileDialogRequest request;
  request.save = save_;
  request.title = Title;
  request.filter = Filter;
  request.filterIndex = FilterIndex;
  request.fileName = FileName;
  request.defaultExt = DefaultExt;
  if (!Application->ChooseFile(request)) return false;
  FileName = request.fileName;
  FilterIndex = request.filterIndex;
  return true;
}

}  // namespace toolkit
