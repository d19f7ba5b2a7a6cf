#pragma once

#include "pathvalue.h"

/// The process directories: the application directory (canonical directory of the
/// running executable) and the installation directory one level above it. They are
/// process-wide values, set once the executable's path is known.
namespace Directories {

/// The running executable: the text of /proc/self/exe when it can be read and is
/// 1 to 1023 bytes long, else `argv0`.
QString executablePath(const QString &argv0);

/// Sets both directories from the executable's path.
void setFromExecutable(const QString &executablePath);

const PathValue &applicationDirectory();
const PathValue &installDirectory();

} // namespace Directories
