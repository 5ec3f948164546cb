#include "conduit/category_sender.h"

#include "device/device_files.h"
#include "transfer/category_list.h"

namespace velmora::conduit {

void SendCategoryList(RunContext& context, const RunPlan& plan) {
  const long key = plan.profile.category_id;
  std::vector<transfer::CategoryRow> rows;
  for (const profile::Category& category : plan.categories) {
    rows.push_back({static_cast<int>(category.id), category.name});
  }
  transfer::CategoryLine line = transfer::ChooseCategoryLine(static_cast<int>(key), rows);
  std::filesystem::path desktop_copy = context.WorkFolder() / "Update" / "category.css";
  // When the desktop copy cannot be written the copy is still tried; its result is logged.
  transfer::WriteCategoryListFile(desktop_copy, line);
  if (device::CopyFileToDevice(context.Rapi(), desktop_copy, kDeviceCategoryPath,
                               context.Report())) {
    context.Log("\r\n\t Category.css Transfered to Device");
  } else {
    context.Log("\r\n\t Problem in Transfer of Category.css to Device");
  }
}

}  // namespace velmora::conduit
