#include "formats/png/png_glue.h"

#include <cstring>

namespace lp::png_detail {

void ErrorFn(png_structp png, png_const_charp message) {
    auto* ctx = static_cast<ErrorContext*>(png_get_error_ptr(png));
    std::strncpy(ctx->message, message ? message : "", sizeof ctx->message - 1);
    ctx->message[sizeof ctx->message - 1] = '\0';
    std::longjmp(ctx->jump, 1);
}

// Warnings (bad ancillary chunks, profile notes) never stop a load, and a
// library must not write to the console.
void WarningFn(png_structp, png_const_charp) {}

}  // namespace lp::png_detail
