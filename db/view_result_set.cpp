#include "db/view_result_set.h"

#include "db/odbc_result_set.h"
#include "db/windowed_result_set.h"

namespace velmora::db {

std::unique_ptr<ResultSet> OpenForView(Connection& connection, std::string_view sql,
                                       std::string* error_report, RowCountShare* share) {
  auto windowed = std::make_unique<WindowedResultSet>();
  if (windowed->Open(connection, sql, share)) return windowed;
  // A query or engine that cannot be paged, or a statement the paging form upsets, is read
  // as it stands; its own error report is the one worth showing.
  auto whole = std::make_unique<OdbcResultSet>();
  if (whole->Open(connection, sql)) return whole;
  if (error_report) *error_report = whole->ErrorReport();
  return nullptr;
}

}  // namespace velmora::db
