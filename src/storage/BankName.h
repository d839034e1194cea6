#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ze {

class DialogService;

// Why a typed name cannot name a bank file (name + ".bnk") in directory; empty when it can. The
// name must stay inside the directory, be a name a file can hold and leave room for the longer
// names a save writes beside it (the backup and the temporary files). Everything else is kept
// exactly as typed.
QString bankNameProblem(const QString &name, const QString &directory);
// Asks for the name of a new bank (" New Bank", proposing "bankname"); empty when the operator
// cancels or the name is refused under the rule above, which is then reported.
QString askNewBankName(DialogService &dialogs, const QString &directory);

// The names of the plain files "<name>.bnk" of directory (links to plain files too), hidden ones
// left out, in name order. A file name that is not valid UTF-8 is listed with each byte beyond
// ASCII as the stand-in U+DC80 to U+DCFF, so that nativePath() names the file again; a typed name
// cannot hold those.
QStringList listBankNames(const QString &directory);
// The bytes the system names a file by: as Qt encodes it, the stand-ins turned back into bytes.
QByteArray nativePath(const QString &path);
// The longest file name directory can hold, in bytes.
long fileNameMax(const QString &directory);

} // namespace ze
