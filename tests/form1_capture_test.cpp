#include "form1fixture.h"
#include "platform/flexgrid.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <unistd.h>

using namespace norvel;

namespace {

// White 640 x 480 with a dark band across every vertical scan line: at 91 pixels per mm a 40-pixel band
// measures 0.44, a 30-pixel one 0.33.
QImage shot(int bandHeight)
{
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(0, 200, 640, bandHeight, QColor(40, 40, 40));
    return image;
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files);
}

} // namespace

class Form1CaptureTest : public Form1Fixture {
protected:
    // Chooses the folder to watch; the timer is stopped again so that only the test's own ticks run.
    void watch(const QString& folder)
    {
        fake.folders.push_back(folder);
        get<QPushButton>(QStringLiteral("Command1"))->click();
        timer1()->stop();
    }
    QString tick()
    {
        form->Timer1_Timer();
        return status();
    }
    QString status() { return menuItem(QStringLiteral("Dm"))->text(); }
    QTimer* timer1() { return get<QTimer>(QStringLiteral("Timer1")); }
    FlexGrid* results() { return get<FlexGrid>(QStringLiteral("MSFlexGrid2")); }
    QCheckBox* check(const char* name) { return get<QCheckBox>(QString::fromLatin1(name)); }
    QString setDtPath() { return fake.programFolder.filePath(QStringLiteral("set.Dt")); }
    QString poleFolder() { return fake.programFolder.filePath(QStringLiteral("20221019/1")); }
    QString filed(int n) { return poleFolder() + QStringLiteral("/1_%1.jpg").arg(n); }
    bool onTop() { return form->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint); }

    // A picture filed under 1_1.jpg the given number of seconds before now.
    void fileEarlierPicture(int ageSeconds)
    {
        QDir().mkpath(poleFolder());
        QFile file(filed(1));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("earlier");
        file.flush(); // a later flush would stamp the file with the real time again
        ASSERT_TRUE(file.setFileTime(fake.clockNow.addSecs(-ageSeconds), QFileDevice::FileModificationTime));
    }
};

// Run in turn: a cancel keeps the last choice, and still writes it and clears its folder again.
TEST_F(Form1CaptureTest, choosingAFolder_watchesItsPicturesAndClearsThem)
{
    struct Row {
        const char* name;
        const char* chosen; // nullptr: the user cancels
        bool byMenu;
        const char* watched;
        const char* deleted;
        const char* kept;
    } rows[] = {
        { "button_bmp", "cam", false, "cam/*.bmp", "OLD.BMP", "keep.jpg" },
        { "menu_cameraRoll", "Camera Roll", true, "Camera Roll/*.jpg", "old.JPG", "keep.bmp" },
        { "cancel", nullptr, false, "Camera Roll/*.jpg", "late.jpg", "keep.bmp" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString expected = pictures.filePath(QString::fromUtf8(row.watched));
        const QString folder = QFileInfo(expected).path();
        QDir().mkpath(folder);
        writeBytes(folder + '/' + row.deleted, "x");
        writeBytes(folder + '/' + row.kept, "x");
        QFile::remove(setDtPath());
        fake.folders.push_back(row.chosen ? std::optional(pictures.filePath(row.chosen)) : std::nullopt);
        if (row.byMenu)
            menuItem(QStringLiteral("USB"))->trigger();
        else
            get<QPushButton>(QStringLiteral("Command1"))->click();

        EXPECT_EQ(fake.folderTitles.last(), "フォルダを選択してください");
        EXPECT_EQ(fake.folderRoots.last(), "/");
        EXPECT_EQ(form->state().WatchPath, expected);
        EXPECT_EQ(get<QLineEdit>(QStringLiteral("Text1"))->text(), expected);
        EXPECT_EQ(contents(setDtPath()), (expected + "\r\n").toLocal8Bit());
        EXPECT_EQ(filesIn(folder), QStringList { row.kept });
        EXPECT_TRUE(timer1()->isActive());
    }
}

TEST_F(Form1CaptureTest, unwritableSettingsFile_isReportedAndTheFolderIsStillWatched)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QFile::setPermissions(fake.programFolder.path(), QFile::ReadOwner | QFile::ExeOwner);
    fake.folders.push_back(pictures.path());
    get<QPushButton>(QStringLiteral("Command1"))->click();
    QFile::setPermissions(fake.programFolder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_EQ(fake.errors.size(), 1);
    EXPECT_TRUE(fake.errors[0].contains("set.Dt"));
    EXPECT_TRUE(timer1()->isActive());
}

TEST_F(Form1CaptureTest, shots_areShownMeasuredFiledAndDeleted_andClosingWritesTheResults)
{
    watch(pictures.path());
    writePicture(QStringLiteral("shot.bmp"), shot(40));
    ASSERT_NE(form->outerHeightTwips(), 9000); // started reduced

    EXPECT_EQ(tick(), "Ready");
    EXPECT_EQ(results()->rows(), 0);
    EXPECT_EQ(tick(), "Lood");
    ASSERT_EQ(results()->rows(), 1);
    EXPECT_EQ(results()->textMatrix(0, 1), "0.44");
    EXPECT_EQ(QImage(filed(1)).size(), QSize(640, 480));
    EXPECT_TRUE(filesIn(pictures.path()).isEmpty());
    EXPECT_EQ(form->outerHeightTwips(), 9000);
    EXPECT_EQ(get<QPushButton>(QStringLiteral("Command5"))->text(), "縮小");
    EXPECT_EQ(tick(), "NoFile");

    const QString cameraRoll = pictures.filePath(QStringLiteral("Camera Roll"));
    QDir().mkpath(cameraRoll);
    watch(cameraRoll);
    writePicture(QStringLiteral("Camera Roll/shot.jpg"), shot(30));
    tick();
    EXPECT_EQ(tick(), "Lood");
    ASSERT_EQ(results()->rows(), 2);
    EXPECT_EQ(results()->textMatrix(1, 1), "0.33");
    EXPECT_EQ(QImage(filed(2)).size(), QSize(640, 480));
    const QByteArray expected
        = ("1," + results()->textMatrix(0, 1) + "\r\n2," + results()->textMatrix(1, 1) + "\r\n").toLocal8Bit();

    form->show();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(contents(poleFolder() + QStringLiteral("/No1CP.csv")), expected);
    EXPECT_TRUE(filesIn(cameraRoll).isEmpty());
    EXPECT_TRUE(filesIn(pictures.path()).isEmpty());
}

TEST_F(Form1CaptureTest, twoShotsAtOnce_areBothTakenInInTurn)
{
    watch(pictures.path());
    writePicture(QStringLiteral("a.bmp"), shot(40));
    writePicture(QStringLiteral("b.bmp"), shot(30));
    QStringList statuses;
    for (int i = 0; i < 6; ++i)
        statuses << tick();
    EXPECT_EQ(statuses, (QStringList { "Ready", "Lood", "Ready", "Lood", "NoFile", "NoFile" }));
    ASSERT_EQ(results()->rows(), 2);
    EXPECT_TRUE(QFile::exists(filed(1)));
    EXPECT_TRUE(QFile::exists(filed(2)));
}

// Only a measured shot lets the window go back under other windows and starts the delayed reduce.
TEST_F(Form1CaptureTest, unreadableShot_isRetriedEachTick_andStaysOnTopUntilAShotIsMeasured)
{
    check("Check6")->setChecked(true);
    check("Check3")->setChecked(true);
    auto* timer2 = get<QTimer>(QStringLiteral("Timer2"));
    form->show();
    watch(pictures.path());
    writeBytes(pictures.filePath(QStringLiteral("bad.bmp")), "not a picture");
    EXPECT_EQ(tick(), "Ready");
    EXPECT_EQ(tick(), "LoodErr");
    EXPECT_EQ(tick(), "LoodErr");
    EXPECT_EQ(results()->rows(), 0);
    EXPECT_EQ(filesIn(pictures.path()), QStringList { "bad.bmp" });
    EXPECT_TRUE(onTop());
    EXPECT_FALSE(timer2->isActive());

    writePicture(QStringLiteral("bad.bmp"), shot(40));
    EXPECT_EQ(tick(), "Lood");
    EXPECT_EQ(results()->rows(), 1);
    EXPECT_FALSE(onTop());
    EXPECT_TRUE(timer2->isActive());

    // The camera may reuse the name at once: still a new shot, given its tick to be finished.
    writePicture(QStringLiteral("bad.bmp"), shot(30));
    EXPECT_EQ(tick(), "Ready");
    EXPECT_EQ(tick(), "Lood");
    EXPECT_EQ(results()->rows(), 2);
}

struct OverwriteCase {
    std::string name;
    int ageSeconds;
    bool check4;
    bool asks;
};
void PrintTo(const OverwriteCase& c, std::ostream* os)
{
    *os << c.name;
}

class Form1CaptureOverwriteTest : public Form1CaptureTest, public ::testing::WithParamInterface<OverwriteCase> { };

TEST_P(Form1CaptureOverwriteTest, olderFiledPicture_isReplacedOnlyAfterAskingWhenOverwriteCheckIsOn)
{
    const OverwriteCase& c = GetParam();
    fileEarlierPicture(c.ageSeconds);
    check("Check4")->setChecked(c.check4);
    get<QLineEdit>(QStringLiteral("Text5"))->setText(QStringLiteral("30"));
    watch(pictures.path());
    writePicture(QStringLiteral("shot.bmp"), shot(40));
    tick();
    tick();
    EXPECT_EQ(fake.questions, c.asks ? QStringList { "同一ファイルがあります。上書きしますか？" } : QStringList {});
    EXPECT_EQ(QImage(filed(1)).size(), QSize(640, 480));
    EXPECT_EQ(results()->textMatrix(0, 1), "0.44");
}

INSTANTIATE_TEST_SUITE_P(Ages, Form1CaptureOverwriteTest,
    ::testing::Values(OverwriteCase { "olderThanLimit", 45, true, true },
        OverwriteCase { "withinLimit", 10, true, false }, OverwriteCase { "checkOff", 45, false, false }),
    caseName<OverwriteCase>);

// The question runs an event loop of its own, in which the timer keeps firing.
TEST_F(Form1CaptureTest, overwriteQuestion_holdsTicksBack_andADeclinedShotIsDeletedUnmeasuredNextTick)
{
    check("Check6")->setChecked(true);
    form->show();
    fileEarlierPicture(45);
    watch(pictures.path());
    writePicture(QStringLiteral("shot.bmp"), shot(40));
    QString statusWhileAsking;
    bool onTopWhileAsking = false;
    fake.whileAsking = [&] {
        form->Timer1_Timer();
        statusWhileAsking = status();
        onTopWhileAsking = onTop();
    };
    fake.okAnswers.push_back(false);
    tick();
    EXPECT_EQ(tick(), "Lood");
    EXPECT_EQ(fake.questions.size(), 1);
    EXPECT_EQ(statusWhileAsking, "Lood");
    EXPECT_TRUE(onTopWhileAsking);
    EXPECT_FALSE(onTop());
    EXPECT_EQ(contents(filed(1)), "earlier");
    ASSERT_EQ(results()->rows(), 1);
    EXPECT_EQ(results()->textMatrix(0, 1), "");
    EXPECT_EQ(filesIn(pictures.path()), QStringList { "shot.bmp" });

    EXPECT_EQ(tick(), "Kill");
    EXPECT_TRUE(filesIn(pictures.path()).isEmpty());
    EXPECT_EQ(results()->rows(), 1);
    EXPECT_EQ(fake.questions.size(), 1);
}

TEST_F(Form1CaptureTest, dayFolderBlocked_reportsItButStillMeasuresAndDeletesTheShot)
{
    writeBytes(fake.programFolder.filePath(QStringLiteral("20221019")), "in the way");
    watch(pictures.path());
    writePicture(QStringLiteral("shot.bmp"), shot(40));
    tick();
    EXPECT_EQ(tick(), "Lood");
    ASSERT_EQ(fake.errors.size(), 1);
    EXPECT_TRUE(fake.errors[0].contains(poleFolder())) << fake.errors[0].toStdString();
    EXPECT_EQ(results()->textMatrix(0, 1), "0.44");
    EXPECT_TRUE(filesIn(pictures.path()).isEmpty());
}
