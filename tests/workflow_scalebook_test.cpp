#include "app/workflow/scalebook.h"
#include "fakeservices.h"
#include "testsupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

const QSize Picture(640, 480); // described scale 91 px/mm

struct CalibrationCase {
    const char* name;
    double draggedViewPx; // along x
    float zoom;
    float dspRate;
    std::optional<double> lengthMm; // nullopt: the length box is cancelled
    bool confirm; // the answer to the question about a far figure
    std::optional<float> scale; // in force afterwards, also after reading the file again
    int errors;
    int questions;
};

class ScaleBookCalibrationTest : public ::testing::TestWithParam<CalibrationCase> { };

TEST_P(ScaleBookCalibrationTest, setsTheScaleOnlyFromAnAcceptedLine)
{
    const CalibrationCase& c = GetParam();
    FakeServices fake;
    if (c.lengthMm)
        fake.lengthAnswers.push_back(c.lengthMm);
    fake.okAnswers.push_back(c.confirm);
    ScaleBook book(fake.services());
    book.startCalibrating();
    const bool changed
        = book.calibrateAlong({ 10, 10 }, { 10 + c.draggedViewPx, 10 }, c.zoom, c.dspRate, Picture, "ruler.jpg");
    EXPECT_FALSE(book.calibrating());
    EXPECT_EQ(changed, c.scale.has_value());
    EXPECT_EQ(book.scaleFor(Picture), c.scale);
    EXPECT_EQ(fake.errors.size(), c.errors) << fake.errors.join(u'\n').toStdString();
    EXPECT_EQ(fake.questions.size(), c.questions);
    if (c.draggedViewPx >= 100) {
        ASSERT_EQ(fake.lengthOffers.size(), 1u);
        EXPECT_DOUBLE_EQ(fake.lengthOffers[0].first, c.draggedViewPx / c.zoom / c.dspRate);
    } else {
        EXPECT_TRUE(fake.lengthOffers.empty()); // refused before asking
    }
    ScaleBook reread(fake.services());
    reread.read();
    EXPECT_EQ(reread.scaleFor(Picture), c.scale);
}

INSTANTIATE_TEST_SUITE_P(Scales, ScaleBookCalibrationTest,
    ::testing::Values(CalibrationCase { "accepted", 200, 2.5f, 0.5f, 2.0, true, 80.0f, 0, 0 },
        CalibrationCase { "tooShortNotAsked", 40, 1, 1, 1.0, true, std::nullopt, 1, 0 },
        CalibrationCase { "lengthCancelled", 200, 2.5f, 0.5f, std::nullopt, true, std::nullopt, 0, 0 },
        CalibrationCase { "lengthRefused", 200, 2.5f, 0.5f, 200.0, true, std::nullopt, 1, 0 },
        CalibrationCase { "farFigureDeclined", 200, 2.5f, 0.5f, 0.5, false, std::nullopt, 0, 1 },
        CalibrationCase { "farFigureConfirmed", 200, 2.5f, 0.5f, 0.5, true, 320.0f, 0, 1 }),
    caseName<CalibrationCase>);

// Forgetting touches the file only for a size that has a scale; a file that cannot be written keeps it.
TEST(ScaleBookForget, removesOnlyAScaleThatIsThereAndKeepsItWhenTheFileCannotBeWritten)
{
    FakeServices fake;
    fake.lengthAnswers = { 2.0 };
    ScaleBook book(fake.services());
    ASSERT_TRUE(book.calibrateAlong({ 0, 0 }, { 160, 0 }, 1, 1, Picture, {}));
    EXPECT_FALSE(book.forget(QSize(800, 600)));
    const QString file = fake.programFolder.filePath(ScaleFileName);
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir().mkdir(file)); // a folder in the file's place
    EXPECT_FALSE(book.forget(Picture));
    EXPECT_EQ(book.scaleFor(Picture), 80.0f);
    EXPECT_EQ(fake.errors.size(), 1);
    ASSERT_TRUE(QDir(file).removeRecursively());
    EXPECT_TRUE(book.forget(Picture));
    EXPECT_EQ(book.scaleFor(Picture), std::nullopt);
    ScaleBook reread(fake.services());
    reread.read();
    EXPECT_EQ(reread.scaleFor(Picture), std::nullopt);
    EXPECT_EQ(fake.errors.size(), 1);
}

} // namespace
