// The version of lintwrap, ombrascope and their libraries.
#pragma once

namespace Quillmoren::Libraries::Utils {

/// The project's version ("1.0.0"); the one place it is kept is the build's project() call.
const char* ProgramVersion();

} // namespace Quillmoren::Libraries::Utils
