#include "platform/streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
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

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count)
{
    if (count <= 0 || position_ >= std::int64_t(data_.size()))
        return 0;
    const std::int64_t n = std::min<std::int64_t>(count, std::int64_t(data_.size()) - position_);
    std::memcpy(buffer, data_.data() + position_, std::size_t(n));
    position_ += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    const std::int64_t end = position_ + count;
    if (end > std::int64_t(data_.size()))
        data_.resize(std::size_t(end));
    std::memcpy(data_.data() + position_, buffer, std::size_t(count));
    position_ = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    std::int64_t base = 0;
    if (origin == soCurrent)
        base = position_;
    else if (origin == soEnd)
        base = std::int64_t(data_.size());
    position_ = std::max<std::int64_t>(0, base + offset);
    return position_;
}

void TMemoryStream::SetSize(std::int64_t newSize)
{
    data_.resize(std::size_t(std::max<std::int64_t>(0, newSize)));
    position_ = std::min(position_, std::int64_t(data_.size()));
}

void TMemoryStream::Clear()
{
    data_.clear();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream)
{
    stream.SetPosition(0);
    const std::int64_t n = stream.Size();
    data_.resize(std::size_t(n));
    position_ = 0;
    stream.ReadBuffer(data_.data(), n);
}

void TMemoryStream::SaveToStream(TStream& stream)
{
    stream.WriteBuffer(data_.data(), std::int64_t(data_.size()));
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
