// `installer --profile-dsn NAME`: this desktop's profile database becomes the server data source
// NAME (ProfileDSN beside AppPath). An empty server database gets the profile tables and the
// shipped rows, once however many installers do it at the same moment. The data source's
// password stays in the ODBC configuration.
#pragma once

#include <string>

namespace velmora::installer {

struct ProfileServerOutcome {
  bool ok = false;
  bool created = false;  // this installer made the tables (and so owns the sample profiles)
  std::string message;
};

ProfileServerOutcome UseProfileServer(const std::string& dsn);

}  // namespace velmora::installer
