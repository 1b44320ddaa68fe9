#pragma once
// The message of the exception that f raises, "(no error)" when it raises none. Only E and
// what derives from it is caught; anything else leaves the test.
#include <string>

#include "platform/exceptions.h"

template <typename E = Exception, typename F>
std::string ErrorOf(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "(no error)";
}
