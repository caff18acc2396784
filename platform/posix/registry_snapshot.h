// The registry file as the readers see it: parsed once, and read and parsed
// again only when the kernel reports a change to it or to its directory.
//
// The change notices (inotify) are queued by the very call that changes the
// file, before that call returns to its writer, so a read that finds no
// notice finds the file as every finished write left it: nothing stale is
// served. Where notices cannot be trusted (a network or FUSE file system, a
// process without inotify) every read goes to the file.
#pragma once

#include <memory>
#include <string>

#include "platform/posix/registry_format.h"

// The file's text parsed, or the error of reading it (a missing file is
// ERROR_FILE_NOT_FOUND).
LONG CurrentRegistry(const std::string& path, std::shared_ptr<const RegistryFile>* registry);

// Reads and parses the file afresh; *mode, when asked for, gets its permissions.
LONG LoadRegistry(const std::string& path, RegistryFile* registry, mode_t* mode = nullptr);
