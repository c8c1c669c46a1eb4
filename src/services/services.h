#pragma once

#include "results/inspectionfacts.h"
#include "settings/programsettings.h"
#include "settings/surveyheader.h"

#include <QDateTime>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What the program needs from outside that a test cannot drive: modal questions and dialogs, the clock,
// the clipboard and the program folder. The program hands Form1 the Qt implementations; tests hand it
// scripted ones.
namespace norvel {

class QuestionBox {
public:
    virtual ~QuestionBox() = default;
    // Modal question with the buttons OK and Cancel; true for OK.
    [[nodiscard]] virtual bool askOkCancel(const QString& text) = 0;
};

class FileOpenDialog {
public:
    virtual ~FileOpenDialog() = default;
    // An existing file chosen by the user, nullopt on cancel. filterText is the filter entry, as
    // "Pictures (*.JPG)"; lastFile is offered again.
    [[nodiscard]] virtual std::optional<QString> chooseFile(const QString& filterText, const QString& lastFile) = 0;
};

class FolderDialog {
public:
    virtual ~FolderDialog() = default;
    // The full path of an existing folder chosen by the user, nullopt on cancel.
    [[nodiscard]] virtual std::optional<QString> chooseFolder(const QString& title, const QString& root) = 0;
};

// Modal messages with an OK button: a failure, or news the user must see (a warning or an information).
class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    virtual void showError(const QString& text) = 0;
    virtual void showNotice(const QString& text) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    [[nodiscard]] virtual QDateTime now() const = 0;
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void clear() = 0;
    virtual void setText(const QString& text) = 0;
};

// The photo ledger to make: the day folder, the judgement lines and the ledger's choices, as the user confirmed them.
struct LedgerRequest {
    QString dayFolder;
    JudgementLines lines;
    LedgerChoices choices;
};

class LedgerDialogBox {
public:
    virtual ~LedgerDialogBox() = default;
    // The modal ledger dialog, offering the given values; nullopt on cancel. dayHeader gives the header of another
    // day folder chosen in it: each day is headed as its own.
    [[nodiscard]] virtual std::optional<LedgerRequest> askLedger(const QString& dayFolder, const JudgementLines& lines,
        const LedgerChoices& choices, const std::function<SurveyHeader(const QString& dayFolder)>& dayHeader)
        = 0;
};

class ScaleLengthBox {
public:
    virtual ~ScaleLengthBox() = default;
    // The modal question for the ruler length, in millimetres, that a line of linePx picture pixels was
    // dragged along on a picture of pictureSize; nullopt on cancel.
    [[nodiscard]] virtual std::optional<double> askLengthMm(double linePx, QSize pictureSize) = 0;
};

// What the inspector knows of the pole in force, typed beside the photographs and never asked during a take-in.
class PoleFactsBox {
public:
    virtual ~PoleFactsBox() = default;
    // The modal pole facts dialog for pole, offering current; knownPlates are offered as the plate is typed, and
    // previousOf gives a line about the last inspection of the plate typed so far; knownFactsOf the facts a known
    // plate was last given, to fill in when it is chosen. nullopt on cancel.
    [[nodiscard]] virtual std::optional<PoleFacts> askPoleFacts(const QString& pole, const PoleFacts& current,
        const QStringList& knownPlates, const std::function<QString(const QString& plate)>& previousOf,
        const std::function<std::optional<PoleFacts>(const QString& plate)>& knownFactsOf)
        = 0;
};

class CrackFactsBox {
public:
    virtual ~CrackFactsBox() = default;
    // The modal crack facts dialog for a row of pole (counted from 1), offering current; nullopt on cancel.
    [[nodiscard]] virtual std::optional<CrackFacts> askCrackFacts(
        const QString& pole, int row, const CrackFacts& current)
        = 0;
};

// The notice that a file was made, offering to open it in the system's viewer for its kind.
class MadeFileNotice {
public:
    virtual ~MadeFileNotice() = default;
    // Shows text with 開く and 閉じる (the default); 開く opens path. False when the viewer could not be started.
    [[nodiscard]] virtual bool noticeWithOpen(const QString& text, const QString& path) = 0;
};

// Non-owning: whoever builds Form1 keeps these alive longer than the window.
struct Services {
    QuestionBox* question = nullptr;
    FileOpenDialog* fileOpen = nullptr;
    FolderDialog* folder = nullptr;
    ErrorReporter* errors = nullptr;
    Clock* clock = nullptr;
    Clipboard* clipboard = nullptr;
    QString programFolder; // settings files, saved pictures and day folders live here
    LedgerDialogBox* ledger = nullptr;
    ScaleLengthBox* scaleLength = nullptr;
    PoleFactsBox* poleFacts = nullptr;
    CrackFactsBox* crackFacts = nullptr;
    MadeFileNotice* madeFile = nullptr; // absent: a plain notice
};

} // namespace norvel
