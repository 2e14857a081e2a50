#include "platform/win32/win32_file_system.h"

#include "platform/win32/text.h"

namespace kest::platform::win32 {

Text ErrorDescription(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    Text text = length ? FromWide(buffer, length) : u"Error " + FromWide(std::to_wstring(error).c_str());
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ')) text.pop_back();
    return text;
}

namespace {

class Win32BinaryFile : public BinaryFile {
public:
    explicit Win32BinaryFile(HANDLE handle) : handle_(handle) {}
    ~Win32BinaryFile() override { CloseHandle(handle_); }
    Win32BinaryFile(const Win32BinaryFile&) = delete;
    Win32BinaryFile& operator=(const Win32BinaryFile&) = delete;

    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
        if (!Seek(offset)) return false;
        auto* out = static_cast<std::uint8_t*>(buffer);
        while (size > 0) {
            const DWORD chunk = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
            DWORD read = 0;
            if (!ReadFile(handle_, out, chunk, &read, nullptr) || read == 0) return false;
            out += read;
            size -= read;
        }
        return true;
    }

    bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
        if (!Seek(offset)) return false;
        const auto* in = static_cast<const std::uint8_t*>(data);
        while (size > 0) {
            const DWORD chunk = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
            DWORD written = 0;
            if (!WriteFile(handle_, in, chunk, &written, nullptr) || written == 0) return false;
            in += written;
            size -= written;
        }
        return true;
    }

    bool Truncate(std::uint64_t length) override { return Seek(length) && SetEndOfFile(handle_) != 0; }

private:
    bool Seek(std::uint64_t offset) {
        LARGE_INTEGER position;
        position.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(handle_, position, nullptr, FILE_BEGIN) != 0;
    }
    HANDLE handle_;
};

OpenResult Open(const Text& path, DWORD access, DWORD disposition, DWORD sharing = FILE_SHARE_READ) {
    OpenResult result;
    HANDLE handle = CreateFileW(Wide(path), access, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        result.file = std::make_unique<Win32BinaryFile>(handle);
        return result;
    }
    const DWORD error = GetLastError();
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: result.error = OpenError::PermissionDenied; break;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: result.error = OpenError::NotFound; break;
        default: result.error = OpenError::Other; break;
    }
    result.description = ErrorDescription(error);
    return result;
}

}  // namespace

std::optional<std::int64_t> Win32FileSystem::Length(const Text& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Wide(path), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Win32FileSystem::IsNormalFile(const Text& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path));
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool Win32FileSystem::Remove(const Text& path) { return DeleteFileW(Wide(path)) != 0; }

OpenResult Win32FileSystem::OpenForReading(const Text& path) { return Open(path, GENERIC_READ, OPEN_EXISTING); }

std::optional<std::int64_t> Win32FileSystem::FreeBytes(const Text& path) {
    // The volume is asked through the file's folder: the file may not exist yet.
    const auto separator = path.find_last_of(u"\\/");
    const Text folder = separator == Text::npos ? Text(u".\\") : path.substr(0, separator + 1);
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(Wide(folder), &available, nullptr, nullptr)) return std::nullopt;
    return static_cast<std::int64_t>(available.QuadPart);
}

OpenResult Win32FileSystem::OpenForWriting(const Text& path) {
    return Open(path, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
}

OpenResult Win32FileSystem::OpenForUpdating(const Text& path) {
    return Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING,
                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
}

}  // namespace kest::platform::win32
