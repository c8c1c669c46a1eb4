#include "results/inspectionfacts.h"

#include "testsupport.h"

#include <gtest/gtest.h>

using namespace norvel;

namespace {

// A facts line's time: the program's own form read by its digits, the forms a person may type parsed, anything
// else a line that cannot be read.
struct TimeCase {
    const char* name;
    const char* time;
    bool readable;
};

class FactsTimeTest : public testing::TestWithParam<TimeCase> { };

TEST_P(FactsTimeTest, ALineIsReadOnlyWithATime)
{
    const TimeCase& c = GetParam();
    const QByteArray line = QByteArray(c.time) + ",7,,P-7,,,,,,,\r\n";
    const InspectionFacts facts = readInspectionFacts(inspectionFactsHeader() + line);
    EXPECT_EQ(facts.unreadableLines, c.readable ? 0 : 1);
    EXPECT_EQ(facts.pole("7").plate, c.readable ? "P-7" : "");
}

INSTANTIATE_TEST_SUITE_P(Times, FactsTimeTest,
    testing::Values(TimeCase { "written_form", "2022-10-19 09:00:00.000", true },
        TimeCase { "typed_form", "2022/10/19 9:00", true },
        TimeCase { "no_such_month", "2022-13-19 09:00:00.000", false },
        TimeCase { "no_such_day", "2022-02-30 09:00:00.000", false },
        TimeCase { "no_such_hour", "2022-10-19 24:00:00.000", false },
        TimeCase { "letters_in_digits", "2022-1a-19 09:00:00.000", false },
        TimeCase { "full_width_digit", "２022-10-19 09:00:00.000", false },
        TimeCase { "other_separators_same_length", "2022_10_19 09:00:00.000", false }, TimeCase { "empty", "", false }),
    caseName<TimeCase>);

} // namespace
