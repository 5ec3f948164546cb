// One transaction on a connection: automatic commit is off while the guard lives (where the
// driver can do transactions at all), and what was not committed is rolled back when it goes,
// after which automatic commit is on again. Used wherever several statements must take effect
// together or not at all: a profile saved with its mapping, a table restored from a backup, the
// conduit's delete and inserts. Never throws.
#pragma once

#include <memory>

#include "db/connection.h"

namespace velmora::db {

class Statement;

class Transaction {
 public:
  explicit Transaction(Connection& connection);
  ~Transaction();  // rolls back unless committed, then automatic commit again
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // False when the connection is closed, the driver reports that it cannot do transactions or
  // it would not leave automatic commit: the statements then take effect one by one and
  // nothing can be rolled back.
  bool Active() const { return active_; }

  // Commits and ends the transaction; on failure what was done is rolled back. True without a
  // transaction to commit; false once ended.
  bool Commit();
  void Rollback();

  // A savepoint around each statement, for databases that take no further statement after a
  // failed one until the transaction ends (PostgreSQL): with it a failed statement is undone
  // alone and the others still commit. Call BeginStep before the statement and EndStep after it
  // with its outcome. EndStep is false when the statement failed and could not be undone alone
  // (no savepoint, or the driver ended the transaction itself, as SQLite does on a full disk):
  // every later statement would run outside the transaction, so the caller stops and rolls
  // back. Without a transaction EndStep is true.
  void BeginStep();
  bool EndStep(bool succeeded);

 private:
  class Savepoints;
  void End(bool commit);

  Connection& connection_;
  bool active_ = false;
  bool ended_ = false;
  std::unique_ptr<Savepoints> savepoints_;  // made on the first BeginStep
  bool savepoints_tried_ = false;
  bool step_guarded_ = false;
};

}  // namespace velmora::db
