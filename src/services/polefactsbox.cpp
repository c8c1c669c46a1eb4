#include "services/polefactsbox.h"

#include "core/numbers.h"
#include "widgets/halfwidthinput.h"

#include <QCompleter>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace norvel {

namespace {

QLineEdit* factField(const QString& name, const QString& text)
{
    auto* field = new QLineEdit(text);
    field->setObjectName(name);
    // A longer text would make the line one the facts file no longer reads.
    field->setMaxLength(MaxFactLength);
    return field;
}

} // namespace

PoleFactsDialog::PoleFactsDialog(const QString& pole, const PoleFacts& current, const QStringList& knownPlates,
    std::function<QString(const QString& plate)> previousOf,
    std::function<std::optional<PoleFacts>(const QString& plate)> knownFactsOf, QWidget* parent)
    : QDialog(parent)
    , m_previousOf(std::move(previousOf))
    , m_knownFactsOf(std::move(knownFactsOf))
    , m_plate(factField(QStringLiteral("plate"), current.plate))
    , m_place(factField(QStringLiteral("place"), current.place))
    , m_type(factField(QStringLiteral("poleType"), current.type))
    , m_remarks(factField(QStringLiteral("remarks"), current.remarks))
    , m_previous(new QLabel)
{
    setObjectName(QStringLiteral("poleFacts"));
    setWindowTitle(QStringLiteral("柱情報 — 調査柱No.「%1」").arg(pole));
    auto* completer = new QCompleter(knownPlates, m_plate);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    // Plates are read off in pieces: the digits typed find the plate wherever they stand in it.
    completer->setFilterMode(Qt::MatchContains);
    m_plate->setCompleter(completer);
    // Chosen, not typed: a plate typed in full would otherwise overwrite what was typed below it.
    connect(completer, qOverload<const QString&>(&QCompleter::activated), this,
        [this](const QString& plate) { fillFromKnown(plate); });
    // The facts offered read in half width too, as the file now reads them.
    for (QLineEdit* name : { m_plate, m_place, m_type }) {
        installHalfWidthIdentifierInput(name);
        name->setText(halfWidthIdentifierText(name->text()));
    }
    m_previous->setObjectName(QStringLiteral("previousInspection"));
    m_previous->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("電柱番号"), m_plate);
    form->addRow(QString(), m_previous);
    form->addRow(QStringLiteral("所在地・路線"), m_place);
    form->addRow(QStringLiteral("柱種"), m_type);
    form->addRow(QStringLiteral("備考"), m_remarks);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName(QStringLiteral("buttons"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_plate, &QLineEdit::textChanged, this, [this] { showPrevious(); });
    showPrevious();
    setMinimumWidth(360);
}

void PoleFactsDialog::showPrevious()
{
    const QString text = m_previousOf ? m_previousOf(m_plate->text().trimmed()) : QString();
    m_previous->setText(text);
    m_previous->setVisible(!text.isEmpty());
}

void PoleFactsDialog::fillFromKnown(const QString& plate)
{
    const std::optional<PoleFacts> known = m_knownFactsOf ? m_knownFactsOf(plate.trimmed()) : std::nullopt;
    if (!known)
        return;
    // What that survey did not say leaves what is typed.
    if (!known->place.isEmpty())
        m_place->setText(known->place);
    if (!known->type.isEmpty())
        m_type->setText(known->type);
}

PoleFacts PoleFactsDialog::facts() const
{
    return { m_plate->text().trimmed(), m_place->text().trimmed(), m_type->text().trimmed(),
        m_remarks->text().trimmed() };
}

std::optional<PoleFacts> QtPoleFactsBox::askPoleFacts(const QString& pole, const PoleFacts& current,
    const QStringList& knownPlates, const std::function<QString(const QString& plate)>& previousOf,
    const std::function<std::optional<PoleFacts>(const QString& plate)>& knownFactsOf)
{
    PoleFactsDialog dialog(pole, current, knownPlates, previousOf, knownFactsOf, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.facts();
}

} // namespace norvel
