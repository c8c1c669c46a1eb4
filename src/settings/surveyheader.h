#pragma once

#include "settings/programsettings.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// What the photo ledger is headed with and how it is laid out, kept in norvel.ini's [survey] between uses.
namespace norvel {

// The survey's header on the ledger's cover and every page's top line. Texts are one line each.
struct SurveyHeader {
    QString title; // 件名
    QString inspector; // 調査者
    QString company; // 会社
    QString weather; // 天候
    QString equipment; // 使用機器
    QString client; // 発注者
    QString contract; // 件名番号
    friend bool operator==(const SurveyHeader&, const SurveyHeader&) = default;
};

// Each text of the header: its key in norvel.ini's [survey] (also the name of its field in the ledger's dialog) and
// its label (UTF-8), in the order the dialog shows them.
struct SurveyField {
    const char* key;
    const char* label;
    QString SurveyHeader::*text;
};
inline constexpr SurveyField SurveyFields[] = {
    { "title", "件名", &SurveyHeader::title },
    { "inspector", "調査者", &SurveyHeader::inspector },
    { "company", "会社", &SurveyHeader::company },
    { "weather", "天候", &SurveyHeader::weather },
    { "equipment", "使用機器", &SurveyHeader::equipment },
    { "client", "発注者", &SurveyHeader::client },
    { "contract", "件名番号", &SurveyHeader::contract },
};

// The longest header text kept: a line of the cover, not a page of text.
inline constexpr int MaxHeaderTextLength = 200;
// Why a header text cannot be used (too long, or holding control characters), or empty when it can.
[[nodiscard]] QString headerTextProblem(const QString& text);

// Three cracks a page, each photo large with its facts beside it; or six photos a page after each pole's table.
enum class LedgerForm { ThreePerPage = 3, SixPerPage = 6 };

// The dialog's choices as last made: the header, the form and the folder of past surveys (empty: none).
struct LedgerChoices {
    SurveyHeader header;
    LedgerForm form = LedgerForm::ThreePerPage;
    QString pastFolder;
    friend bool operator==(const LedgerChoices&, const LedgerChoices&) = default;
};

// The choices in norvel.ini's content; missing keys empty, the form "3" or "6" (full width too), else the
// three-a-page form. A header text that cannot be used is left empty.
[[nodiscard]] LedgerChoices ledgerChoices(const QByteArray& settings);
// The header texts of norvel.ini that cannot be used, each standing empty in the choices.
[[nodiscard]] QList<UnusableSetting> unusableSurveyTexts(const QByteArray& settings);
// The form's text when it is there and neither: the three-a-page form is used in its place.
[[nodiscard]] std::optional<UnusableSetting> unusableLedgerForm(const QByteArray& settings);
// The settings that keep them; line breaks in a text become spaces, since a value is one line of the file.
[[nodiscard]] QList<ProgramSetting> ledgerChoiceSettings(const LedgerChoices& choices);

// A day's own header, in its day folder beside 調査情報.csv: a past day's ledger is headed as that day was, whatever
// has been typed for later days. norvel.ini keeps only the last header, the one proposed for a day without a file.
inline const QString DayHeaderFileName = QStringLiteral("調査ヘッダ.ini");
inline constexpr qint64 DayHeaderFileLimitBytes = 64 * 1024;
[[nodiscard]] QString dayHeaderPath(const QString& dayFolder);

struct DayHeader {
    SurveyHeader header;
    bool ownFile = false; // from the day's file; else norvel.ini's proposal
    // Texts of the day's file that cannot be used, left empty: each key with the sentence saying so.
    QList<std::pair<QString, QString>> unusable;
    QString problem; // the day's file is there but cannot be read or decoded: the proposal stands in its place
};
// The header in a day file's content: a text that cannot be used left empty and, when given, named in unusable.
[[nodiscard]] SurveyHeader dayHeaderIn(const QByteArray& content, QList<UnusableSetting>* unusable = nullptr);
// The content with the header's texts set, each on one line, every other line kept.
[[nodiscard]] QByteArray withDayHeader(const QByteArray& content, const SurveyHeader& header);
// The day's header from its file, else norvel.ini's proposal (settings: its content).
[[nodiscard]] DayHeader readDayHeader(const QString& dayFolder, const QByteArray& settings);
// Sets the day's header in its file through the durable writer, keeping its other lines. A file that cannot be read
// is not written over (it may hold more than these texts), nor is anything but a regular file. Empty, or the
// sentence saying what was not kept and why.
[[nodiscard]] QString writeDayHeader(const QString& dayFolder, const SurveyHeader& header);

} // namespace norvel
