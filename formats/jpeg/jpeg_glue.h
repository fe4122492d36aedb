#pragma once
// Private to the JPEG codec: the error manager and the one boundary through
// which every libjpeg call passes.
//
// libjpeg reports a fatal error by calling error_exit, which must not return.
// Throwing a C++ exception through the library's C frames is undefined, so our
// error_exit longjmps instead, and only ever to Guarded(): a function that owns
// no C++ objects, whose body is a plain sequence of libjpeg calls. Guarded()
// then throws InnerError with the library's message, from ordinary C++ frames.

#include <csetjmp>

#include "base/imp_exp_exception.h"

// clang-format off
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace lp::jpeg_detail {

struct ErrorManager {
    jpeg_error_mgr pub;  // first member: libjpeg sees only this part
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

/// Standard error manager whose error_exit formats the library's message and
/// longjmps to the innermost Guarded(); warnings are counted, never printed.
jpeg_error_mgr* InstallErrorManager(ErrorManager& err);

/// Ends the current library call with our own message (used from callbacks).
[[noreturn]] void FailWith(j_common_ptr cinfo, const char* text);

/// Runs body, which must consist of libjpeg calls only (no C++ objects with
/// destructors inside it: a library error jumps straight out of it). Throws
/// InnerError with the library's message when the library reported a failure.
template <class Body>
void Guarded(ErrorManager& err, Body&& body) {
    if (setjmp(err.jump) != 0) throw InnerError(err.message);
    body();
}

}  // namespace lp::jpeg_detail
