// The contract cases on the headless desktop: a fresh desktop for every case, with
// the dialog that tests/contract/dialog.rc defines for the Windows program.
#include "contract/contract.h"
#include "platform/headless/desktop.h"

namespace contract {

const bool kWine = false;

void BeginCase() {
  desktop::Reset();
  desktop::DialogTemplate dialog;
  dialog.title = "Check";
  dialog.items = {
      {kDialogEdit, "EDIT", "", os::WS_CHILD | os::WS_VISIBLE | os::WS_TABSTOP, {8, 8, 248, 30}},
      {os::IDOK, "BUTTON", "OK", os::WS_CHILD | os::WS_VISIBLE | os::WS_TABSTOP, {8, 40, 83, 62}}};
  desktop::DefineDialog(kDialog, dialog);
}

}  // namespace contract
