#pragma once

#include "settings/programsettings.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// What the photo ledger is headed with and how it is laid out, kept in norvel.ini's [survey] between uses.
namespace norvel {

// The survey's header on the ledger's cover and every page's top line. Texts are one line each.
struct SurveyHeader {
    QString title; // 件名
    QString inspector; // 調査者
    QString company; // 会社
    QString weather; // 天候
    QString equipment; // 使用機器
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
};

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
// three-a-page form.
[[nodiscard]] LedgerChoices ledgerChoices(const QByteArray& settings);
// The form's text when it is there and neither: the three-a-page form is used in its place.
[[nodiscard]] std::optional<UnusableSetting> unusableLedgerForm(const QByteArray& settings);
// The settings that keep them; line breaks in a text become spaces, since a value is one line of the file.
[[nodiscard]] QList<ProgramSetting> ledgerChoiceSettings(const LedgerChoices& choices);

} // namespace norvel
