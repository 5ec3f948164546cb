// The transfer writers' name for the platform's file written aside and renamed into place
// (platform/files/atomic_file.h): a failed or killed run leaves the old file as it was.
// Used by the PDB, PIM, category and backup writers and by the conduit's CSV export.
#pragma once

#include "platform/files/atomic_file.h"

namespace velmora::transfer {

using files::AtomicFile;
using files::WriteFileAtomically;

}  // namespace velmora::transfer
