// The result set for a view that moves about a query's rows at will (the content pane, the
// wizard's preview, the profile's row count): a window of rows where the engine pages the
// query, else the driver's whole scrollable result. Readers that walk a result once from the
// start have no need of it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "db/connection.h"
#include "db/result_set.h"
#include "db/windowed_result_set.h"

namespace velmora::db {

// The open result of `sql`; nullptr when the driver refuses it, with `error_report` (when
// given) set to the statement error report. With `share`, two views of the same rows opened
// one after the other count them once (see RowCountShare).
std::unique_ptr<ResultSet> OpenForView(Connection& connection, std::string_view sql,
                                       std::string* error_report, RowCountShare* share = nullptr);

}  // namespace velmora::db
