// The record store: whole named records (the game keeps one, "info") in files of the install
// folder, read and written through a small file stream object. A save never leaves a half-written
// record behind: the new record goes to a temporary file beside the old one, is synced, and is
// renamed over it, so the folder always holds the complete old or the complete new record.
// Every failure prints one line to stderr and reports false or null.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Length read by readRecord when the caller gives none.
constexpr int32_t kDefaultRecordLength = 1026;
// Appended to a record's file name for the file a save writes before renaming it into place.
constexpr const char* kRecordTempSuffix = ".tmp";

// A stdio stream behind seek/read/write/close operations, shaped like an SDL_RWops.
struct FileStream {
    // whence 0, 1, 2 = SEEK_SET, SEEK_CUR, SEEK_END; the new position, or -1.
    long (*seek)(FileStream* stream, long offset, int whence);
    // Item counts, as fread and fwrite give them.
    size_t (*read)(FileStream* stream, void* buffer, size_t size, size_t count);
    size_t (*write)(FileStream* stream, const void* buffer, size_t size, size_t count);
    // Closes the file when closeOnRelease is set, then frees the stream; 0, or EOF when the file
    // could not be closed cleanly.
    int (*close)(FileStream* stream);
    bool closeOnRelease;
    FILE* file;
};

// The folder records live in (the install folder, ending with its separator); copied.
void setRecordBasePath(const char* basePath);

// Opens path with an fopen mode; null (with a message) when it cannot be opened.
FileStream* openStream(const char* path, const char* mode);

// Replaces the record name with length bytes of data. False when the record could not be
// written; the old record is then still there.
bool writeRecord(const char* name, const void* data, size_t length);
// Reads up to length bytes of the record into buffer. A record shorter than length reads
// successfully (bytesRead, when not null, receives the count); an empty or missing record
// fails, and a missing one is created empty.
bool readRecordInto(const char* name, void* buffer, size_t length, size_t* bytesRead = nullptr);
// A new zero-filled buffer holding the record, or null. It is kDefaultRecordLength bytes long when
// size is null, else *size bytes; on success *size receives the count of bytes read. The caller
// releases the buffer with delete[].
uint8_t* readRecord(const char* name, int32_t* size);

// The steps of a save, in order, and what a test may make happen instead of one of them.
enum class SaveStep { kOpen, kWrite, kFlush, kSync, kClose, kRename, kSyncFolder };
enum class SaveFault {
    kNone,   // the step runs
    kFail,   // the step fails without taking effect
    kCrash,  // the save stops before the step with its files as they are, as if the process had
             // died right after the step before
};
using SaveFaultHook = SaveFault (*)(SaveStep step);
// For tests only: asked before each step of every save; null turns it off.
void setSaveFaultHook(SaveFaultHook hook);
