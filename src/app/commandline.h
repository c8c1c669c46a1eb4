#pragma once

#include "settings/surveyheader.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

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

// The header, form and past surveys' folder of a ledger made from the command line: norvel.ini's [survey] (its
// content given), the --form and --past given (nullopt: not given) taking the kept ones' place. An empty --past
// looks in no past folder. A past folder that is not there, given or kept, is a problem (a sentence for stderr),
// as is a form other than "3" or "6": a ledger whose previous inspections are missing is not made unawares.
struct CommandLineChoices {
    LedgerChoices choices;
    QString problem; // empty: the choices hold
};
[[nodiscard]] CommandLineChoices commandLineChoices(
    const QByteArray& settings, const std::optional<QString>& form, const std::optional<QString>& past);

} // namespace norvel
