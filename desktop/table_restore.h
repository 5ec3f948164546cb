// Putting a table backup (a contact PDB file the conduit wrote from the profile's query) back
// into the profile's table on the linked database. Used by the Backup Restore dialog; Qt-free.
// The delete and every insert are one transaction: a row the database refuses rolls the whole
// restore back, so the table is either the backup or what it was before, never half of each.
#pragma once

#include <string>
#include <string_view>

#include "db/connection.h"
#include "transfer/pdb_reader.h"

namespace velmora::desktop {

struct TableRestoreResult {
  bool restored = false;
  long rows = 0;           // records in the backup
  long refused = 0;        // rows the database refused
  long first_refused = 0;  // counting from 1; 0 when none
  // The database would take nothing after the first refusal (the transaction is aborted), so
  // `refused` counts only the rows tried.
  bool stopped = false;
  std::string reason;  // the driver's report of the first failure
};

// The table name comes from `query` (the text after FROM up to WHERE, without double quotes);
// it is used bare for a MySQL source and in double quotes otherwise. The backup's columns go
// into the table's first columns in order.
TableRestoreResult RestoreTableBackup(db::Connection& connection, const transfer::PdbReader& backup,
                                      std::string_view query);

// The message that tells the user what happened; empty for a complete restore.
std::string TableRestoreMessage(const TableRestoreResult& result);

}  // namespace velmora::desktop
