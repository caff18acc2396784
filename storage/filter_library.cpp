#include "storage/filter_library.h"

namespace {

class Resolver {
public:
    explicit Resolver(const SharedModule& module) : module_(module) {}

    template <typename Entry>
    void operator()(const char* name, Entry* entry) {
        void* symbol = module_.Symbol(name);
        if (symbol == nullptr && missing_.empty()) {
            missing_ = name;
        }
        *entry = reinterpret_cast<Entry>(symbol);
    }

    const std::string& FirstMissing() const { return missing_; }

private:
    const SharedModule& module_;
    std::string missing_;
};

}  // namespace

std::unique_ptr<FilterLibrary> FilterLibrary::Load(const std::string& pathUtf8, std::string* error) {
    std::unique_ptr<SharedModule> module = SharedModule::Load(pathUtf8, error);
    if (!module) {
        return nullptr;
    }
    FilterEntries entries{};
    Resolver resolve(*module);
    resolve("HookVolume", &entries.HookVolume);
    resolve("UnhookVolume", &entries.UnhookVolume);
    resolve("CreateDirectoryW", &entries.CreateDirectoryW);
    resolve("RemoveDirectoryW", &entries.RemoveDirectoryW);
    resolve("GetFileAttributesW", &entries.GetFileAttributesW);
    resolve("SetFileAttributesW", &entries.SetFileAttributesW);
    resolve("DeleteFileW", &entries.DeleteFileW);
    resolve("MoveFileW", &entries.MoveFileW);
    resolve("DeleteAndRenameFileW", &entries.DeleteAndRenameFileW);
    resolve("GetDiskFreeSpaceW", &entries.GetDiskFreeSpaceW);
    resolve("Notify", &entries.Notify);
    resolve("RegisterFileSystemFunction", &entries.RegisterFileSystemFunction);
    resolve("FindFirstFileW", &entries.FindFirstFileW);
    resolve("FindNextFileW", &entries.FindNextFileW);
    resolve("FindClose", &entries.FindClose);
    resolve("CreateFileW", &entries.CreateFileW);
    resolve("ReadFile", &entries.ReadFile);
    resolve("ReadFileWithSeek", &entries.ReadFileWithSeek);
    resolve("WriteFile", &entries.WriteFile);
    resolve("WriteFileWithSeek", &entries.WriteFileWithSeek);
    resolve("SetFilePointer", &entries.SetFilePointer);
    resolve("GetFileSize", &entries.GetFileSize);
    resolve("GetFileInformationByHandle", &entries.GetFileInformationByHandle);
    resolve("FlushFileBuffers", &entries.FlushFileBuffers);
    resolve("GetFileTime", &entries.GetFileTime);
    resolve("SetFileTime", &entries.SetFileTime);
    resolve("SetEndOfFile", &entries.SetEndOfFile);
    resolve("DeviceIoControl", &entries.DeviceIoControl);
    resolve("CloseFile", &entries.CloseFile);
    if (!resolve.FirstMissing().empty()) {
        *error = pathUtf8 + " does not export " + resolve.FirstMissing();
        return nullptr;
    }
    return std::unique_ptr<FilterLibrary>(new FilterLibrary(std::move(module), entries));
}
