#pragma once

#include <QString>
#include <QStringList>

// The texts the result list hands on: to the clipboard and to the measured-values menu.
namespace norvel {

enum class CopyLayout { OnePerLine, TabSeparated };

// Each width followed by its separator (CR LF or TAB), so the text ends with one; empty for no rows.
[[nodiscard]] QString copyText(const QStringList& widths, CopyLayout layout);

// The menu lists at most the last six results, each as its row number, ": " and the width ("7: 0.35").
struct RecentResults {
    int firstRow = 0; // counted from 0
    QStringList captions;
};
[[nodiscard]] RecentResults recentResults(const QStringList& widths);

// Caption of the measured-values menu after a correction: "測定値:0.35mm".
[[nodiscard]] QString correctedCaption(const QString& width);

} // namespace norvel
