#include "services/scalelengthbox.h"

#include "analysis/scalecalibration.h"
#include "widgets/halfwidthinput.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace norvel {

std::optional<double> QtScaleLengthBox::askLengthMm(double linePx, QSize pictureSize)
{
    QDialog dialog(m_parent);
    dialog.setObjectName(QStringLiteral("scaleLength"));
    dialog.setWindowTitle(QStringLiteral("目盛り校正"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("引いた線"),
        new QLabel(QStringLiteral("%1 画素（画像 %2×%3）")
                       .arg(linePx, 0, 'f', 1)
                       .arg(pictureSize.width())
                       .arg(pictureSize.height())));
    auto* length = new QLineEdit;
    length->setObjectName(QStringLiteral("lengthMm"));
    installHalfWidthInput(length);
    form->addRow(QStringLiteral("目盛りの長さ (mm)"), length);
    auto* scale = new QLabel;
    auto* described = new QLabel;
    auto* difference = new QLabel;
    form->addRow(QStringLiteral("校正した目盛り"), scale);
    form->addRow(QStringLiteral("既定の目盛り"), described);
    form->addRow(QStringLiteral("差"), difference);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);

    const auto update = [&] {
        const CalibrationCheck check = checkTypedCalibration(linePx, length->text(), pictureSize);
        described->setText(QStringLiteral("%1 画素/mm").arg(check.describedPxPerMm, 0, 'f', 2));
        const bool usable = check.refusal.isEmpty();
        scale->setText(usable ? QStringLiteral("%1 画素/mm").arg(check.pxPerMm, 0, 'f', 2) : QStringLiteral("－"));
        difference->setText(usable ? QStringLiteral("%1%2 %")
                                         .arg(check.differencePercent >= 0 ? "+" : "")
                                         .arg(check.differencePercent, 0, 'f', 1)
                                   : QStringLiteral("－"));
    };
    QObject::connect(length, &QLineEdit::textChanged, &dialog, update);
    update();
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // What the window would refuse is refused here, so the length can be mended; a figure far from the
    // described one is the window's question, asked once the dialog is closed.
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        const CalibrationCheck check = checkTypedCalibration(linePx, length->text(), pictureSize);
        if (!check.refusal.isEmpty()) {
            QMessageBox::warning(&dialog, dialog.windowTitle(), check.refusal);
            return;
        }
        dialog.accept();
    });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return typedLengthMm(length->text());
}

} // namespace norvel
