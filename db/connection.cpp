#include "db/connection.h"

#include <sqlext.h>

#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include "db/data_sources.h"
#include "db/diagnostics.h"
#include "db/driver_text.h"
#include "db/file_format.h"
#include "db/file_stager.h"
#include "db/wide.h"
#include "platform/text/utf.h"

namespace velmora::db {
namespace {

// The driver that serves every file database on this platform, as odbcinst.ini registers it.
constexpr std::string_view kSqliteDriver = "SQLite3";
// Milliseconds an SQLite connection waits for another program's write to finish.
constexpr std::string_view kSqliteBusyTimeout = "10000";
constexpr SQLULEN kLoginTimeoutSeconds = 5;

bool Contains(std::string_view haystack, std::string_view needle) {
  return haystack.find(needle) != std::string_view::npos;
}

// MariaDB's driver serves MySQL servers and wants the same bare identifiers.
bool IsMySqlDriver(std::string_view description) {
  return Contains(description, "MySQL") || Contains(description, "MariaDB");
}

std::string AttributeText(const ConnectionOptions& options, int database_type, std::string_view dsn,
                          std::string_view source, std::string_view user, std::string_view password,
                          std::string_view default_folder) {
  auto join = [](std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view p : parts) out += p;
    return out;
  };
  if (options.folder_attribute_text &&
      (database_type == kDatabaseDbase || database_type == kDatabaseCsv)) {
    return join({"DSN=", dsn, ";UID=", user, ";PWD=", password, ";DEFAULTDIR=", default_folder,
                 ";PAGETIMEOUT=600;DELETED=1;"});
  }
  return join({"DSN=", dsn, ";DBQ=", source, ";UID=", user, ";PWD=", password,
               options.folder_attribute_text ? ";" : ""});
}

std::string RefusalMessage(int database_type, const std::string& source) {
  std::string found = DescribeFileFormat(source);
  if (found == "file not found") return "[Velmora] " + source + ": file not found";
  if (database_type == kDatabaseAccess) {
    return "[Velmora] " + source + " is not an SQLite database (found " + found + ")";
  }
  return "[Velmora] no driver for " + std::string(FileDriverName(database_type)) + " on " + source +
         " (found " + found + ")";
}

DiagRecord RefusalRecord(const std::string& message) {
  return {"HY000", 0, message};
}

// What reaches the driver manager as a data source name or an attribute value can carry no text
// that it would read as a further attribute (a driver extension to load, another database).
bool SafeToRegister(std::string_view temp_dsn, int database_type, std::string_view source) {
  if (database_type == kDatabaseDsn) return IsSafeDataSourceName(source);
  return IsSafeDataSourceName(temp_dsn) && IsSafeAttributeValue(source);
}

// A connection string value as it stands, or between braces (a closing brace inside doubled)
// when it holds what would end it or start an attribute of its own. Some drivers take a braced
// value only where it is needed.
std::string ConnectValue(std::string_view value) {
  if (value.find_first_of(";{}=") == std::string_view::npos &&
      (value.empty() || (value.front() != ' ' && value.back() != ' '))) {
    return std::string(value);
  }
  std::string out = "{";
  for (const char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

// The connection string of data source `dsn` (a safe name) with `attributes` added; the
// user name and password only when given, so that those of the data source hold otherwise.
std::string StreamedConnectText(
    std::string_view dsn, std::string_view user, std::string_view password,
    const std::vector<std::pair<std::string, std::string>>& attributes) {
  std::string text = "DSN=" + std::string(dsn) + ";";
  if (!user.empty()) text += "UID=" + ConnectValue(user) + ";";
  if (!password.empty()) text += "PWD=" + ConnectValue(password) + ";";
  for (const auto& [key, value] : attributes) text += key + "=" + value + ";";
  return text;
}

}  // namespace

std::string_view FileDriverName(int database_type) {
  switch (database_type) {
    case kDatabaseAccess:
      return "Microsoft Access Driver (*.mdb)";
    case kDatabaseExcel:
      return "Microsoft Excel Driver (*.xls)";
    case kDatabaseDbase:
      return "Microsoft dBase Driver (*.dbf)";
    case kDatabaseCsv:
      return "Microsoft Text Driver (*.txt; *.csv)";
    default:
      return {};
  }
}

Connection::Connection(const ConnectionOptions& options) : options_(options) {
  last_return_code_ = env_.Allocate(SQL_NULL_HANDLE);
  if (!Succeeded(last_return_code_)) return;
  last_return_code_ = SQLSetEnvAttr(env_.get(), SQL_ATTR_ODBC_VERSION,
                                    reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  last_return_code_ = dbc_.Allocate(env_.get());
  if (!Succeeded(last_return_code_)) return;
  last_return_code_ = SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_LOGIN_TIMEOUT,
                                         reinterpret_cast<SQLPOINTER>(kLoginTimeoutSeconds), 0);
}

Connection::~Connection() {
  if (connected_) Disconnect();
  dbc_.reset();
  env_.reset();
}

void Connection::SetDefaultFolder(std::string_view folder) {
  default_folder_ = text::AsciiUpper(folder);
}

void Connection::FindDesktopKind(int database_type, std::string_view source) {
  database_kind_ = kKindOther;
  if (database_type == kDatabaseExcel) database_kind_ = kKindExcel;
  std::optional<std::string> description = DriverDescriptionOf(source);
  if (description && Contains(*description, "FoxPro")) database_kind_ = kKindFoxPro;
  if ((description && Contains(*description, "Text")) || database_type == kDatabaseCsv) {
    database_kind_ = kKindText;
  }
}

bool Connection::Connect(std::string_view temp_dsn, int database_type, std::string_view source,
                         std::string_view user, std::string_view password, std::string* error_text,
                         bool read_only) {
  foxpro_ = false;
  if (options_.find_database_kind) FindDesktopKind(database_type, source);
  if (connected_) Disconnect();
  refusal_.clear();
  read_only_ = read_only;
  if (!dbc_) {
    if (error_text != nullptr) *error_text = ConnectFailureReport(DiagRecord{});
    return false;
  }
  if (!SafeToRegister(temp_dsn, database_type, source)) {
    refusal_ =
        "[Velmora] a line break, NUL or attribute separator in the data source name or "
        "path is refused";
    last_return_code_ = SQL_ERROR;
    if (error_text != nullptr) *error_text = ConnectFailureReport(RefusalRecord(refusal_));
    return false;
  }
  last_return_code_ = SQLSetConnectAttrW(
      dbc_.get(), SQL_ATTR_ACCESS_MODE,
      reinterpret_cast<SQLPOINTER>(read_only ? SQL_MODE_READ_ONLY : SQL_MODE_READ_WRITE), 0);

  bool ok = database_type == kDatabaseDsn
                ? ConnectDsn(source, user, password)
                : ConnectFile(temp_dsn, database_type, source, user, password, &refusal_);
  if (ok) {
    database_type_ = database_type;
    connected_ = true;
    return true;
  }
  connected_ = false;
  if (error_text != nullptr) {
    *error_text = refusal_.empty()
                      ? ConnectFailureReport(FirstDiagRecord(SQL_HANDLE_DBC, dbc_.get()))
                      : ConnectFailureReport(RefusalRecord(refusal_));
  }
  return false;
}

bool Connection::ConnectDsn(std::string_view dsn, std::string_view user,
                            std::string_view password) {
  std::optional<std::string> description = DriverDescriptionOf(dsn);
  if (options_.find_foxpro) foxpro_ = description && Contains(*description, "FoxPro");
  if (options_.find_database_kind && description && IsMySqlDriver(*description)) {
    // Full column names. The caller's user name and password reach the driver through the
    // connect call only: the data source file is readable by others and would keep them in clear.
    UpdateDataSource(dsn, {{"Option", "1024"}});
    database_kind_ = kKindMySql;
  }
  data_source_text_ = std::string(dsn);
  return FinishConnect(dsn, user, password, description.value_or(""));
}

bool Connection::ConnectFile(std::string_view temp_dsn, int database_type, std::string_view source,
                             std::string_view user, std::string_view password,
                             std::string* refusal) {
  const std::string source_s(source);
  std::string path = source_s;
  std::shared_ptr<FileDatabaseStager> stager;
  if (database_type < kDatabaseAccess || database_type > kDatabaseCsv) {
    *refusal = "[Velmora] unknown database type " + std::to_string(database_type);
    last_return_code_ = SQL_ERROR;
    return false;
  }
  if (database_type != kDatabaseAccess || !IsSqliteFile(source_s)) {
    stager = CurrentFileDatabaseStager();
    std::string reason;
    std::optional<std::string> staged =
        stager ? stager->Stage(database_type, source_s, read_only_, &reason) : std::nullopt;
    if (!staged) {
      *refusal = reason.empty() ? RefusalMessage(database_type, source_s) : reason;
      last_return_code_ = SQL_ERROR;
      return false;
    }
    path = *staged;
  }
  data_source_text_ =
      AttributeText(options_, database_type, temp_dsn, source, user, password, default_folder_);
  // The password reaches the driver through the connect call only, so it never rests in the
  // user's data source file.
  std::vector<std::pair<std::string, std::string>> attributes = {
      {"Database", path}, {"Timeout", std::string(kSqliteBusyTimeout)}};
  if (streamed_reads_) {
    for (auto& attribute : StreamedReadAttributes(kSqliteDriver)) attributes.push_back(attribute);
  }
  if (!WriteDataSource(temp_dsn, kSqliteDriver, attributes)) {
    *refusal = "[Velmora] could not register the data source " + std::string(temp_dsn);
    last_return_code_ = SQL_ERROR;
    if (stager) stager->Release(database_type, source_s, path, true, nullptr);
    return false;
  }
  if (!FinishConnect(temp_dsn, user, password)) {
    // Nothing can have been changed through a connection that never opened.
    if (stager) stager->Release(database_type, source_s, path, true, nullptr);
    return false;
  }
  temp_dsn_ = std::string(temp_dsn);
  if (stager) {
    stager_ = std::move(stager);
    staged_source_ = source_s;
    staged_path_ = path;
  }
  return true;
}

bool Connection::FinishConnect(std::string_view dsn, std::string_view user,
                               std::string_view password, std::string_view driver) {
  SqlWString w_dsn = ToSqlWide(dsn);
  SqlWString w_user = ToSqlWide(user);
  SqlWString w_password = ToSqlWide(password);
  DataSourceFileLock file_lock(false);
  const auto streamed =
      streamed_reads_ ? StreamedReadAttributes(driver) : decltype(StreamedReadAttributes(driver)){};
  if (!streamed.empty()) {
    // The user's own data source is left as it is: the attributes go with this connect only.
    SqlWString w_text = ToSqlWide(StreamedConnectText(dsn, user, password, streamed));
    last_return_code_ = SQLDriverConnectW(dbc_.get(), nullptr, Mutable(w_text), SQL_NTS, nullptr, 0,
                                          nullptr, SQL_DRIVER_NOPROMPT);
  } else {
    last_return_code_ = SQLConnectW(dbc_.get(), Mutable(w_dsn), SQL_NTS, Mutable(w_user), SQL_NTS,
                                    Mutable(w_password), SQL_NTS);
  }
  if (!Succeeded(last_return_code_)) return false;
  NoteDriverOf(dbc_.get(), dsn);
  return true;
}

bool Connection::Close(std::string* error) {
  if (dbc_) {
    last_return_code_ = SQLDisconnect(dbc_.get());
    ForgetDriverOf(dbc_.get());
  }
  if (connected_ && database_type_ != kDatabaseDsn && !temp_dsn_.empty()) {
    RemoveDataSource(temp_dsn_);
  }
  bool released = true;
  if (connected_ && stager_) {
    released = stager_->Release(database_type_, staged_source_, staged_path_, read_only_, error);
  }
  stager_.reset();
  temp_dsn_.clear();
  staged_source_.clear();
  staged_path_.clear();
  connected_ = false;
  return released;
}

void Connection::ClassifyFailure(bool* login_failure, std::string* report) const {
  if (!refusal_.empty()) {
    DiagRecord record = RefusalRecord(refusal_);
    if (login_failure != nullptr) *login_failure = IsLoginFailure(record);
    if (report != nullptr) *report = PlainReport(record);
    return;
  }
  db::ClassifyFailure(SQL_HANDLE_DBC, dbc_.get(), login_failure, report);
}

}  // namespace velmora::db
