#include "formats/jpeg/jpeg_glue.h"

#include <cstring>

namespace lp::jpeg_detail {

namespace {

void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// The standard emit_message counts warnings and calls output_message, which
// would print to stderr. A warning (for example "Premature end of JPEG file")
// does not fail a load, and a library must not write to the console.
void OutputMessage(j_common_ptr) {}

}  // namespace

jpeg_error_mgr* InstallErrorManager(ErrorManager& err) {
    jpeg_error_mgr* pub = jpeg_std_error(&err.pub);
    pub->error_exit = &ErrorExit;
    pub->output_message = &OutputMessage;
    err.message[0] = '\0';
    return pub;
}

void FailWith(j_common_ptr cinfo, const char* text) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::strncpy(err->message, text, sizeof err->message - 1);
    err->message[sizeof err->message - 1] = '\0';
    std::longjmp(err->jump, 1);
}

}  // namespace lp::jpeg_detail
