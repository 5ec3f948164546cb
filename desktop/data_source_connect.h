// Connecting the wizard's linked database to the data source the user chose (a file or a data
// source name), with one more attempt through the authentication dialog after a login failure,
// logging each failure to the desktop error log. Used by the data-source half of
// CSyncPropertyPage; asks for credentials through a callback, shows no window itself.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "desktop/error_log.h"
#include "desktop/sync_page_rules.h"

namespace velmora::db {
class Connection;
}

namespace velmora::desktop {

struct Credentials {
  std::string user;
  std::string password;
};

// Shows the authentication dialog; nullopt when the user cancelled.
using AskCredentials = std::function<std::optional<Credentials>()>;

enum class ConnectOutcome { kConnected, kFailed, kCancelled };

struct ConnectResult {
  ConnectOutcome outcome = ConnectOutcome::kFailed;
  Credentials credentials;  // those the connection was made with
  std::string error_text;   // the failed-connect report when kFailed
};

// Connects `linked` read-only to `choice` through the temporary data source "QuenlowDSN".
ConnectResult ConnectDataSource(db::Connection& linked, const DataSourceChoice& choice,
                                const AskCredentials& ask, const DesktopErrorLog& log);

// The refusal text of a file whose extension names no database kind.
std::string_view RefusedFileText();

}  // namespace velmora::desktop
