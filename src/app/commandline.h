#pragma once

#include "settings/surveyheader.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class QTextStream;

// The work done without the window: "norvel --ledger DAYFOLDER" makes the day's ledger and summary.
namespace norvel {

// What the arguments (the program's name first) ask for, read before any application exists: the window needs a
// display, and a mistyped option must be said without one. Qt's own options for the window (-platform, -style,
// -geometry, …) are let through to Qt, with the window or the ledger.
using HeaderTexts = std::array<std::optional<QString>, std::size(SurveyFields)>;

struct CommandLineRequest {
    bool window = false; // nothing but Qt's own options: the window opens
    bool ledgerAsked = false; // one of the ledger's options is given
    bool help = false;
    std::optional<QString> ledger;
    std::optional<QString> out;
    std::optional<QString> past;
    std::optional<QString> form;
    HeaderTexts header; // --title, --inspector, …: in the order of SurveyFields, named by their keys
    QString problem; // why nothing is done (an unknown option, a stray argument, a missing value); empty: none
};
[[nodiscard]] CommandLineRequest readCommandLine(const QStringList& arguments);

// Runs a request that is not the window's with the program folder's settings: the ledger's path on out and 0, or
// on err what was not done and why, and 1. The help goes to out. A request with a problem needs no application.
[[nodiscard]] int runCommandLine(
    const CommandLineRequest& request, const QString& programFolder, QTextStream& out, QTextStream& err);

// The form and past surveys' folder of a ledger made from the command line (the header as kept there too, but the
// ledger's is commandLineHeader's): norvel.ini's [survey] (its content given), the --form and --past given (nullopt:
// not given) taking the kept ones' place. An empty --past looks in no past folder. A past folder that is not there,
// given or kept, is a problem (why, for stderr), as is a form other than "3" or "6": a ledger whose previous
// inspections are missing is not made unawares.
struct CommandLineChoices {
    LedgerChoices choices;
    QString problem; // empty: the choices hold
};
[[nodiscard]] CommandLineChoices commandLineChoices(
    const QByteArray& settings, const std::optional<QString>& form, const std::optional<QString>& past);

// The header of a ledger made from the command line: the day folder's own, else norvel.ini's proposal, each text
// given (nullopt: not given) taking its place for this run. A text given, or read and not given, that cannot be used
// is a problem: the ledger is not headed with an empty field unawares. A day's file that cannot be read is a note
// (for stderr), the proposal used.
struct CommandLineHeader {
    SurveyHeader header;
    QString problem; // empty: the header holds
    QString note;
};
[[nodiscard]] CommandLineHeader commandLineHeader(
    const QString& dayFolder, const QByteArray& settings, const HeaderTexts& given);

} // namespace norvel
