#include "db/file_stager.h"

#include <mutex>
#include <utility>

#include "db/filedb_stager.h"

namespace velmora::db {
namespace {

std::mutex& StagerMutex() {
  static std::mutex m;
  return m;
}

std::shared_ptr<FileDatabaseStager>& StagerSlot() {
  static std::shared_ptr<FileDatabaseStager> stager = DefaultFileDatabaseStager();
  return stager;
}

}  // namespace

void SetFileDatabaseStager(std::shared_ptr<FileDatabaseStager> stager) {
  std::lock_guard<std::mutex> lock(StagerMutex());
  StagerSlot() = std::move(stager);
}

std::shared_ptr<FileDatabaseStager> CurrentFileDatabaseStager() {
  std::lock_guard<std::mutex> lock(StagerMutex());
  return StagerSlot();
}

std::shared_ptr<FileDatabaseStager> DefaultFileDatabaseStager() {
  static const std::shared_ptr<FileDatabaseStager> stager = std::make_shared<FiledbStager>();
  return stager;
}

}  // namespace velmora::db
