#pragma once

#include <QString>

#include <memory>

class QFileDialog;
class QWidget;

namespace norvel {

// Whether a file name matches the patterns in the parentheses of a filter entry such as
// "Pictures (*.JPG)". Case does not matter, since cameras write .JPG as often as .jpg, and a JPEG pattern
// also admits the other JPEG endings (.jpeg, .jpe).
[[nodiscard]] bool nameMatchesFilter(const QString& fileName, const QString& filterText);

// Qt's own open-file dialog for one filter entry, shown with the entry's text as given but matching names
// by nameMatchesFilter(). lastFile is selected when it is set.
[[nodiscard]] std::unique_ptr<QFileDialog> makeOpenFileDialog(
    QWidget* parent, const QString& title, const QString& filterText, const QString& lastFile);

} // namespace norvel
