#include "app/form1.h"

// The pole's and the cracks' facts, asked in their dialogs.
namespace norvel {

void Form1::PoleInfo_Click()
{
    m_facts.askPoleFacts();
}

void Form1::Label3_DblClick()
{
    PoleInfo_Click();
}

void Form1::CrackInfo_Click()
{
    if (m_list.count() > 0)
        m_facts.askCrackFacts(m_list.count());
}

void Form1::ResultRow_DblClick(int Row)
{
    if (Row >= 0 && Row < m_list.count())
        m_facts.askCrackFacts(Row + 1);
}

} // namespace norvel
