#pragma once
#include <span>
#include <string>

namespace lp {

/// "lumaprism --vectorize FILE --output OUT.{lvf,wmf,emf,eps,svg} [--tolerance N]
/// [--precision P] [--background R,G,B] [--no-overlap]": vectorizes a picture
/// and writes the objects in the format of OUT's extension. args are the words
/// after "--vectorize". Returns 0 when done, 1 when loading, vectorizing or
/// writing failed (a stopped run still writes what it made), 2 on a usage error.
int RunVectorizeCommand(std::span<const std::string> args);

}  // namespace lp
