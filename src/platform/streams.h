#pragma once
// Byte streams in the class library's shape: a position, a size, reads that may come up
// short and the *Buffer calls that raise when they do.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/exceptions.h"

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;

    // Reads or writes up to count bytes; returns how many were moved.
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

    std::int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(std::int64_t pos) { Seek(pos, soBeginning); }
    virtual std::int64_t Size();
    virtual void SetSize(std::int64_t newSize);

    // Raise EReadError "Stream read error" / EWriteError "Stream write error" when short.
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
    // Copies count bytes from source (its whole content from the start when count is 0).
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// The bytes a memory stream holds, valid while the stream is neither written nor resized;
// they convert to a vector where a copy is wanted.
class TMemoryBytes {
public:
    TMemoryBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    const std::uint8_t* begin() const { return data_; }
    const std::uint8_t* end() const { return data_ + size_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    operator std::vector<std::uint8_t>() const { return std::vector<std::uint8_t>(begin(), end()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// A large block is mapped on its own, in huge pages where the system gives them, and grows
// by moving its pages rather than copying them: writing tens of megabytes then costs about
// what the bytes do, where first touches of small pages would cost more than the writing.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;
    TMemoryStream(const TMemoryStream& other);
    TMemoryStream(TMemoryStream&& other) noexcept;
    TMemoryStream& operator=(TMemoryStream other) noexcept;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return std::int64_t(size_); }
    void SetSize(std::int64_t newSize) override;

    void Clear();
    std::uint8_t* Memory() { return data_; }
    const std::uint8_t* Memory() const { return data_; }
    TMemoryBytes Bytes() const { return TMemoryBytes(data_, size_); }
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

private:
    // Makes room for at least size bytes; what lies past size_ is undefined.
    void Reserve(std::size_t size);
    void Release() noexcept;

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    bool mapped_ = false; // data_ is a mapping of its own rather than from the heap
    std::int64_t position_ = 0;
};

enum : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmCreate = 0xFFFF,
};

class TFileStream : public TStream {
public:
    // Raises EFOpenError or EFCreateError with a message naming the file.
    TFileStream(const std::string& fileName, unsigned mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;
    const std::string& FileName() const { return fileName_; }

private:
    std::FILE* file_ = nullptr;
    std::string fileName_;
};
