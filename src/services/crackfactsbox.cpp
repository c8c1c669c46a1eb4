#include "services/crackfactsbox.h"

#include "core/numbers.h"
#include "widgets/halfwidthinput.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace norvel {

namespace {

// An empty box is a value not given (a height not measured, a crack going by its row); anything else must be a
// number from low to high.
template <typename T> std::optional<std::optional<T>> typedInRange(const QString& text, T low, T high)
{
    const QString typed = halfWidthNumberText(text.trimmed());
    if (typed.isEmpty())
        return std::optional<T>();
    const std::optional<T> value = exactNumber<T>(typed);
    if (!value || *value < low || *value > high)
        return std::nullopt;
    return value;
}

std::optional<std::optional<double>> typedHeightM(const QString& text)
{
    return typedInRange<double>(text, 0, MaxHeightM);
}

std::optional<std::optional<int>> typedNumber(const QString& text)
{
    return typedInRange<int>(text, 1, MaxCrackNumber);
}

QComboBox* choiceBox(const QString& name, const QStringList& choices)
{
    auto* box = new QComboBox;
    box->setObjectName(name);
    box->addItems(choices);
    return box;
}

} // namespace

CrackFactsDialog::CrackFactsDialog(const QString& pole, int row, const CrackFacts& current, QWidget* parent)
    : QDialog(parent)
    , m_number(new QLineEdit)
    , m_direction(choiceBox(QStringLiteral("direction"),
          { QString(), crackDirectionName(CrackDirection::Transverse), crackDirectionName(CrackDirection::Longitudinal),
              crackDirectionName(CrackDirection::Oblique) }))
    , m_height(new QLineEdit)
    , m_face(choiceBox(QStringLiteral("face"),
          { QString(), QStringLiteral("道路側"), QStringLiteral("民地側"), QStringLiteral("北"), QStringLiteral("東"),
              QStringLiteral("南"), QStringLiteral("西") }))
    , m_rust(choiceBox(QStringLiteral("rust"), { rustText(std::nullopt), rustText(true), rustText(false) }))
    , m_remarks(new QLineEdit(current.remarks))
{
    setObjectName(QStringLiteral("crackFacts"));
    setWindowTitle(QStringLiteral("ひび割れ情報 — 調査柱No.「%1」 %2 行目").arg(pole).arg(row));
    m_number->setObjectName(QStringLiteral("crackNumber"));
    installHalfWidthInput(m_number);
    m_number->setText(current.number ? QString::number(*current.number) : QString());
    m_direction->setCurrentText(crackDirectionName(current.direction));
    m_height->setObjectName(QStringLiteral("heightM"));
    m_height->setPlaceholderText(QStringLiteral("0～100"));
    installHalfWidthInput(m_height);
    m_height->setText(current.heightM ? exactText(*current.heightM) : QString());
    // Any face may be named; the usual ones are there to pick.
    m_face->setEditable(true);
    m_face->lineEdit()->setMaxLength(MaxFactLength);
    m_face->setCurrentText(current.face);
    m_rust->setCurrentIndex(current.rust ? (*current.rust ? 1 : 2) : 0);
    m_remarks->setObjectName(QStringLiteral("remarks"));
    m_remarks->setMaxLength(MaxFactLength);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ひび割れNo"), m_number);
    form->addRow(QStringLiteral("方向"), m_direction);
    form->addRow(QStringLiteral("地上高 (m)"), m_height);
    form->addRow(QStringLiteral("面"), m_face);
    form->addRow(QStringLiteral("錆汁"), m_rust);
    form->addRow(QStringLiteral("備考"), m_remarks);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName(QStringLiteral("buttons"));
    m_ok = buttons->button(QDialogButtonBox::Ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto usable = [this] { m_ok->setEnabled(heightUsable() && numberUsable()); };
    connect(m_height, &QLineEdit::textChanged, this, usable);
    connect(m_number, &QLineEdit::textChanged, this, usable);
    usable();
    setMinimumWidth(320);
}

bool CrackFactsDialog::heightUsable() const
{
    return typedHeightM(m_height->text()).has_value();
}

bool CrackFactsDialog::numberUsable() const
{
    return typedNumber(m_number->text()).has_value();
}

CrackFacts CrackFactsDialog::facts() const
{
    CrackFacts facts;
    facts.number = typedNumber(m_number->text()).value_or(std::nullopt);
    facts.direction = crackDirectionFromName(m_direction->currentText()).value_or(CrackDirection::Unknown);
    facts.heightM = typedHeightM(m_height->text()).value_or(std::nullopt);
    facts.face = m_face->currentText().trimmed();
    if (m_rust->currentIndex() > 0)
        facts.rust = m_rust->currentIndex() == 1;
    facts.remarks = m_remarks->text().trimmed();
    return facts;
}

std::optional<CrackFacts> QtCrackFactsBox::askCrackFacts(const QString& pole, int row, const CrackFacts& current)
{
    CrackFactsDialog dialog(pole, row, current, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.facts();
}

} // namespace norvel
