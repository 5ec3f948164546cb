// The hive files in the registry folder: reading a hive for a lookup, and changing one under the
// hive's write lock with an atomic replace. Used by the registry operations only. Never throws;
// problems with a file go to stderr, prefixed "velmora registry: ".
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "platform/registry/hive_format.h"
#include "platform/registry/registry.h"

namespace velmora::registry {

std::filesystem::path HiveFile(Hive hive);

// Writes `message` to stderr with the registry's prefix.
void ReportRegistryProblem(const std::string& message);

// The hive's contents without taking the lock. A missing file is an empty hive; an unreadable or
// damaged one reads as empty, with the reason on stderr.
HiveContents LoadHive(Hive hive);

// Under the hive's exclusive lock: reads the hive, lets `change` alter it and, when `change`
// returns true, writes it back atomically. A change that would make the hive larger than its
// reader accepts is refused, with the reason on stderr, and leaves the file as it was. A damaged
// hive (one over the size limit included) is kept aside and `change` starts from an empty hive; a
// hive that cannot be read at all is never replaced. True only when the change was asked for and
// written.
bool UpdateHive(Hive hive, const std::function<bool(HiveContents&)>& change);

}  // namespace velmora::registry
