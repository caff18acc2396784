#include "platform/last_error.h"
#include "storage/error_codes.h"
#include "storage/filtered_volume.h"

std::unique_ptr<FilteredVolume> FilteredVolume::Open(const std::string& rootUtf8, std::string* error) {
    std::unique_ptr<FilteredVolume> volume(new FilteredVolume);
    std::string libraryPath = DefaultFilterLibraryPath();
    std::string reason;
    volume->library_ = FilterLibrary::Load(libraryPath, &reason);
    if (!volume->library_) {
        *error = libraryPath + ": " + reason;
        return nullptr;
    }
    volume->lower_ = HostDirectoryVolume::Open(rootUtf8);
    if (!volume->lower_) {
        *error = rootUtf8 + ": " + ErrorText(GetLastError());
        return nullptr;
    }
    // The disk handle is only carried by the filter; the lower volume stands for it.
    volume->hooked_ = HookedVolume::Hook(volume->Filter(), volume->lower_.get(), volume->lower_->Hooks());
    if (!volume->hooked_) {
        *error = rootUtf8 + ": the filter refused the volume: " + ErrorText(GetLastError());
        return nullptr;
    }
    return volume;
}
