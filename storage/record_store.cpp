// The record store: the file stream object, and whole-record reads and crash-safe writes in the
// install folder.
#include "storage/record_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace {

std::string g_basePath;  // ends with its separator, or is empty
SaveFaultHook g_saveFaultHook;

long streamSeek(FileStream* stream, long offset, int whence) {
    static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    int result =
        (whence >= 0 && whence <= 2) ? std::fseek(stream->file, offset, kWhence[whence]) : -1;
    if (result != 0) {
        std::fprintf(stderr, "Error calling seek: %d.\n", result);
        return -1;
    }
    return std::ftell(stream->file);
}

size_t streamRead(FileStream* stream, void* buffer, size_t size, size_t count) {
    size_t items = std::fread(buffer, size, count, stream->file);
    if (items == 0 && std::ferror(stream->file)) {
        std::fprintf(stderr, "Error calling read: %d.\n", static_cast<int>(items));
    }
    return items;
}

size_t streamWrite(FileStream* stream, const void* buffer, size_t size, size_t count) {
    size_t items = std::fwrite(buffer, size, count, stream->file);
    if (items == 0 && std::ferror(stream->file)) {
        std::fprintf(stderr, "Error calling write: %d.\n", static_cast<int>(items));
    }
    return items;
}

int streamClose(FileStream* stream) {
    int result = 0;
    if (stream->closeOnRelease && stream->file) result = std::fclose(stream->file);
    delete stream;
    return result;
}

std::string recordPath(const char* name) { return g_basePath + name; }

// The folder holding path, for syncing its entries after a rename.
std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool syncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// Runs one step of a save unless the test hook stops it first; kNone when the step succeeded.
template <typename Call>
SaveFault runStep(SaveStep step, Call call) {
    SaveFault fault = g_saveFaultHook ? g_saveFaultHook(step) : SaveFault::kNone;
    if (fault != SaveFault::kNone) return fault;
    return call() ? SaveFault::kNone : SaveFault::kFail;
}

}  // namespace

void setRecordBasePath(const char* basePath) { g_basePath = basePath ? basePath : ""; }

void setSaveFaultHook(SaveFaultHook hook) { g_saveFaultHook = hook; }

FileStream* openStream(const char* path, const char* mode) {
    FILE* file = std::fopen(path, mode);
    if (!file) {
        std::fprintf(stderr, "Unable to open file: %s\n", path);
        return nullptr;
    }
    // The tracked allocator never hands out null, so there is no out-of-memory path here.
    auto* stream = new FileStream;
    stream->seek = streamSeek;
    stream->read = streamRead;
    stream->write = streamWrite;
    stream->close = streamClose;
    stream->closeOnRelease = true;
    stream->file = file;
    return stream;
}

bool writeRecord(const char* name, const void* data, size_t length) {
    const std::string path = recordPath(name);
    const std::string temp = path + kRecordTempSuffix;

    FileStream* stream = nullptr;
    SaveFault fault = runStep(SaveStep::kOpen, [&] {
        stream = openStream(temp.c_str(), "wb");
        return stream != nullptr;
    });
    if (fault != SaveFault::kNone) {
        if (fault == SaveFault::kFail) {
            std::fprintf(stderr, "nativeWriteRMS() unable to open file: %s\n", name);
        }
        return false;
    }

    fault = runStep(SaveStep::kWrite, [&] {
        // An empty record counts as a failed write, as a write of no item always has.
        size_t written =
            stream->seek(stream, 0, 0) == 0 ? stream->write(stream, data, 1, length) : 0;
        return written >= 1 && written == length;
    });
    if (fault == SaveFault::kNone) {
        fault = runStep(SaveStep::kFlush, [&] { return std::fflush(stream->file) == 0; });
    }
    if (fault == SaveFault::kNone) {
        fault = runStep(SaveStep::kSync, [&] { return ::fsync(fileno(stream->file)) == 0; });
    }
    // The stream goes whatever happened; after a crash the temporary file stays as it is.
    bool closed = stream->close(stream) == 0;
    if (fault == SaveFault::kNone) fault = runStep(SaveStep::kClose, [&] { return closed; });
    if (fault == SaveFault::kNone) {
        fault = runStep(SaveStep::kRename,
                        [&] { return std::rename(temp.c_str(), path.c_str()) == 0; });
    }
    if (fault == SaveFault::kFail) {
        std::fprintf(stderr, " couldn't write to %s.\n", name);
        std::remove(temp.c_str());
        return false;
    }
    if (fault == SaveFault::kCrash) return false;

    // The new record is in place; syncing the folder makes the rename itself durable. A folder
    // that cannot be synced (some file systems refuse) does not undo a save that has happened.
    return runStep(SaveStep::kSyncFolder, [&] { return syncFolder(folderOf(path)); }) !=
           SaveFault::kCrash;
}

bool readRecordInto(const char* name, void* buffer, size_t length, size_t* bytesRead) {
    const std::string path = recordPath(name);
    if (bytesRead) *bytesRead = 0;
    // Read-only access is enough, and a missing record is created empty; "ab+" creates the file
    // without ever truncating one that exists but could not be opened for reading.
    FileStream* stream = openStream(path.c_str(), "rb");
    if (!stream) stream = openStream(path.c_str(), "ab+");
    if (!stream) {
        std::fprintf(stderr, "nativeReadRMSB() unable to open file: %s\n", name);
        return false;
    }
    size_t items = stream->seek(stream, 0, 0) == 0 ? stream->read(stream, buffer, 1, length) : 0;
    stream->close(stream);
    if (items == 0) {
        std::fprintf(stderr, " couldn't read from %s.\n", name);
        return false;
    }
    if (bytesRead) *bytesRead = items;
    return true;
}

uint8_t* readRecord(const char* name, int32_t* size) {
    int32_t length = size ? *size : kDefaultRecordLength;
    uint8_t* buffer = length >= 0 ? new uint8_t[length] : nullptr;  // zero-filled
    size_t bytesRead = 0;
    if (!buffer || !readRecordInto(name, buffer, static_cast<size_t>(length), &bytesRead)) {
        delete[] buffer;
        std::fprintf(stderr, "nativeReadRMS() unable to open file: %s\n", name);
        return nullptr;
    }
    if (size) *size = static_cast<int32_t>(bytesRead);
    return buffer;
}
