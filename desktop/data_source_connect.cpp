#include "desktop/data_source_connect.h"

#include "db/connection.h"
#include "desktop/messages.h"

namespace velmora::desktop {
namespace {

bool Attempt(db::Connection& linked, const DataSourceChoice& choice, const Credentials& c,
             std::string* error_text) {
  return linked.Connect(db::kCustomDsnDesktop, choice.db_type, choice.connect_source, c.user,
                        c.password, error_text, true);
}

}  // namespace

std::string_view RefusedFileText() {
  return kUnableToConnectSource;
}

ConnectResult ConnectDataSource(db::Connection& linked, const DataSourceChoice& choice,
                                const AskCredentials& ask, const DesktopErrorLog& log) {
  ConnectResult result;
  if (Attempt(linked, choice, result.credentials, &result.error_text)) {
    result.outcome = ConnectOutcome::kConnected;
    return result;
  }
  log.Append(result.error_text);
  bool login_failure = false;
  std::string report;
  linked.ClassifyFailure(&login_failure, &report);
  log.Append(report);
  if (!login_failure) return result;
  const std::optional<Credentials> entered = ask ? ask() : std::nullopt;
  if (!entered) {
    result.outcome = ConnectOutcome::kCancelled;
    return result;
  }
  result.credentials = *entered;
  result.error_text.clear();
  if (Attempt(linked, choice, result.credentials, &result.error_text)) {
    result.outcome = ConnectOutcome::kConnected;
  }
  return result;
}

}  // namespace velmora::desktop
