// A transfer report that keeps what the device link told it, for the copy tests.
#pragma once

#include <string>
#include <vector>

#include "device/transfer_report.h"

namespace velmora::testing {

class RecordingReport final : public device::TransferReport {
 public:
  void Log(std::string_view text) override { log.emplace_back(text); }
  void ShowError(std::string_view caption, std::string_view text) override {
    boxes.push_back(std::string(caption) + "|" + std::string(text));
  }
  void SetRunError() override { run_error = true; }

  std::vector<std::string> log;
  std::vector<std::string> boxes;
  bool run_error = false;
};

}  // namespace velmora::testing
