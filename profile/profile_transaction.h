// One transaction on the profile database: automatic commit is switched off while it lives,
// and what was not committed is rolled back when it ends. Used where several statements must
// take effect together or not at all (saving an edited profile with its mapping). Never throws.
#pragma once

namespace velmora::db {
class Connection;
}

namespace velmora::profile {

class ProfileTransaction {
 public:
  explicit ProfileTransaction(db::Connection& connection);
  ~ProfileTransaction();  // rolls back unless committed, then automatic commit again
  ProfileTransaction(const ProfileTransaction&) = delete;
  ProfileTransaction& operator=(const ProfileTransaction&) = delete;

  // False when the driver would not leave automatic commit: the statements then take effect
  // one by one and nothing can be rolled back.
  bool active() const { return active_; }
  bool Commit();
  void Rollback();

 private:
  void End(bool commit);

  db::Connection& connection_;
  bool active_ = false;
  bool ended_ = false;
};

}  // namespace velmora::profile
