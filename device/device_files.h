// Files and folders on the handheld and on the desktop: the conduit's chunked copies with their
// log lines, the desktop manager's silent one-piece copies, deleting device files and creating
// device and desktop folders. Device paths are UTF-8 with backslashes ("\My Documents\Contact");
// one longer than kMaxDevicePath UTF-16 units is refused without calling the device.
// Never throws.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

#include "device/rapi_library.h"
#include "device/transfer_report.h"

namespace velmora::device {

inline constexpr std::size_t kTransferChunk = 1'000'000;
inline constexpr std::size_t kMaxDevicePath = 259;  // units before the terminator of 260

inline constexpr std::string_view kDeviceFolder = "\\My Documents\\Contact";
inline constexpr std::string_view kTransferFile = "test.pdb";
inline constexpr std::string_view kExportFile = "Contact1.pim";
inline constexpr std::string_view kCategoryFile = "category.css";

// The conduit's copies: at most kTransferChunk bytes per device call. Every failure is logged
// through `report`; the copy goes on past a failed chunk, but the result is true only when
// every device call of the copy succeeded. The desktop copy of CopyFileFromDevice is written
// beside its target and renamed into place only when the copy succeeded.
bool CopyFileToDevice(const RapiLibrary& rapi, const std::filesystem::path& desktop_path,
                      std::string_view device_path, TransferReport& report);
bool CopyFileFromDevice(const RapiLibrary& rapi, std::string_view device_path,
                        const std::filesystem::path& desktop_path, TransferReport& report);

// The desktop manager's copies: the whole file in one device call, nothing reported.
bool CopyFileToDeviceInOnePiece(const RapiLibrary& rapi, const std::filesystem::path& desktop_path,
                                std::string_view device_path);
bool CopyFileFromDeviceInOnePiece(const RapiLibrary& rapi, std::string_view device_path,
                                  const std::filesystem::path& desktop_path);

// True when the device deleted the file / created the folder.
bool DeleteDeviceFile(const RapiLibrary& rapi, std::string_view device_path);
bool CreateDeviceDirectory(const RapiLibrary& rapi, std::string_view device_path);

// True when the folder exists afterwards (created now, or already there).
bool CreateDesktopFolder(const std::filesystem::path& path);

}  // namespace velmora::device
