// The "Config" button's ODBC administrator: the desktop's ODBC manager program when one is
// installed, else a message naming the ODBC configuration files and how to add a data source.
// Used by CSyncPropertyPage. Starts the program without waiting; Qt-free apart from QProcess.
#pragma once

#include <string>

namespace velmora::desktop {

// Starts the first ODBC manager program found on the path; false when there is none.
bool StartOdbcManager();

// "Failed to launch ODBC Administrator, See help!" followed by the configuration files in use
// and the way to add a data source without a manager program.
std::string OdbcManagerFallbackText();

}  // namespace velmora::desktop
