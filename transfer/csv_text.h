// RFC 4180 CSV lines for the inspector: fields quoted when they hold a comma, a double quote,
// a carriage return or a line feed (quotes doubled inside), lines ended by CR LF.
#pragma once

#include <string>
#include <vector>

namespace velmora::transfer {

std::string CsvField(const std::string& value);
std::string CsvLine(const std::vector<std::string>& fields);

}  // namespace velmora::transfer
