#include "installer/profile_server.h"

#include "db/connection.h"
#include "profile/profile_database.h"
#include "profile/profile_schema.h"
#include "profile/server_session.h"

namespace velmora::installer {

ProfileServerOutcome UseProfileServer(const std::string& dsn) {
  ProfileServerOutcome outcome;
  db::Connection server(db::Program::kInstaller);
  std::string error;
  if (!profile::ConnectProfileServer(server, dsn, &error)) {
    outcome.message = "the profile data source " + dsn + " cannot be opened: " + error;
    return outcome;
  }
  switch (profile::EnsureProfileSchema(server, true, &error)) {
    case profile::SchemaOutcome::kFailed:
      outcome.message = "the profile tables cannot be made on " + dsn + ": " + error;
      return outcome;
    case profile::SchemaOutcome::kCreated:
      outcome.created = true;
      outcome.message = "the profile tables and sample profiles were made on " + dsn;
      break;
    case profile::SchemaOutcome::kPresent:
      outcome.message = dsn + " holds the profile tables already: they are used as they are";
      break;
  }
  if (!profile::WriteProfileDsn(dsn)) {
    outcome.message = "ProfileDSN cannot be written to the registry";
    return outcome;
  }
  outcome.ok = true;
  return outcome;
}

}  // namespace velmora::installer
