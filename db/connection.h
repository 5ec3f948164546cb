// A connection to one database over ODBC: its environment and connection handles, the
// temporary data source it made for a file database, and the last driver return code.
// Used by the desktop manager, the conduit and the installer for the profile database and the
// user's custom database. Never throws; failures come back as false plus a report text.
#pragma once

#include <sql.h>

#include <memory>
#include <string>
#include <string_view>

#include "db/file_stager.h"
#include "db/odbc_handles.h"

namespace velmora::db {

// What a connection finds out and writes at connect; the caller fills it in. The presets are
// the options each program connects with (the installer connects as the desktop manager does).
struct ConnectionOptions {
  // Find the kind of database (DatabaseKind) at connect, and have a MySQL data source report
  // full column names.
  bool find_database_kind = true;
  // Find whether a data source is a FoxPro source (IsFoxPro).
  bool find_foxpro = false;
  // The attribute text (DataSourceText) of a dBase or CSV source names its folder (DEFAULTDIR,
  // see SetDefaultFolder), and every attribute text ends with ";".
  bool folder_attribute_text = false;

  static const ConnectionOptions kDesktopManager;
  static const ConnectionOptions kConduit;
  static const ConnectionOptions kInstaller;

  friend bool operator==(const ConnectionOptions&, const ConnectionOptions&) = default;
};

inline constexpr ConnectionOptions ConnectionOptions::kDesktopManager{};
inline constexpr ConnectionOptions ConnectionOptions::kConduit{false, true, true};
inline constexpr ConnectionOptions ConnectionOptions::kInstaller{};

// The presets by the name of the program that connects.
using Program = ConnectionOptions;

// Database types of a profile's data source.
inline constexpr int kDatabaseDsn = 0;
inline constexpr int kDatabaseAccess = 1;
inline constexpr int kDatabaseExcel = 2;
inline constexpr int kDatabaseDbase = 3;
inline constexpr int kDatabaseCsv = 4;
inline constexpr int kDatabaseNone = 20;

// Kinds of database behind a connection, stored as a profile's `connectionType`.
inline constexpr int kKindOther = 0;
inline constexpr int kKindExcel = 1;
inline constexpr int kKindFoxPro = 2;
inline constexpr int kKindMySql = 3;
inline constexpr int kKindText = 4;

// Temporary data source names.
inline constexpr std::string_view kProfileDsnDesktop = "TempQuenlowDSN";
inline constexpr std::string_view kProfileDsnConduit = "TempOrvendelDSN";
inline constexpr std::string_view kCustomDsnDesktop = "QuenlowDSN";
inline constexpr std::string_view kCustomDsnConduit = "MardelSyncDSN";

// Password of the profile database.
inline constexpr std::string_view kProfileDatabasePassword = "QRT482";

// Driver name of a file database type (1 to 4); empty for any other type.
std::string_view FileDriverName(int database_type);

class Connection {
 public:
  explicit Connection(const ConnectionOptions& options = ConnectionOptions::kDesktopManager);
  ~Connection();  // disconnects when connected
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // `source` is a data source name for type 0 and a file or folder path for types 1 to 4.
  // Connecting while connected disconnects first. On failure `error_text` (when given) gets
  // the failed-connect report.
  //
  // Sources of the file types: Access and Excel name the file; dBase and CSV name the folder
  // of files, given as the folder ("/data", "/data/") or as any file in it ("/data/a.dbf", as
  // the conduit's DBPath + DBDSN makes it). Each .dbf file is a table named after the file
  // without its extension ("contacts"), each .csv file a table named by its file name
  // ("contacts.csv"), each worksheet a table named as "Sheet1$". Excel and CSV are read-only
  // whatever `read_only` says: a write statement fails with a message that names the file.
  bool Connect(std::string_view temp_dsn, int database_type, std::string_view source,
               std::string_view user, std::string_view password, std::string* error_text,
               bool read_only);

  // Ends the connection. For a dBase connection opened read-write this is when the changed
  // tables are written back to their .dbf files; false when that failed (a file another
  // program changed since the connect is never overwritten), with `error` (may be null) set
  // to one line per file "[Velmora] <file>: <problem>". The connection is closed either way.
  // A caller that wrote to the database must end it with Close and treat false as a failed
  // run; the conduit logs `error` and marks the profile's run as failed:
  //   std::string error;
  //   if (!custom_db.Close(&error)) { /* run failed: log error */ }
  // Disconnect, Connect on a connected object and the destructor drop that outcome.
  bool Close(std::string* error);
  void Disconnect() { Close(nullptr); }

  bool IsConnected() const { return connected_; }
  int DatabaseType() const { return database_type_; }
  short LastReturnCode() const { return last_return_code_; }
  SQLHDBC Handle() const { return dbc_.get(); }
  const ConnectionOptions& Options() const { return options_; }

  // The attribute text of the temporary data source, or the name of the data source in use.
  const std::string& DataSourceText() const { return data_source_text_; }
  // The temporary data source this object registered and still owns; empty when none.
  const std::string& TemporaryDsn() const { return temp_dsn_; }

  // The folder of dBase and CSV files (with folder_attribute_text); kept in upper case. It only
  // feeds the DEFAULTDIR attribute of DataSourceText(): on a case-sensitive file system the
  // upper-cased text names another folder, so the files are always found through Connect's
  // `source`.
  void SetDefaultFolder(std::string_view folder);
  const std::string& DefaultFolder() const { return default_folder_; }

  // Whether the driver streams forward-only results (StreamedReadAttributes) on the next
  // connect: for a program whose big reads walk a result once from the start.
  void SetStreamedReads(bool streamed) { streamed_reads_ = streamed; }

  // The data source in use is a FoxPro source (with find_foxpro). Cleared at every connect.
  bool IsFoxPro() const { return foxpro_; }
  // The kind of database found by the last connect (kKind...; with find_database_kind).
  int DatabaseKind() const { return database_kind_; }

  // First diagnostic record of the connection handle: login failure or not, and the report
  // "SQLSTATE:… Native Error Code:… Driver Message:=' … '".
  void ClassifyFailure(bool* login_failure, std::string* report) const;

 private:
  bool ConnectDsn(std::string_view dsn, std::string_view user, std::string_view password);
  bool ConnectFile(std::string_view temp_dsn, int database_type, std::string_view source,
                   std::string_view user, std::string_view password, std::string* refusal);
  bool FinishConnect(std::string_view dsn, std::string_view user, std::string_view password,
                     std::string_view driver = {});
  void FindDesktopKind(int database_type, std::string_view source);

  ConnectionOptions options_;
  short last_return_code_ = 0;
  EnvHandle env_;
  DbcHandle dbc_;
  bool connected_ = false;
  int database_type_ = 0;
  std::string data_source_text_;
  std::string temp_dsn_;
  std::string default_folder_;
  bool foxpro_ = false;
  int database_kind_ = kKindOther;
  // Set while a staged file database is open, so that disconnect can hand it back.
  std::shared_ptr<FileDatabaseStager> stager_;
  std::string staged_source_;
  std::string staged_path_;
  bool read_only_ = false;
  bool streamed_reads_ = false;
  // A refusal found before the driver was reached (file of the wrong format, missing file).
  std::string refusal_;
};

}  // namespace velmora::db
