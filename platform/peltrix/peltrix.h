// The exports of libpeltrix.so, the handheld user library: the handheld users (the handheld
// partnerships recorded in the desktop registry) and the installation folder. Loaded with dlopen
// by the desktop manager and the installer, which look the functions up by name. Text is 8-bit
// (UTF-8 here); no function writes more than 260 bytes into a buffer or keeps any state.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Size of every buffer the callers pass, with room for the terminating NUL.
#define PELTRIX_BUFFER_BYTES 260

// The number of handheld users, also stored in *count when count is not null.
unsigned short GetHandheldUserCount(unsigned short* count);

// Nonzero when buffer now holds the NUL-terminated name of user `index` (0-based); 0 when there
// is no such user or buffer is null.
int GetHandheldUserName(unsigned short index, char* buffer);

// Nonzero when buffer now holds the installation folder without a trailing slash; 0 (buffer
// emptied when not null) when the folder is not recorded.
int GetAppPath(char* buffer);

typedef unsigned short (*GetHandheldUserCountFn)(unsigned short*);
typedef int (*GetHandheldUserNameFn)(unsigned short, char*);
typedef int (*GetAppPathFn)(char*);

#ifdef __cplusplus
}
#endif
