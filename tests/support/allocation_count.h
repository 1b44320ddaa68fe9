#pragma once
// What a step of a test costs in memory. Including this header in one source file of a test
// program replaces the program's operators new and delete with counting ones, so that every
// allocation of the program (the libraries' and Qt's included) is counted; PeakGrowth then
// reads the most that was held at once while a step ran. Include it in one file per program
// only: the operators are defined here; other files of the program read the counts through
// held_bytes.h.
#include <new>

#include "support/held_bytes.h"

void* operator new(std::size_t n) { return kelvo::test::CountedNew(n); }
void* operator new[](std::size_t n) { return kelvo::test::CountedNew(n); }
void operator delete(void* p) noexcept { kelvo::test::CountedDelete(p); }
void operator delete[](void* p) noexcept { kelvo::test::CountedDelete(p); }
void operator delete(void* p, std::size_t) noexcept { kelvo::test::CountedDelete(p); }
void operator delete[](void* p, std::size_t) noexcept { kelvo::test::CountedDelete(p); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
    try {
        return kelvo::test::CountedNew(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept { return operator new(n, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { kelvo::test::CountedDelete(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { kelvo::test::CountedDelete(p); }
