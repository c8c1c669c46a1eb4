#include "app/form1.h"

#include "widgets/clickablelabel.h"

#include <QAction>
#include <QCheckBox>
#include <QRadioButton>

namespace norvel {

// Each menu item that duplicates a control runs that control's click handling with the same index.
void Form1::USB_Click()
{
    Command1_Click();
}

void Form1::Bun_Click()
{
    Command2_Click();
}

void Form1::bunGo_Click()
{
    Command2_Click();
}

void Form1::col_Click(int Index)
{
    Command3_Click(Index);
}

void Form1::cop_Click(int Index)
{
    Command4_Click(Index);
}

void Form1::TyoNoPrs_Click(int Index)
{
    Label4_Click(Index);
}

void Form1::ops_Click(int Index)
{
    selectOption1(Index);
}

void Form1::copC_Click()
{
    m_choices.clearAfterCopy = !m_choices.clearAfterCopy;
    updateActions();
}

QCheckBox* Form1::checkBox(int number) const
{
    const std::array<QCheckBox*, 7> boxes { nullptr, Check1, Check2, Check3, Check4, Check5, Check6 };
    return boxes.at(number);
}

void Form1::Set_Click()
{
    for (int i = 1; i <= 6; ++i)
        check[i]->setChecked(checkBox(i)->isChecked());
}

void Form1::check_Click(int Index)
{
    check[Index]->setChecked(!check[Index]->isChecked());
    // Setting the box runs its own click handling when its value changes.
    checkBox(Index)->setChecked(check[Index]->isChecked());
}

void Form1::Label4_MouseDown(int Index)
{
    Label4[Index]->setPressedLook(true);
}

void Form1::Label4_MouseUp(int Index)
{
    Label4[Index]->setPressedLook(false);
}

// The boxes below have no handling of their own: the commands that need them read their values.
void Form1::Check1_Click() { }
void Form1::Check4_Click() { }
void Form1::Check5_Click() { }
void Form1::Check6_Click() { }

} // namespace norvel
