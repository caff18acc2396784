#include "lower/memory/file_tree.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "lower/memory/volume_names.h"

namespace {

// The attribute bits a FAT directory entry keeps for a file.
constexpr DWORD kFileAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr ULONGLONG kMaxFileSize = 0xFFFFFFFFu;
// 2024-01-01 00:00 UTC as a FILETIME.
constexpr ULONGLONG kClockStart = 133485408000000000ull;
constexpr DWORD kVolumeSerial = 0x4D524D56u;

FILETIME ToFileTime(ULONGLONG value) {
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

bool ReadOnly(const Node& node) { return (node.attributes & FILE_ATTRIBUTE_READONLY) != 0; }

bool AnyOpen(const Node& node) {
    if (node.handles != 0) {
        return true;
    }
    for (const auto& [key, child] : node.children) {
        if (AnyOpen(*child)) {
            return true;
        }
    }
    return false;
}

WIN32_FIND_DATAW FindData(const Node& node) {
    WIN32_FIND_DATAW data{};
    data.dwFileAttributes = node.attributes;
    data.ftCreationTime = node.creation;
    data.ftLastAccessTime = node.lastAccess;
    data.ftLastWriteTime = node.lastWrite;
    data.nFileSizeLow = static_cast<DWORD>(node.content.size());
    size_t units = std::min(node.name.size(), static_cast<size_t>(MAX_PATH - 1));
    std::copy(node.name.begin(), node.name.begin() + units, data.cFileName);
    return data;
}

}  // namespace

FileTree::FileTree(const VolumeGeometry& geometry)
    : geometry_(geometry),
      clusterBytes_(std::max<ULONGLONG>(1, static_cast<ULONGLONG>(geometry.sectorsPerCluster) *
                                               geometry.bytesPerSector)),
      clock_(kClockStart),
      root_(std::make_unique<Node>()) {
    root_->directory = true;
    root_->attributes = FILE_ATTRIBUTE_DIRECTORY;
    root_->creation = root_->lastAccess = root_->lastWrite = Tick();
}

FILETIME FileTree::Tick() { return ToFileTime(++clock_); }

ULONGLONG FileTree::Clusters(ULONGLONG size) const { return (size + clusterBytes_ - 1) / clusterBytes_; }

DWORD FileTree::Resize(Node* node, ULONGLONG size) {
    if (size > kMaxFileSize) {
        return ERROR_DISK_FULL;
    }
    ULONGLONG before = Clusters(node->content.size());
    ULONGLONG after = Clusters(size);
    ULONGLONG freeClusters = geometry_.totalClusters > usedClusters_ ? geometry_.totalClusters - usedClusters_ : 0;
    if (after > before && after - before > freeClusters) {
        return ERROR_DISK_FULL;
    }
    node->content.resize(static_cast<size_t>(size));
    usedClusters_ = usedClusters_ - before + after;
    return 0;
}

DWORD FileTree::Locate(const WCHAR* name, bool pattern, Place* place) const {
    std::vector<WString> components;
    if (DWORD error = SplitPath(name, pattern, &components)) {
        return error;
    }
    *place = Place{};
    Node* directory = root_.get();
    for (size_t i = 0; i < components.size(); ++i) {
        place->folded.push_back(FoldName(components[i]));
        if (i + 1 == components.size()) {
            break;
        }
        auto child = directory->children.find(place->folded.back());
        if (child == directory->children.end() || !child->second->directory) {
            return ERROR_PATH_NOT_FOUND;
        }
        directory = child->second.get();
    }
    if (components.empty()) {
        place->node = root_.get();
        return 0;
    }
    place->parent = directory;
    place->leaf = components.back();
    auto entry = directory->children.find(place->folded.back());
    place->node = entry == directory->children.end() ? nullptr : entry->second.get();
    return 0;
}

DWORD FileTree::LocateExisting(const WCHAR* name, Place* place) const {
    if (DWORD error = Locate(name, false, place)) {
        return error;
    }
    return place->node ? 0 : ERROR_FILE_NOT_FOUND;
}

Node* FileTree::Add(const Place& place, bool directory, DWORD attributes) {
    auto node = std::make_unique<Node>();
    node->name = place.leaf;
    node->directory = directory;
    node->attributes = attributes;
    node->creation = node->lastAccess = node->lastWrite = Tick();
    node->index = nextIndex_++;
    Node* added = node.get();
    place.parent->children[place.folded.back()] = std::move(node);
    return added;
}

DWORD FileTree::MakeDirectory(const WCHAR* path) {
    Place place;
    if (DWORD error = Locate(path, false, &place)) {
        return error;
    }
    if (place.node) {
        return ERROR_ALREADY_EXISTS;
    }
    Add(place, true, FILE_ATTRIBUTE_DIRECTORY);
    return 0;
}

DWORD FileTree::RemoveEmptyDirectory(const WCHAR* path) {
    Place place;
    if (DWORD error = LocateExisting(path, &place)) {
        return error;
    }
    if (!place.parent || ReadOnly(*place.node)) {
        return ERROR_ACCESS_DENIED;
    }
    if (!place.node->directory) {
        return ERROR_DIRECTORY;
    }
    if (!place.node->children.empty()) {
        return ERROR_DIR_NOT_EMPTY;
    }
    place.parent->children.erase(place.folded.back());
    return 0;
}

DWORD FileTree::AttributesOf(const WCHAR* name, DWORD* attributes) const {
    Place place;
    if (DWORD error = LocateExisting(name, &place)) {
        return error;
    }
    *attributes = place.node->attributes;
    return 0;
}

DWORD FileTree::ChangeAttributes(const WCHAR* name, DWORD attributes) {
    Place place;
    if (DWORD error = LocateExisting(name, &place)) {
        return error;
    }
    if (!place.parent) {
        return ERROR_ACCESS_DENIED;
    }
    Node* node = place.node;
    node->attributes = (attributes & kFileAttributes) | (node->directory ? FILE_ATTRIBUTE_DIRECTORY : 0);
    return 0;
}

DWORD FileTree::Remove(const WCHAR* name) {
    Place place;
    if (DWORD error = LocateExisting(name, &place)) {
        return error;
    }
    Node* node = place.node;
    if (node->directory || ReadOnly(*node)) {
        return ERROR_ACCESS_DENIED;
    }
    if (node->handles != 0) {
        return ERROR_SHARING_VIOLATION;
    }
    usedClusters_ -= Clusters(node->content.size());
    place.parent->children.erase(place.folded.back());
    return 0;
}

DWORD FileTree::Rename(const WCHAR* oldName, const WCHAR* newName) {
    Place from;
    Place to;
    if (DWORD error = LocateExisting(oldName, &from)) {
        return error;
    }
    if (DWORD error = Locate(newName, false, &to)) {
        return error;
    }
    if (!from.parent || !to.parent) {
        return ERROR_ACCESS_DENIED;
    }
    if (to.node && to.node != from.node) {
        return ERROR_ALREADY_EXISTS;
    }
    // A directory cannot move into its own tree.
    if (from.node->directory && to.folded.size() > from.folded.size() &&
        std::equal(from.folded.begin(), from.folded.end(), to.folded.begin())) {
        return ERROR_ACCESS_DENIED;
    }
    if (AnyOpen(*from.node)) {
        return ERROR_SHARING_VIOLATION;
    }
    std::unique_ptr<Node> moved = std::move(from.parent->children[from.folded.back()]);
    from.parent->children.erase(from.folded.back());
    moved->name = to.leaf;
    to.parent->children[to.folded.back()] = std::move(moved);
    return 0;
}

DWORD FileTree::Replace(const WCHAR* destination, const WCHAR* source) {
    Place to;
    Place from;
    if (DWORD error = LocateExisting(destination, &to)) {
        return error;
    }
    if (DWORD error = LocateExisting(source, &from)) {
        return error;
    }
    if (to.node->directory || from.node->directory || to.node == from.node || ReadOnly(*to.node)) {
        return ERROR_ACCESS_DENIED;
    }
    if (to.node->handles != 0 || from.node->handles != 0) {
        return ERROR_SHARING_VIOLATION;
    }
    usedClusters_ -= Clusters(to.node->content.size());
    std::unique_ptr<Node> moved = std::move(from.parent->children[from.folded.back()]);
    from.parent->children.erase(from.folded.back());
    moved->name = to.leaf;
    to.parent->children[to.folded.back()] = std::move(moved);
    return 0;
}

void FileTree::FreeSpace(DWORD* sectorsPerCluster, DWORD* bytesPerSector, DWORD* freeClusters,
                         DWORD* totalClusters) const {
    if (sectorsPerCluster) {
        *sectorsPerCluster = geometry_.sectorsPerCluster;
    }
    if (bytesPerSector) {
        *bytesPerSector = geometry_.bytesPerSector;
    }
    if (freeClusters) {
        *freeClusters = geometry_.totalClusters > usedClusters_
                            ? static_cast<DWORD>(geometry_.totalClusters - usedClusters_)
                            : 0;
    }
    if (totalClusters) {
        *totalClusters = geometry_.totalClusters;
    }
}

DWORD FileTree::List(const WCHAR* pattern, std::vector<WIN32_FIND_DATAW>* found) const {
    Place place;
    if (DWORD error = Locate(pattern, true, &place)) {
        return error;
    }
    if (!place.parent) {
        return ERROR_FILE_NOT_FOUND;  // the root itself is no entry of a directory
    }
    found->clear();
    for (const auto& [key, child] : place.parent->children) {
        if (MatchesPattern(place.folded.back(), key)) {
            found->push_back(FindData(*child));
        }
    }
    return found->empty() ? ERROR_FILE_NOT_FOUND : 0;
}

DWORD FileTree::Open(const WCHAR* name, DWORD access, DWORD shareMode, DWORD creation, DWORD flagsAndAttributes,
                     OpenedFile* opened, bool* existed) {
    if (creation < CREATE_NEW || creation > TRUNCATE_EXISTING) {
        return ERROR_INVALID_PARAMETER;
    }
    Place place;
    if (DWORD error = Locate(name, false, &place)) {
        return error;
    }
    Node* node = place.node;
    if (node && node->directory) {
        return ERROR_ACCESS_DENIED;
    }
    bool writes = (access & GENERIC_WRITE) != 0;
    bool truncates = creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING;
    if (node) {
        if (creation == CREATE_NEW) {
            return ERROR_FILE_EXISTS;
        }
        if ((ReadOnly(*node) && (writes || truncates)) || (creation == TRUNCATE_EXISTING && !writes)) {
            return ERROR_ACCESS_DENIED;
        }
        if (node->share.Conflicts(access, shareMode)) {
            return ERROR_SHARING_VIOLATION;
        }
        if (truncates) {
            Resize(node, 0);
            node->lastWrite = Tick();
        }
        if (creation == CREATE_ALWAYS) {
            node->attributes |= (flagsAndAttributes & kFileAttributes) | FILE_ATTRIBUTE_ARCHIVE;
        }
    } else {
        if (creation == OPEN_EXISTING || creation == TRUNCATE_EXISTING) {
            return ERROR_FILE_NOT_FOUND;
        }
        node = Add(place, false, (flagsAndAttributes & kFileAttributes) | FILE_ATTRIBUTE_ARCHIVE);
    }
    *existed = place.node != nullptr;
    node->share.Add(access, shareMode);
    ++node->handles;
    *opened = OpenedFile{node, access, shareMode, 0};
    return 0;
}

void FileTree::Close(const OpenedFile& file) {
    file.node->share.Remove(file.access, file.shareMode);
    --file.node->handles;
}

DWORD FileTree::Read(OpenedFile& file, ULONGLONG offset, void* buffer, DWORD count, DWORD* done) {
    *done = 0;
    if ((file.access & GENERIC_READ) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    if (buffer == nullptr && count != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::vector<BYTE>& content = file.node->content;
    ULONGLONG available = offset < content.size() ? content.size() - offset : 0;
    DWORD transfer = static_cast<DWORD>(std::min<ULONGLONG>(count, available));
    if (transfer != 0) {
        std::memcpy(buffer, content.data() + offset, transfer);
    }
    file.position = offset + transfer;
    *done = transfer;
    return 0;
}

DWORD FileTree::Write(OpenedFile& file, ULONGLONG offset, const void* buffer, DWORD count, DWORD* done) {
    *done = 0;
    if ((file.access & GENERIC_WRITE) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    if (buffer == nullptr && count != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    if (count == 0) {
        return 0;
    }
    Node* node = file.node;
    ULONGLONG end = offset + count;
    if (end > node->content.size()) {
        if (DWORD error = Resize(node, end)) {
            return error;
        }
    }
    std::memcpy(node->content.data() + offset, buffer, count);
    node->lastWrite = Tick();
    file.position = end;
    *done = count;
    return 0;
}

DWORD FileTree::Truncate(OpenedFile& file) {
    if ((file.access & GENERIC_WRITE) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    if (DWORD error = Resize(file.node, file.position)) {
        return error;
    }
    file.node->lastWrite = Tick();
    return 0;
}

DWORD FileTree::Seek(OpenedFile& file, LONGLONG distance, DWORD moveMethod, ULONGLONG maxPosition) {
    LONGLONG base;
    switch (moveMethod) {
    case FILE_BEGIN:
        base = 0;
        break;
    case FILE_CURRENT:
        base = static_cast<LONGLONG>(file.position);
        break;
    case FILE_END:
        base = static_cast<LONGLONG>(file.node->content.size());
        break;
    default:
        return ERROR_INVALID_PARAMETER;
    }
    // base is never negative: every position came out of this check.
    if (distance < -base) {
        return ERROR_NEGATIVE_SEEK;
    }
    if (distance > 0 && base > std::numeric_limits<LONGLONG>::max() - distance) {
        return ERROR_INVALID_PARAMETER;
    }
    ULONGLONG position = static_cast<ULONGLONG>(base + distance);
    if (position > maxPosition) {
        return ERROR_INVALID_PARAMETER;
    }
    file.position = position;
    return 0;
}

void FileTree::Describe(const OpenedFile& file, BY_HANDLE_FILE_INFORMATION* info) const {
    const Node& node = *file.node;
    *info = BY_HANDLE_FILE_INFORMATION{};
    info->dwFileAttributes = node.attributes;
    info->ftCreationTime = node.creation;
    info->ftLastAccessTime = node.lastAccess;
    info->ftLastWriteTime = node.lastWrite;
    info->dwVolumeSerialNumber = kVolumeSerial;
    info->nFileSizeLow = static_cast<DWORD>(node.content.size());
    info->nNumberOfLinks = 1;
    info->nFileIndexLow = node.index;
}

DWORD FileTree::ChangeTimes(OpenedFile& file, const FILETIME* creation, const FILETIME* lastAccess,
                            const FILETIME* lastWrite) {
    if ((file.access & GENERIC_WRITE) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    Node* node = file.node;
    if (creation) {
        node->creation = *creation;
    }
    if (lastAccess) {
        node->lastAccess = *lastAccess;
    }
    if (lastWrite) {
        node->lastWrite = *lastWrite;
    }
    return 0;
}

Node* FileTree::Directory(const std::vector<WString>& components, size_t count, bool make) {
    Node* directory = root_.get();
    for (size_t i = 0; i < count; ++i) {
        WString key = FoldName(components[i]);
        auto child = directory->children.find(key);
        if (child == directory->children.end()) {
            if (!make) {
                return nullptr;
            }
            Place place{directory, nullptr, components[i], {key}};
            directory = Add(place, true, FILE_ATTRIBUTE_DIRECTORY);
        } else if (!child->second->directory) {
            throw std::invalid_argument("a file stands where a directory is wanted: " + ToUtf8(components[i]));
        } else {
            directory = child->second.get();
        }
    }
    return directory;
}

void FileTree::Put(const WString& path, const std::vector<BYTE>& content, DWORD attributes) {
    std::vector<WString> components;
    if (SplitPath(path.c_str(), false, &components) != 0 || components.empty()) {
        throw std::invalid_argument("not a file name: " + ToUtf8(path));
    }
    Node* directory = Directory(components, components.size() - 1, true);
    WString key = FoldName(components.back());
    auto existing = directory->children.find(key);
    Node* node;
    if (existing == directory->children.end()) {
        node = Add(Place{directory, nullptr, components.back(), {key}}, false, 0);
    } else if (existing->second->directory) {
        throw std::invalid_argument("a directory stands where a file is wanted: " + ToUtf8(path));
    } else {
        node = existing->second.get();
        node->lastWrite = Tick();
    }
    // Out of band: the content goes in even beyond the capacity, which then shows no free cluster.
    usedClusters_ = usedClusters_ - Clusters(node->content.size()) + Clusters(content.size());
    node->content = content;
    node->attributes = attributes & ~FILE_ATTRIBUTE_DIRECTORY;
}

void FileTree::PutDirectory(const WString& path) {
    std::vector<WString> components;
    if (SplitPath(path.c_str(), false, &components) != 0) {
        throw std::invalid_argument("not a directory name: " + ToUtf8(path));
    }
    Directory(components, components.size(), true);
}

Node* FileTree::Lookup(const WString& path) const {
    Place place;
    return Locate(path.c_str(), false, &place) == 0 ? place.node : nullptr;
}

std::vector<WString> FileTree::Names(const WString& directory) const {
    std::vector<WString> names;
    const Node* node = Lookup(directory);
    if (!node || !node->directory) {
        return names;
    }
    WString prefix = directory;
    if (prefix.back() != '\\' && prefix.back() != '/') {
        prefix += WIDE('\\');
    }
    for (const auto& [key, child] : node->children) {
        names.push_back(prefix + child->name);
    }
    return names;
}
