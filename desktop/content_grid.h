// The bottom-right pane `CContentGrid`: for the current profile either its field mapping (read
// from the profile database) or the rows of its linked database under the mapped columns, read
// on demand through the grid; empty while the content is suspended. Also shows the wizard's
// preview rows. Used by CMainFrame; drops its result before the linked database closes.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/result_set.h"
#include "db/windowed_result_set.h"
#include "desktop/grid/grid_view.h"
#include "profile/profile_store.h"

namespace velmora::desktop {

class DesktopSession;
class ResultSetTableModel;

inline constexpr int kMappingColumnWidth = 180;
inline constexpr int kRowsColumnWidth = 125;

// What the pane shows for a profile of `sync_type`.
enum class ContentKind { kEmpty, kMapping, kRows };
ContentKind ContentKindOf(bool suspended, int sync_type);

// The part of a query from its first WHERE, GROUP BY or ORDER BY after the FROM to the end;
// words inside quoted names and literals do not count. Empty when there is none.
std::string QueryTail(std::string_view query);

// A mapped desktop column (stored bare or in double quotes) as the content statement names it:
// "table.column" becomes the two names quoted apart; `bare` (FoxPro and MySQL sources) leaves
// every name unquoted.
std::string ContentColumn(std::string_view column, bool bare);

// "Select " the mapped columns (in mapping order, only names longer than one character) each
// under its device field name, " From " the profile's tables, then the tail of its query.
// Empty when no mapped column qualifies.
std::string ContentStatement(const std::vector<profile::MappedField>& mapping,
                             std::string_view table_name, int connection_type,
                             std::string_view query);

class CContentGrid : public GridView {
  Q_OBJECT

 public:
  explicit CContentGrid(QWidget* parent = nullptr);

  // The pane's update for the session's current profile (run on every refresh of the panes).
  // `current` is the profile pane's record of it, whose query is read in full.
  void InitialUpdate(DesktopSession& session,
                     const std::optional<profile::ProfileRecord>& current = std::nullopt);
  // Rows handed in from outside (the wizard's preview).
  void ShowRows(std::unique_ptr<db::ResultSet> rows);
  void Clear();

  ResultSetTableModel* rows_model() const { return model_; }
  ContentKind shown() const { return shown_; }
  // The statement behind the rows shown; empty when the grid is empty or shows handed-in rows.
  const std::string& statement() const { return statement_; }

 private:
  void ShowMapping(DesktopSession& session, long prof_id);
  void ShowLinkedRows(DesktopSession& session, long prof_id, const std::string& query);
  bool Show(db::Connection& connection, const std::string& sql, int column_width,
            db::RowCountShare* counts = nullptr);

  ResultSetTableModel* model_;
  ContentKind shown_ = ContentKind::kEmpty;
  std::string statement_;
};

}  // namespace velmora::desktop
