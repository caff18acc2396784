#include <cerrno>

#include "storage/error_codes.h"

namespace {

struct ErrorMeaning {
    DWORD error;
    int errnoValue;
    const char* text;
};

const ErrorMeaning kMeanings[] = {
    {ERROR_FILE_NOT_FOUND, ENOENT, "no such file or directory"},
    {ERROR_PATH_NOT_FOUND, ENOENT, "no such directory"},
    {ERROR_NO_MORE_FILES, ENOENT, "no such file or directory"},
    {ERROR_ACCESS_DENIED, EACCES, "access denied (read-only, or outside the volume)"},
    {ERROR_WRITE_PROTECT, EROFS, "the volume is write-protected"},
    {ERROR_INVALID_HANDLE, EBADF, "invalid handle"},
    {ERROR_NOT_ENOUGH_MEMORY, ENOMEM, "not enough memory"},
    {ERROR_SHARING_VIOLATION, EBUSY, "in use by another open"},
    {ERROR_LOCK_VIOLATION, EBUSY, "locked by another open"},
    {ERROR_DISK_FULL, ENOSPC, "the volume is full"},
    {ERROR_HANDLE_DISK_FULL, ENOSPC, "the volume is full"},
    {ERROR_FILE_EXISTS, EEXIST, "already exists"},
    {ERROR_ALREADY_EXISTS, EEXIST, "already exists"},
    {ERROR_INVALID_PARAMETER, EINVAL, "invalid argument"},
    {ERROR_NEGATIVE_SEEK, EINVAL, "invalid file position"},
    {ERROR_INVALID_NAME, EINVAL, "invalid name"},
    {ERROR_BAD_PATHNAME, EINVAL, "invalid name"},
    {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG, "name too long"},
    {ERROR_DIR_NOT_EMPTY, ENOTEMPTY, "directory not empty"},
    {ERROR_DIRECTORY, ENOTDIR, "not a directory"},
    {ERROR_NOT_SUPPORTED, EOPNOTSUPP, "not supported by the volume"},
    {ERROR_FILE_CORRUPT, EIO, "the packed file is damaged"},
    {ERROR_READ_FAULT, EIO, "read error"},
    {ERROR_WRITE_FAULT, EIO, "write error"},
};

const ErrorMeaning* Find(DWORD error) {
    for (const ErrorMeaning& meaning : kMeanings) {
        if (meaning.error == error) {
            return &meaning;
        }
    }
    return nullptr;
}

}  // namespace

int ErrnoForError(DWORD error) {
    const ErrorMeaning* meaning = Find(error);
    return meaning != nullptr ? meaning->errnoValue : EIO;
}

std::string ErrorText(DWORD error) {
    const ErrorMeaning* meaning = Find(error);
    return meaning != nullptr ? meaning->text : "error " + std::to_string(error);
}
