#pragma once

#include <QString>

namespace ze {

// Why a typed name cannot name a bank file (name + ".bnk") in directory; empty when it can. The
// name must stay inside the directory, be a name a file can hold and leave room for the longer
// names a save writes beside it (the backup and the temporary files). Everything else is kept
// exactly as typed.
QString bankNameProblem(const QString &name, const QString &directory);

} // namespace ze
