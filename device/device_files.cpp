#include "device/device_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/files/atomic_file.h"
#include "platform/files/private_folder.h"

#include "device/device_path_buffer.h"
#include "device/windows_error_text.h"
#include "platform/files/unique_fd.h"

namespace velmora::device {
namespace {

// Reads exactly `size` bytes; false with errno on a failure or an early end.
bool ReadAll(int fd, char* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd, buffer + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The device file handle with CeCloseHandle as its release.
class DeviceFile {
 public:
  DeviceFile(const RapiLibrary& rapi, HANDLE handle) : rapi_(rapi), handle_(handle) {}
  ~DeviceFile() {
    if (const auto close = rapi_.Lookup<CeCloseHandleFn>("CeCloseHandle")) close(handle_);
  }
  DeviceFile(const DeviceFile&) = delete;
  DeviceFile& operator=(const DeviceFile&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  const RapiLibrary& rapi_;
  HANDLE handle_;
};

// CeCreateFile with the flags of every copy; INVALID_HANDLE_VALUE when it fails or the path does
// not fit, in which case `error` holds the device's error code.
HANDLE CreateDeviceFile(const RapiLibrary& rapi, std::string_view device_path, bool for_writing,
                        DWORD* error) {
  *error = ERROR_INVALID_PARAMETER;
  const auto create = rapi.Lookup<CeCreateFileFn>("CeCreateFile");
  if (!create) return INVALID_HANDLE_VALUE;
  const DevicePathBuffer path(device_path);
  if (!path.Fits()) {
    *error = ERROR_FILENAME_EXCED_RANGE;
    return INVALID_HANDLE_VALUE;
  }
  const HANDLE handle =
      create(path.Get(), for_writing ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, nullptr,
             for_writing ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (const auto rapi_error = rapi.Lookup<CeRapiGetErrorFn>("CeRapiGetError")) rapi_error();
    const auto last_error = rapi.Lookup<CeGetLastErrorFn>("CeGetLastError");
    *error = last_error ? last_error() : ERROR_INVALID_PARAMETER;
  }
  return handle;
}

void ReportDeviceFileError(TransferReport& report, const char* what, DWORD error) {
  const std::string text = WindowsErrorText(error);
  report.ShowError("Error", text);
  report.Log(what);
  report.Log(text);
  report.SetRunError();
}

bool WriteChunk(const RapiEntry<CeWriteFileFn>& write, HANDLE handle,
                const std::vector<char>& buffer) {
  DWORD written = 0;
  const auto size = static_cast<DWORD>(buffer.size());
  return write(handle, buffer.data(), size, &written, nullptr) != 0 && written == size;
}

bool ReadChunk(const RapiEntry<CeReadFileFn>& read, HANDLE handle, std::vector<char>& buffer) {
  DWORD got = 0;
  const auto size = static_cast<DWORD>(buffer.size());
  const bool ok = read(handle, buffer.data(), size, &got, nullptr) != 0 && got == size;
  buffer.resize(std::min<std::size_t>(got, buffer.size()));
  return ok;
}

// The file a copy from the device fills beside `target` before it is renamed over it.
files::AtomicFile DesktopFileAside(const std::filesystem::path& target) {
  files::AsideOptions options;
  options.create_mode = files::kPrivateFileMode;  // the device's files hold its contacts
  return files::AtomicFile(target, options);
}

std::string Counted(const char* text, std::size_t count) {
  return std::string(text) + std::to_string(count);
}

}  // namespace

bool CopyFileToDevice(const RapiLibrary& rapi, const std::filesystem::path& desktop_path,
                      std::string_view device_path, TransferReport& report) {
  const auto write = rapi.Lookup<CeWriteFileFn>("CeWriteFile");
  if (!write) return false;
  files::UniqueFd source(::open(desktop_path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (!source.ok() || ::fstat(source.get(), &info) != 0) {
    report.Log("Unable to open the pdb to b copied to device Path = " + desktop_path.string());
    return false;
  }
  DWORD error = 0;
  const HANDLE handle = CreateDeviceFile(rapi, device_path, true, &error);
  if (handle == INVALID_HANDLE_VALUE) {
    ReportDeviceFileError(report, "\r\nCreate file Error", error);
    return false;
  }
  DeviceFile target(rapi, handle);
  auto remaining = static_cast<std::uint64_t>(info.st_size);
  bool every_write_succeeded = true;
  auto copy_piece = [&](std::size_t size, const char* failure_line) {
    std::vector<char> buffer(size);
    if (!ReadAll(source.get(), buffer.data(), size)) {
      report.Log(std::string("Create file on PPC failed Excepation ") + std::strerror(errno));
      report.SetRunError();
      return false;
    }
    if (!WriteChunk(write, handle, buffer)) {
      report.Log(Counted(failure_line, size));
      every_write_succeeded = false;
    }
    return true;
  };
  if (remaining <= kTransferChunk) {
    if (!copy_piece(remaining, "pCeWriteFile3 Bytes to write = ")) return false;
    return every_write_succeeded;
  }
  while (remaining > kTransferChunk) {
    if (!copy_piece(kTransferChunk, "pCeWriteFile1 Bytes to write = ")) return false;
    remaining -= kTransferChunk;
  }
  if (!copy_piece(remaining, "pCeWriteFile2 Bytes to write = ")) return false;
  return every_write_succeeded;
}

bool CopyFileFromDevice(const RapiLibrary& rapi, std::string_view device_path,
                        const std::filesystem::path& desktop_path, TransferReport& report) {
  const auto read = rapi.Lookup<CeReadFileFn>("CeReadFile");
  const auto get_size = rapi.Lookup<CeGetFileSizeFn>("CeGetFileSize");
  const auto last_error = rapi.Lookup<CeGetLastErrorFn>("CeGetLastError");
  if (!read || !get_size || !last_error) return false;
  DWORD error = 0;
  const HANDLE handle = CreateDeviceFile(rapi, device_path, false, &error);
  if (handle == INVALID_HANDLE_VALUE) {
    ReportDeviceFileError(report, "\r\nOpen file Error", error);
    return false;
  }
  DeviceFile source(rapi, handle);
  const DWORD size = get_size(handle, nullptr);
  if (size == INVALID_FILE_SIZE && last_error() != ERROR_SUCCESS) {
    ReportDeviceFileError(report, "\r\nOpen file Error", last_error());
    return false;
  }
  files::AtomicFile target = DesktopFileAside(desktop_path);
  if (!target.ok()) {
    report.Log("Unable to Create the pdb on desktop side,  Path = " + desktop_path.string());
    return false;
  }
  bool every_read_succeeded = true;
  auto copy_piece = [&](std::size_t piece, const char* failure_line) {
    std::vector<char> buffer(piece);
    if (!ReadChunk(read, handle, buffer)) {
      if (failure_line) report.Log(Counted(failure_line, piece));
      every_read_succeeded = false;
    }
    target.Write(std::string_view(buffer.data(), buffer.size()));
    if (!target.Flush()) {
      report.Log(std::string("Open file on PPC failed Excepation ") +
                 std::strerror(target.Error()));
      report.SetRunError();
      return false;
    }
    return true;
  };
  std::uint64_t remaining = size;
  bool copied = true;
  if (remaining <= kTransferChunk) {
    copied = copy_piece(remaining, nullptr);
  } else {
    while (copied && remaining > kTransferChunk) {
      copied = copy_piece(kTransferChunk, "pCeReadFile Bytes to read = ");
      remaining -= kTransferChunk;
    }
    if (copied) copied = copy_piece(remaining, "pCeReadFile2 Bytes to write = ");
  }
  return copied && every_read_succeeded && target.Commit();
}

bool CopyFileToDeviceInOnePiece(const RapiLibrary& rapi, const std::filesystem::path& desktop_path,
                                std::string_view device_path) {
  const auto write = rapi.Lookup<CeWriteFileFn>("CeWriteFile");
  if (!write) return false;
  files::UniqueFd source(::open(desktop_path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (!source.ok() || ::fstat(source.get(), &info) != 0 || info.st_size > 0xFFFFFFFEll) {
    return false;
  }
  std::vector<char> buffer(static_cast<std::size_t>(info.st_size));
  if (!ReadAll(source.get(), buffer.data(), buffer.size())) return false;
  DWORD error = 0;
  const HANDLE handle = CreateDeviceFile(rapi, device_path, true, &error);
  if (handle == INVALID_HANDLE_VALUE) return false;
  DeviceFile target(rapi, handle);
  return WriteChunk(write, handle, buffer);
}

bool CopyFileFromDeviceInOnePiece(const RapiLibrary& rapi, std::string_view device_path,
                                  const std::filesystem::path& desktop_path) {
  const auto read = rapi.Lookup<CeReadFileFn>("CeReadFile");
  const auto get_size = rapi.Lookup<CeGetFileSizeFn>("CeGetFileSize");
  const auto last_error = rapi.Lookup<CeGetLastErrorFn>("CeGetLastError");
  if (!read || !get_size || !last_error) return false;
  DWORD error = 0;
  const HANDLE handle = CreateDeviceFile(rapi, device_path, false, &error);
  if (handle == INVALID_HANDLE_VALUE) return false;
  DeviceFile source(rapi, handle);
  const DWORD size = get_size(handle, nullptr);
  if (size == INVALID_FILE_SIZE && last_error() != ERROR_SUCCESS) return false;
  std::vector<char> buffer(size);
  const bool read_ok = ReadChunk(read, handle, buffer);
  files::AtomicFile target = DesktopFileAside(desktop_path);
  if (!target.ok()) return false;
  target.Write(std::string_view(buffer.data(), buffer.size()));
  return read_ok && target.Commit();
}

bool DeleteDeviceFile(const RapiLibrary& rapi, std::string_view device_path) {
  const auto remove = rapi.Lookup<CeDeleteFileFn>("CeDeleteFile");
  const DevicePathBuffer path(device_path);
  return remove && path.Fits() && remove(path.Get()) != 0;
}

bool CreateDeviceDirectory(const RapiLibrary& rapi, std::string_view device_path) {
  const auto create = rapi.Lookup<CeCreateDirectoryFn>("CeCreateDirectory");
  const DevicePathBuffer path(device_path);
  return create && path.Fits() && create(path.Get(), nullptr) != 0;
}

bool CreateDesktopFolder(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_directory(path.parent_path(), ec)) return false;
  return files::CreatePrivateFolders(path);
}

}  // namespace velmora::device
