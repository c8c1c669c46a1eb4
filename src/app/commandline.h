#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// The work done without the window: "norvel --ledger DAYFOLDER" makes the day's ledger and summary.
namespace norvel {

// Whether argv asks for the command line (one of its options is given) rather than the window. Looked at before
// the application exists, so that a ledger made without a display can choose the offscreen platform.
[[nodiscard]] bool wantsCommandLine(int argc, const char* const* argv);

// Runs the command line's arguments (the program's name first) with the program folder's settings: the ledger's
// path on out and 0, or the reason on err and 1. The help goes to out.
[[nodiscard]] int runCommandLine(
    const QStringList& arguments, const QString& programFolder, QTextStream& out, QTextStream& err);

} // namespace norvel
