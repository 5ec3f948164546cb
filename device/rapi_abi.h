/* The RAPI C interface as a Linux RAPI library exports it: types, constants, the
 * initialisation record and one function-pointer type per entry point. The device link
 * includes it to call whatever library it loaded; the emulated handheld's library implements it.
 * Declares nothing that needs linking.
 *
 * Text is UTF-16 (WCHAR, 16 bits), DWORD is 32 bits, handles are pointer-sized. Registry roots
 * are the usual HKEY values. Linux has no event objects: the `heRapiInit` handle that
 * CeRapiInitEx fills in carries a file descriptor (intptr_t) that becomes readable once the
 * handheld answers, for poll()/select(). It belongs to the library, which closes it when the
 * last CeRapiUninit balances the last CeRapiInitEx; callers never read from or close it.
 * `cbSize` is sizeof(RAPIINIT) of this layout.
 */
#ifndef VELMORA_PLATFORM_RAPI_EMU_RAPI_ABI_H_
#define VELMORA_PLATFORM_RAPI_EMU_RAPI_ABI_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint16_t WCHAR;
typedef const WCHAR* LPCWSTR;
typedef WCHAR* LPWSTR;
typedef uint32_t DWORD;
typedef DWORD* LPDWORD;
typedef int32_t LONG;
typedef int32_t BOOL;
typedef uint8_t BYTE;
typedef int32_t HRESULT;
typedef void* HANDLE;
typedef struct RapiKey* HKEY;
typedef HKEY* PHKEY;
typedef DWORD REGSAM;

#define RAPI_HKEY_ROOT(value) ((HKEY)(uintptr_t)(value))
#define HKEY_CLASSES_ROOT RAPI_HKEY_ROOT(0x80000000u)
#define HKEY_CURRENT_USER RAPI_HKEY_ROOT(0x80000001u)
#define HKEY_LOCAL_MACHINE RAPI_HKEY_ROOT(0x80000002u)

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFFu)

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define TRUNCATE_EXISTING 5u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_READ 0x20019u
#define KEY_WRITE 0x20006u
#define KEY_ALL_ACCESS 0xF003Fu

#define REG_NONE 0u
#define REG_SZ 1u
#define REG_BINARY 3u
#define REG_DWORD 4u

#define REG_CREATED_NEW_KEY 1u
#define REG_OPENED_EXISTING_KEY 2u

/* Windows error codes that the library reports. */
#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_SHARING_VIOLATION 32
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_PARAMETER 87
#define ERROR_DISK_FULL 112
#define ERROR_INVALID_NAME 123
#define ERROR_ALREADY_EXISTS 183
#define ERROR_FILENAME_EXCED_RANGE 206
#define ERROR_MORE_DATA 234
#define ERROR_DEVICE_NOT_CONNECTED 1167

#define RAPI_S_OK ((HRESULT)0)
#define RAPI_E_FAIL ((HRESULT)0x80004005u)
#define RAPI_E_INVALIDARG ((HRESULT)0x80070057u)
/* HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED): the link to the handheld is down. */
#define RAPI_E_DEVICE_NOT_CONNECTED ((HRESULT)0x8007048Fu)

typedef struct {
  DWORD cbSize;
  HANDLE heRapiInit;
  HRESULT hrRapiInit;
} RAPIINIT;

typedef struct {
  DWORD nLength;
  void* lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;

typedef HRESULT (*CeRapiInitExFn)(RAPIINIT* init);
typedef HRESULT (*CeRapiUninitFn)(void);
typedef HANDLE (*CeCreateFileFn)(LPCWSTR file_name, DWORD desired_access, DWORD share_mode,
                                 LPSECURITY_ATTRIBUTES security, DWORD creation_disposition,
                                 DWORD flags_and_attributes, HANDLE template_file);
typedef BOOL (*CeWriteFileFn)(HANDLE file, const void* buffer, DWORD bytes_to_write,
                              LPDWORD bytes_written, void* overlapped);
typedef BOOL (*CeReadFileFn)(HANDLE file, void* buffer, DWORD bytes_to_read, LPDWORD bytes_read,
                             void* overlapped);
typedef DWORD (*CeGetFileSizeFn)(HANDLE file, LPDWORD file_size_high);
typedef BOOL (*CeCloseHandleFn)(HANDLE object);
typedef DWORD (*CeGetLastErrorFn)(void);
typedef HRESULT (*CeRapiGetErrorFn)(void);
typedef BOOL (*CeDeleteFileFn)(LPCWSTR file_name);
typedef BOOL (*CeCreateDirectoryFn)(LPCWSTR path_name, LPSECURITY_ATTRIBUTES security);
typedef BOOL (*CeCreateProcessFn)(LPCWSTR image_name, LPCWSTR command_line,
                                  LPSECURITY_ATTRIBUTES process_attributes,
                                  LPSECURITY_ATTRIBUTES thread_attributes, BOOL inherit_handles,
                                  DWORD creation_flags, void* environment, LPWSTR current_directory,
                                  void* startup_info, LPPROCESS_INFORMATION process_information);
typedef LONG (*CeRegCreateKeyExFn)(HKEY key, LPCWSTR sub_key, DWORD reserved, LPWSTR key_class,
                                   DWORD options, REGSAM desired, LPSECURITY_ATTRIBUTES security,
                                   PHKEY result, LPDWORD disposition);
typedef LONG (*CeRegOpenKeyExFn)(HKEY key, LPCWSTR sub_key, DWORD options, REGSAM desired,
                                 PHKEY result);
typedef LONG (*CeRegQueryValueExFn)(HKEY key, LPCWSTR value_name, LPDWORD reserved, LPDWORD type,
                                    BYTE* data, LPDWORD data_size);
typedef LONG (*CeRegSetValueExFn)(HKEY key, LPCWSTR value_name, DWORD reserved, DWORD type,
                                  const BYTE* data, DWORD data_size);
typedef LONG (*CeRegCloseKeyFn)(HKEY key);

/* Optional, not every library has it: waits up to `milliseconds` for the process behind a
 * process handle of CeCreateProcess to end. WAIT_OBJECT_0 once it has ended, WAIT_TIMEOUT while
 * it runs, WAIT_FAILED (with CeGetLastError) for a handle that is no process or a link that is
 * down. Lets a caller learn at once that the agent is done instead of at its next poll. */
#define WAIT_OBJECT_0 0u
#define WAIT_TIMEOUT 258u
#define WAIT_FAILED 0xFFFFFFFFu
typedef DWORD (*CeWaitForSingleObjectFn)(HANDLE object, DWORD milliseconds);

#ifdef __cplusplus
}
#endif

#endif /* VELMORA_PLATFORM_RAPI_EMU_RAPI_ABI_H_ */
