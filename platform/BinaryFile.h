// Binary file access for the engine: positioned reads, buffered writes and
// in-kernel range copies. Every byte the engine reads or writes passes here,
// which is also where tests inject faults.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace zendra {

class TBinaryFile {
public:
    static std::unique_ptr<TBinaryFile> OpenRead(const std::string& fileName);
    // Creates or truncates the file for writing.
    static std::unique_ptr<TBinaryFile> Create(const std::string& fileName);
    ~TBinaryFile();
    TBinaryFile(const TBinaryFile&) = delete;
    TBinaryFile& operator=(const TBinaryFile&) = delete;

    // Both return the number of bytes transferred; fewer than asked is a failure.
    std::size_t Read(void* buffer, std::size_t count);
    std::size_t Write(const void* buffer, std::size_t count);
    bool Seek(std::int64_t position);
    std::int64_t Position() const { return FPosition; }
    std::int64_t Size() const;
    // Copies count bytes of source from sourcePos to this file's position.
    std::size_t CopyFrom(TBinaryFile& source, std::int64_t sourcePos, std::size_t count);
    // Sets aside room for a file that will grow to bytes, without changing its size: writing
    // into room set aside costs the file system less. Only a hint; room left over is given
    // back on closing.
    void Reserve(std::uint64_t bytes);
    // Writes out buffered bytes; false when that fails.
    bool Flush();
    bool Close();

private:
    struct TFreeDeleter {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };

    TBinaryFile(int fd, bool writable);
    std::size_t RawWrite(const void* buffer, std::size_t count, std::int64_t position);
    std::size_t SpliceCopy(TBinaryFile& source, std::int64_t sourcePos, std::size_t count);
    bool OpenPipe();
    void ClosePipe();
    std::size_t BufferedCopy(TBinaryFile& source, std::int64_t sourcePos, std::size_t count);
    // Reads at position without moving this file's position.
    std::size_t ReadAt(void* buffer, std::size_t count, std::int64_t position);

    int FHandle;
    bool FWritable;
    std::int64_t FPosition = 0;
    std::vector<std::uint8_t> FPending;  // bytes to write at FPendingPos
    std::int64_t FPendingPos = 0;
    bool FWriteFailed = false;
    std::unique_ptr<std::uint8_t, TFreeDeleter> FCopyBuffer;  // made on the first buffered copy
    int FPipe[2] = {-1, -1};  // made on the first spliced copy
    std::size_t FPipeSize = 0;
    std::uint64_t FReserved = 0;
};

// Faults for tests: each limit counts bytes from the moment it is set; -1 is off.
struct TFileFaults {
    std::int64_t WriteBudget = -1;   // writes fail once this many bytes were written
    std::int64_t ReadBudget = -1;    // reads come back short once this many bytes were read
    int FailOpenCount = -1;          // this many more opens succeed, then opens fail
};
TFileFaults& FileFaults();

}  // namespace zendra
