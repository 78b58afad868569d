#include "platform/BinaryFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zendra {

namespace {

constexpr std::size_t kWriteBuffer = 1 << 16;
// Copies up to this size go through the write buffer.
constexpr std::size_t kSmallCopy = 4096;
// Large enough to make the system calls rare, small enough to stay in the processor's cache.
constexpr std::size_t kCopyBuffer = 1 << 20;

std::int64_t PageSize()
{
    static const std::int64_t size = [] {
        const long n = ::sysconf(_SC_PAGESIZE);
        return n > 0 ? std::int64_t{n} : std::int64_t{4096};
    }();
    return size;
}

bool OpenAllowed()
{
    auto& faults = FileFaults();
    if (faults.FailOpenCount < 0)
        return true;
    if (faults.FailOpenCount == 0)
        return false;
    --faults.FailOpenCount;
    return true;
}

// Applies a budget of bytes: how many of count may pass.
std::size_t Allow(std::int64_t& budget, std::size_t count)
{
    if (budget < 0)
        return count;
    const auto allowed = std::min<std::int64_t>(budget, static_cast<std::int64_t>(count));
    budget -= allowed;
    return static_cast<std::size_t>(allowed);
}

}  // namespace

TFileFaults& FileFaults()
{
    static TFileFaults faults;
    return faults;
}

TBinaryFile::TBinaryFile(int fd, bool writable) : FHandle(fd), FWritable(writable) {}

TBinaryFile::~TBinaryFile()
{
    Close();
}

std::unique_ptr<TBinaryFile> TBinaryFile::OpenRead(const std::string& fileName)
{
    if (!OpenAllowed())
        return nullptr;
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<TBinaryFile>(new TBinaryFile(fd, false));
}

std::unique_ptr<TBinaryFile> TBinaryFile::Create(const std::string& fileName)
{
    if (!OpenAllowed())
        return nullptr;
    const int fd = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<TBinaryFile>(new TBinaryFile(fd, true));
}

std::size_t TBinaryFile::Read(void* buffer, std::size_t count)
{
    if (FHandle < 0 || !Flush())
        return 0;
    count = Allow(FileFaults().ReadBudget, count);
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(FHandle, out + done, count - done, FPosition + static_cast<std::int64_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    FPosition += static_cast<std::int64_t>(done);
    return done;
}

std::size_t TBinaryFile::RawWrite(const void* buffer, std::size_t count, std::int64_t position)
{
    const std::size_t allowed = Allow(FileFaults().WriteBudget, count);
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < allowed) {
        const ssize_t n = ::pwrite(FHandle, in + done, allowed - done, position + static_cast<std::int64_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t TBinaryFile::Write(const void* buffer, std::size_t count)
{
    if (FHandle < 0 || !FWritable || FWriteFailed)
        return 0;
    if (!FPending.empty() && FPendingPos + static_cast<std::int64_t>(FPending.size()) != FPosition && !Flush())
        return 0;
    if (FPending.empty())
        FPendingPos = FPosition;
    if (FPending.size() + count <= kWriteBuffer) {
        const auto* in = static_cast<const std::uint8_t*>(buffer);
        FPending.insert(FPending.end(), in, in + count);
        FPosition += static_cast<std::int64_t>(count);
        return count;
    }
    if (!Flush())
        return 0;
    const std::size_t done = RawWrite(buffer, count, FPosition);
    FPosition += static_cast<std::int64_t>(done);
    if (done < count)
        FWriteFailed = true;
    return done;
}

bool TBinaryFile::Flush()
{
    if (FPending.empty())
        return !FWriteFailed;
    const std::size_t done = RawWrite(FPending.data(), FPending.size(), FPendingPos);
    const bool ok = done == FPending.size();
    FPending.clear();
    if (!ok)
        FWriteFailed = true;
    return ok;
}

bool TBinaryFile::Seek(std::int64_t position)
{
    if (FHandle < 0 || position < 0)
        return false;
    FPosition = position;
    return true;
}

std::int64_t TBinaryFile::Size() const
{
    struct stat st {};
    if (FHandle < 0 || ::fstat(FHandle, &st) != 0)
        return -1;
    const std::int64_t pendingEnd = FPendingPos + static_cast<std::int64_t>(FPending.size());
    return std::max<std::int64_t>(st.st_size, FPending.empty() ? 0 : pendingEnd);
}

std::size_t TBinaryFile::ReadAt(void* buffer, std::size_t count, std::int64_t position)
{
    const std::int64_t keep = FPosition;
    FPosition = position;
    const std::size_t done = Read(buffer, count);
    FPosition = keep;
    return done;
}

std::size_t TBinaryFile::CopyFrom(TBinaryFile& source, std::int64_t sourcePos, std::size_t count)
{
    if (FHandle < 0 || !FWritable || FWriteFailed || !source.Flush())
        return 0;
    // Header pieces join the write buffer rather than costing a system call each.
    if (count <= kSmallCopy) {
        std::uint8_t piece[kSmallCopy];
        const std::size_t got = source.ReadAt(piece, count, sourcePos);
        const std::size_t put = Write(piece, got);
        if (put < count)
            FWriteFailed = true;
        return put;
    }
    if (!Flush())
        return 0;
    std::size_t done = 0;
    auto& faults = FileFaults();
    const bool faulty = faults.WriteBudget >= 0 || faults.ReadBudget >= 0;
    if (!faulty)
        done = SpliceCopy(source, sourcePos, count);
    if (done < count)
        done += BufferedCopy(source, sourcePos + static_cast<std::int64_t>(done), count - done);
    if (done < count)
        FWriteFailed = true;
    return done;
}

bool TBinaryFile::OpenPipe()
{
#if defined(__linux__)
    if (FPipe[0] >= 0)
        return true;
    if (::pipe2(FPipe, O_CLOEXEC) != 0) {
        FPipe[0] = FPipe[1] = -1;
        return false;
    }
    // A small pipe costs a pair of system calls per 64 KiB; the usual limit allows 1 MiB.
    const int size = ::fcntl(FPipe[1], F_SETPIPE_SZ, static_cast<int>(kCopyBuffer));
    const int actual = size > 0 ? size : ::fcntl(FPipe[1], F_GETPIPE_SZ);
    FPipeSize = actual > 0 ? static_cast<std::size_t>(actual) : std::size_t{1} << 16;
    return true;
#else
    return false;
#endif
}

void TBinaryFile::ClosePipe()
{
    for (int& end : FPipe) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

// The pipe carries references to the source's cached pages, so the bytes are copied
// once, into the output, wherever they sit in their pages; a copy through a buffer
// copies them twice. A source that shrinks meanwhile only makes the copy come up short.
std::size_t TBinaryFile::SpliceCopy(TBinaryFile& source, std::int64_t sourcePos, std::size_t count)
{
    std::size_t done = 0;
#if defined(__linux__)
    if (!OpenPipe())
        return 0;
    loff_t in = sourcePos;
    loff_t out = FPosition;
    while (done < count) {
        const ssize_t got = ::splice(source.FHandle, &in, FPipe[1], nullptr, std::min(FPipeSize, count - done), 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        std::size_t moved = 0;
        while (moved < static_cast<std::size_t>(got)) {
            const ssize_t n = ::splice(FPipe[0], nullptr, FHandle, &out, static_cast<std::size_t>(got) - moved, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            moved += static_cast<std::size_t>(n);
        }
        done += moved;
        if (moved < static_cast<std::size_t>(got)) {
            // What is left in the pipe belongs nowhere now.
            ClosePipe();
            break;
        }
    }
    FPosition += static_cast<std::int64_t>(done);
#else
    (void)source;
    (void)sourcePos;
    (void)count;
#endif
    return done;
}

std::size_t TBinaryFile::BufferedCopy(TBinaryFile& source, std::int64_t sourcePos, std::size_t count)
{
    if (!FCopyBuffer) {
        const auto alignment = static_cast<std::size_t>(PageSize());
        FCopyBuffer.reset(static_cast<std::uint8_t*>(std::aligned_alloc(alignment, kCopyBuffer)));
        if (!FCopyBuffer)
            return 0;
    }
    std::uint8_t* buffer = FCopyBuffer.get();
    std::size_t done = 0;
    while (done < count) {
        const std::size_t want = std::min(kCopyBuffer, count - done);
        const std::size_t got = source.ReadAt(buffer, want, sourcePos + static_cast<std::int64_t>(done));
        const std::size_t put = RawWrite(buffer, got, FPosition);
        FPosition += static_cast<std::int64_t>(put);
        done += put;
        if (got < want || put < got)
            break;
    }
    return done;
}

void TBinaryFile::Reserve(std::uint64_t bytes)
{
#if defined(__linux__)
    // Not posix_fallocate: where the file system can not set room aside it writes zeros.
    if (FHandle >= 0 && FWritable && bytes > 0 && bytes <= static_cast<std::uint64_t>(INT64_MAX) &&
        ::fallocate(FHandle, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes)) == 0)
        FReserved = bytes;
#else
    (void)bytes;
#endif
}

bool TBinaryFile::Close()
{
    ClosePipe();
    if (FHandle < 0)
        return true;
    bool ok = FWritable ? Flush() : true;
    // Truncating to the size the file has gives back room set aside past its end.
    if (FReserved > 0) {
        const std::int64_t size = Size();
        // Room that stays set aside wastes space but harms no byte: not a failure.
        if (size >= 0 && static_cast<std::uint64_t>(size) < FReserved) {
            [[maybe_unused]] const int kept = ::ftruncate(FHandle, size);
        }
        FReserved = 0;
    }
    if (::close(FHandle) != 0)
        ok = false;
    FHandle = -1;
    return ok;
}

}  // namespace zendra
