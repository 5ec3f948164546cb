#include "conduit/category_sender.h"

#include <optional>

#include "db/odbc_result_set.h"
#include "device/device_files.h"
#include "profile/profile_store.h"
#include "profile/statements.h"
#include "transfer/category_list.h"

namespace velmora::conduit {
namespace {

// The profile's category key; the read is tried a second time on a fresh statement.
std::optional<long> ReadCategoryKey(db::Connection& profile_db, long prof_id) {
  const std::string sql = profile::sql::SelectCategoryId(prof_id);
  for (int attempt = 0; attempt < 2; ++attempt) {
    db::OdbcResultSet rows;
    if (!rows.Open(profile_db, sql)) continue;
    if (rows.RowCount() < 1 || !rows.MoveToRow(0)) return 0;
    db::Value value = rows.GetValue(0);
    if (const auto* number = std::get_if<std::int64_t>(&value)) return static_cast<long>(*number);
    if (const auto* real = std::get_if<double>(&value)) return static_cast<long>(*real);
    return 0;
  }
  return std::nullopt;
}

}  // namespace

void SendCategoryList(RunContext& context, long prof_id) {
  std::optional<long> key = ReadCategoryKey(context.ProfileDb(), prof_id);
  if (!key) return;
  std::vector<transfer::CategoryRow> rows;
  if (*key >= 1) {
    profile::ProfileStore store(context.ProfileDb());
    for (const profile::Category& category : store.Categories()) {
      rows.push_back({static_cast<int>(category.id), category.name});
    }
  }
  transfer::CategoryLine line = transfer::ChooseCategoryLine(static_cast<int>(*key), rows);
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
