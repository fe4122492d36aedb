#pragma once
// Private to the PNG codec: error handling and the one boundary through which
// every libpng call passes.
//
// libpng reports a fatal error through the error function, which must not
// return. Throwing a C++ exception through the library's C frames is
// undefined, so our error function longjmps instead, and only ever to
// Guarded(): a function that owns no C++ objects, whose body is a plain
// sequence of libpng calls. Guarded() then throws InnerError with the
// library's message, from ordinary C++ frames.

#include <png.h>

#include <csetjmp>

#include "base/imp_exp_exception.h"

namespace lp::png_detail {

struct ErrorContext {
    std::jmp_buf jump;
    char message[256];
};

/// Error function for png_create_*_struct: copies the message and longjmps
/// to the innermost Guarded(). The warning function drops warnings.
void ErrorFn(png_structp png, png_const_charp message);
void WarningFn(png_structp png, png_const_charp message);

/// Runs body, which must consist of libpng calls only (no C++ objects with
/// destructors inside it: a library error jumps straight out of it). Throws
/// InnerError with the library's message when the library reported a failure.
template <class Body>
void Guarded(ErrorContext& ctx, Body&& body) {
    if (setjmp(ctx.jump) != 0) throw InnerError(ctx.message);
    body();
}

}  // namespace lp::png_detail
