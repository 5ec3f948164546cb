// Owners of the ODBC handles (environment, connection, statement): each frees its handle once,
// on destruction or reset. Used by the db library only; nothing here reports or throws.
#pragma once

#include <sql.h>

namespace velmora::db {

template <SQLSMALLINT kHandleType>
class OdbcHandle {
 public:
  OdbcHandle() = default;
  ~OdbcHandle() { reset(); }
  OdbcHandle(const OdbcHandle&) = delete;
  OdbcHandle& operator=(const OdbcHandle&) = delete;
  OdbcHandle(OdbcHandle&& other) noexcept : handle_(other.release()) {}
  OdbcHandle& operator=(OdbcHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = other.release();
    }
    return *this;
  }

  // Allocates a new handle on `parent`; returns the ODBC result.
  SQLRETURN Allocate(SQLHANDLE parent) {
    reset();
    return SQLAllocHandle(kHandleType, parent, &handle_);
  }
  SQLHANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }
  SQLHANDLE release() {
    SQLHANDLE h = handle_;
    handle_ = SQL_NULL_HANDLE;
    return h;
  }
  void reset() {
    if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(kHandleType, handle_);
    handle_ = SQL_NULL_HANDLE;
  }

 private:
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

using EnvHandle = OdbcHandle<SQL_HANDLE_ENV>;
using DbcHandle = OdbcHandle<SQL_HANDLE_DBC>;
using StmtHandle = OdbcHandle<SQL_HANDLE_STMT>;

inline bool Succeeded(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

}  // namespace velmora::db
