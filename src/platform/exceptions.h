#pragma once
// The exception classes of the class library the program was written against. Every one
// carries an English message; a file error names the file.
#include <stdexcept>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    std::string Message;
};

#define KELVO_EXCEPTION(Name, Base)                                   \
    class Name : public Base {                                        \
    public:                                                           \
        using Base::Base;                                             \
    }

KELVO_EXCEPTION(EInvalidGraphic, Exception);
KELVO_EXCEPTION(EInvalidGraphicOperation, Exception);
KELVO_EXCEPTION(EInvalidOperation, Exception);
KELVO_EXCEPTION(EConvertError, Exception);
KELVO_EXCEPTION(EOutOfResources, Exception);
KELVO_EXCEPTION(EOutOfMemory, Exception);
KELVO_EXCEPTION(EStreamError, Exception);
KELVO_EXCEPTION(EFileStreamError, EStreamError);
KELVO_EXCEPTION(EFOpenError, EFileStreamError);
KELVO_EXCEPTION(EFCreateError, EFileStreamError);
KELVO_EXCEPTION(EReadError, EStreamError);
KELVO_EXCEPTION(EWriteError, EStreamError);

#undef KELVO_EXCEPTION

// The class library's text for memory that ran out.
inline constexpr char SOutOfMemory[] = "Out of memory";
