#include "platform/streams.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <sys/mman.h>
#include <unistd.h>

std::int64_t TStream::Size()
{
    const std::int64_t pos = Seek(0, soCurrent);
    const std::int64_t end = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return end;
}

void TStream::SetSize(std::int64_t)
{
    throw EStreamError("Stream size cannot be changed");
}

void TStream::ReadBuffer(void* buffer, std::int64_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    const std::int64_t total = count;
    std::vector<std::uint8_t> buffer(std::size_t(std::min<std::int64_t>(count, 1 << 16)));
    while (count > 0) {
        const std::int64_t n = std::min<std::int64_t>(count, std::int64_t(buffer.size()));
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        count -= n;
    }
    return total;
}

namespace {

constexpr std::size_t HugePage = std::size_t(2) << 20;
// Blocks from this size on are mapped on their own.
constexpr std::size_t MappedFrom = HugePage;

// Maps size bytes (a multiple of HugePage) at an address that is a multiple of HugePage, so
// that the whole block can be backed by huge pages and moved a huge page at a time.
std::uint8_t* MapAligned(std::size_t size)
{
    const std::size_t span = size + HugePage;
    void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + HugePage - 1) & ~std::uintptr_t(HugePage - 1);
    if (aligned > start)
        ::munmap(raw, aligned - start);
    if (start + span > aligned + size)
        ::munmap(reinterpret_cast<void*>(aligned + size), start + span - (aligned + size));
    auto* block = reinterpret_cast<std::uint8_t*>(aligned);
    // Only a hint: without huge pages the block works the same, only its first touches cost.
    ::madvise(block, size, MADV_HUGEPAGE);
    return block;
}

} // namespace

TMemoryStream::~TMemoryStream()
{
    Release();
}

void TMemoryStream::Release() noexcept
{
    if (mapped_)
        ::munmap(data_, capacity_);
    else
        std::free(data_);
    data_ = nullptr;
    capacity_ = 0;
    mapped_ = false;
}

TMemoryStream::TMemoryStream(const TMemoryStream& other) : TStream(other), position_(other.position_)
{
    Reserve(other.size_);
    if (other.size_ > 0)
        std::memcpy(data_, other.data_, other.size_);
    size_ = other.size_;
}

TMemoryStream::TMemoryStream(TMemoryStream&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)), mapped_(std::exchange(other.mapped_, false)),
      position_(std::exchange(other.position_, 0))
{
}

TMemoryStream& TMemoryStream::operator=(TMemoryStream other) noexcept
{
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    std::swap(mapped_, other.mapped_);
    std::swap(position_, other.position_);
    return *this;
}

void TMemoryStream::Reserve(std::size_t size)
{
    if (size <= capacity_)
        return;
    // Doubling keeps a stream written in small pieces at a few reallocations.
    std::size_t capacity = std::max({size, capacity_ * 2, std::size_t(256)});
    if (capacity < MappedFrom) {
        void* grown = std::realloc(data_, capacity);
        if (!grown)
            throw std::bad_alloc();
        data_ = static_cast<std::uint8_t*>(grown);
        capacity_ = capacity;
        return;
    }
    capacity = (capacity + HugePage - 1) & ~(HugePage - 1);
    std::uint8_t* block = MapAligned(capacity);
    // A mapped block's pages move over to the start of the new one; a heap block is copied.
    const bool moved = mapped_ && ::mremap(data_, capacity_, capacity_, MREMAP_MAYMOVE | MREMAP_FIXED, block) != MAP_FAILED;
    if (!moved) {
        if (size_ > 0)
            std::memcpy(block, data_, size_);
        Release();
    }
    data_ = block;
    capacity_ = capacity;
    mapped_ = true;
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count)
{
    if (count <= 0 || position_ >= std::int64_t(size_))
        return 0;
    const std::int64_t n = std::min<std::int64_t>(count, std::int64_t(size_) - position_);
    std::memcpy(buffer, data_ + position_, std::size_t(n));
    position_ += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    const std::int64_t end = position_ + count;
    if (end > std::int64_t(size_)) {
        Reserve(std::size_t(end));
        // A write past the end leaves zeros between, as a larger size does.
        if (position_ > std::int64_t(size_))
            std::memset(data_ + size_, 0, std::size_t(position_) - size_);
        size_ = std::size_t(end);
    }
    std::memcpy(data_ + position_, buffer, std::size_t(count));
    position_ = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    std::int64_t base = 0;
    if (origin == soCurrent)
        base = position_;
    else if (origin == soEnd)
        base = std::int64_t(size_);
    position_ = std::max<std::int64_t>(0, base + offset);
    return position_;
}

void TMemoryStream::SetSize(std::int64_t newSize)
{
    const std::size_t size = std::size_t(std::max<std::int64_t>(0, newSize));
    if (size > size_) {
        Reserve(size);
        std::memset(data_ + size_, 0, size - size_);
    }
    size_ = size;
    position_ = std::min(position_, std::int64_t(size_));
}

void TMemoryStream::Clear()
{
    size_ = 0;
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream)
{
    stream.SetPosition(0);
    const std::int64_t n = stream.Size();
    Clear();
    SetSize(n);
    stream.ReadBuffer(data_, n);
}

void TMemoryStream::SaveToStream(TStream& stream)
{
    stream.WriteBuffer(data_, std::int64_t(size_));
}

void TMemoryStream::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, fmOpenRead);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& fileName)
{
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : fileName_(fileName)
{
    const char* how = "rb";
    if (mode == fmCreate)
        how = "w+b";
    else if ((mode & 3) == fmOpenWrite || (mode & 3) == fmOpenReadWrite)
        how = "r+b";
    file_ = std::fopen(fileName.c_str(), how);
    if (!file_) {
        const std::string reason = std::strerror(errno);
        if (mode == fmCreate)
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
    }
}

TFileStream::~TFileStream()
{
    if (file_)
        std::fclose(file_);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    return std::int64_t(std::fread(buffer, 1, std::size_t(count), file_));
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    return std::int64_t(std::fwrite(buffer, 1, std::size_t(count), file_));
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    const int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
    if (std::fseek(file_, long(offset), whence) != 0)
        return -1;
    return std::int64_t(std::ftell(file_));
}

void TFileStream::SetSize(std::int64_t newSize)
{
    std::fflush(file_);
    if (::ftruncate(::fileno(file_), off_t(newSize)) != 0)
        throw EWriteError("Stream write error");
    if (Position() > newSize)
        Seek(newSize, soBeginning);
}
