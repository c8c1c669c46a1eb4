#include "form1fixture.h"
#include "picture/picturefile.h"
#include "results/recordcolumns.h"
#include "testsupport.h"
#include "widgets/flexgrid.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDirIterator>
#include <QFileInfo>
#include <QImageWriter>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <fcntl.h>
#include <functional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace norvel;

namespace {

QImage shot(int bandHeight)
{
    return bandShot(bandHeight);
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files);
}

const QString At143005 = QStringLiteral("20221019_143005");

// The filed copy as it was made before filing moved to its own thread: Qt's decoding, Qt's writer.
QByteArray filedAsBefore(const QByteArray& shotBytes)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QImageWriter writer(&out, "jpg");
    writer.setQuality(75);
    writer.write(QImage::fromData(shotBytes));
    return out.data();
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
    // One tick, and the end of the filing it may have started: the filed copy is written on a thread of its own
    // and the shot leaves the folder only then.
    QString tick()
    {
        form->Timer1_Timer();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !form->filingPending(); }, 10000));
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
    QString setAsidePath(const QString& subfolder, const QString& name = {})
    {
        const QString folder = fake.programFolder.filePath(QStringLiteral("未取込/") + subfolder);
        return name.isEmpty() ? folder : folder + QLatin1Char('/') + name;
    }
    // Every file under 未取込, as "subfolder/name".
    QStringList setAside()
    {
        QStringList found;
        const QDir root(fake.programFolder.filePath(QStringLiteral("未取込")));
        QDirIterator it(root.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << root.relativeFilePath(it.next());
        found.sort();
        return found;
    }

    // A file in pole 1's folder written the given number of seconds before now.
    void writeEarlier(const QString& path, const QByteArray& bytes, int ageSeconds)
    {
        QDir().mkpath(poleFolder());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.flush(); // a later flush would stamp the file with the real time again
        ASSERT_TRUE(file.setFileTime(fake.clockNow.addSecs(-ageSeconds), QFileDevice::FileModificationTime));
    }
    void fileEarlierPicture(int ageSeconds) { writeEarlier(filed(1), "earlier", ageSeconds); }
    QString resultFile() { return poleFolder() + QStringLiteral("/No1CP.csv"); }
};

// Run in turn: a cancel keeps the last choice, and still writes it and clears its folder again.
TEST_F(Form1CaptureTest, choosingAFolder_watchesItsPicturesAndClearsThem)
{
    struct Row {
        const char* name;
        const char* chosen; // nullptr: the user cancels
        bool byMenu;
        const char* watched;
        const char* setAside; // moved into 未取込, in a subfolder of its own each time
        const char* kept;
        const char* subfolder;
    } rows[] = {
        { "button_bmp", "cam", false, "cam/*.bmp", "OLD.BMP", "keep.jpg", "20221019_143005" },
        { "menu_cameraRoll", "Camera Roll", true, "Camera Roll/*.jpg", "old.JPG", "keep.bmp", "20221019_143005_2" },
        { "cancel", nullptr, false, "Camera Roll/*.jpg", "late.jpg", "keep.bmp", "20221019_143005_3" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString expected = pictures.filePath(QString::fromUtf8(row.watched));
        const QString folder = QFileInfo(expected).path();
        QDir().mkpath(folder);
        writeBytes(folder + '/' + row.setAside, QByteArray("shot ") + row.setAside);
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
        const QString subfolder = setAsidePath(QString::fromUtf8(row.subfolder));
        EXPECT_EQ(contents(subfolder + '/' + row.setAside), QByteArray("shot ") + row.setAside);
        EXPECT_EQ(fake.notices.value(fake.notices.size() - 1),
            QStringLiteral("カメラのフォルダにあった画像 1 枚を「%1」に移しました。").arg(subfolder));
        EXPECT_TRUE(timer1()->isActive());
    }
    EXPECT_EQ(fake.notices.size(), 3);
    EXPECT_TRUE(fake.errors.isEmpty());
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
    const QByteArray bmp = contents(writePicture(QStringLiteral("shot.bmp"), shot(40)));
    ASSERT_NE(form->outerHeightTwips(), 9000); // started reduced

    EXPECT_EQ(tick(), "Ready");
    EXPECT_EQ(results()->rows(), 0);
    EXPECT_EQ(tick(), "Lood");
    ASSERT_EQ(results()->rows(), 1);
    EXPECT_EQ(results()->textMatrix(0, 1), "0.44");
    EXPECT_EQ(contents(filed(1)), filedAsBefore(bmp));
    EXPECT_TRUE(filesIn(pictures.path()).isEmpty());
    EXPECT_EQ(form->outerHeightTwips(), 9000);
    EXPECT_EQ(get<QPushButton>(QStringLiteral("Command5"))->text(), "縮小");
    EXPECT_EQ(tick(), "NoFile");

    const QString cameraRoll = pictures.filePath(QStringLiteral("Camera Roll"));
    QDir().mkpath(cameraRoll);
    watch(cameraRoll);
    const QByteArray jpeg = contents(writePicture(QStringLiteral("Camera Roll/shot.jpg"), shot(30)));
    tick();
    EXPECT_EQ(tick(), "Lood");
    ASSERT_EQ(results()->rows(), 2);
    EXPECT_EQ(results()->textMatrix(1, 1), "0.33");
    EXPECT_EQ(contents(filed(2)), filedAsBefore(jpeg));
    const QByteArray expected
        = ("1," + results()->textMatrix(0, 1) + "\r\n2," + results()->textMatrix(1, 1) + "\r\n").toLocal8Bit();

    form->show();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(contents(poleFolder() + QStringLiteral("/No1CP.csv")), expected);
    EXPECT_TRUE(filesIn(cameraRoll).isEmpty());
    EXPECT_TRUE(filesIn(pictures.path()).isEmpty());
}

// A shot wider than 4:3 is fitted whole into the view box, as an opened picture is.
TEST_F(Form1CaptureTest, wideShot_fitsTheViewBox)
{
    const QString cameraRoll = pictures.filePath(QStringLiteral("Camera Roll"));
    QDir().mkpath(cameraRoll);
    watch(cameraRoll); // watches its JPEG files
    QImage wide(1920, 1080, QImage::Format_RGB32);
    wide.fill(Qt::white);
    writePicture(QStringLiteral("Camera Roll/wide.jpg"), wide);
    EXPECT_EQ(tick(), "Ready");
    EXPECT_EQ(tick(), "Lood");
    EXPECT_EQ(form->state().DspRate, static_cast<float>(640.0 / 1920));
    EXPECT_EQ(get<QMenu>(QStringLiteral("Sz"))->title(), QStringLiteral("サイズ：1920×1080 ⇒ 640×360"));
    EXPECT_DOUBLE_EQ(picture1->outerWidth(), 644);
    EXPECT_DOUBLE_EQ(picture1->outerHeight(), 364);
}

// Until the filed copy is written the shot stays and no other is taken in; what ends the watching first waits
// for the filing and lets the shot go, deleted and not set aside.
TEST_F(Form1CaptureTest, filingInProgress_holdsTheNextShot_andWhatEndsTheWatchingWaitsForIt)
{
    for (const bool closing : { false, true }) {
        SCOPED_TRACE(closing ? "close" : "another folder");
        QDir().mkpath(pictures.filePath(QStringLiteral("other")));
        watch(pictures.path());
        const QByteArray bmp = contents(writePicture(QStringLiteral("a.bmp"), shot(40)));
        tick();
        form->Timer1_Timer(); // the filing's end reaches the window through its event queue
        ASSERT_TRUE(form->filingPending());
        writePicture(QStringLiteral("b.bmp"), shot(30));
        form->Timer1_Timer();
        form->Timer1_Timer();
        EXPECT_EQ(results()->rows(), 1);
        EXPECT_TRUE(QFile::exists(pictures.filePath(QStringLiteral("a.bmp"))));

        if (closing) {
            form->show();
            EXPECT_TRUE(form->close());
        } else {
            watch(pictures.filePath(QStringLiteral("other")));
        }
        EXPECT_FALSE(form->filingPending());
        EXPECT_EQ(contents(filed(1)), filedAsBefore(bmp));
        EXPECT_FALSE(QFile::exists(pictures.filePath(QStringLiteral("a.bmp"))));
        EXPECT_FALSE(setAside().join(u',').contains(QStringLiteral("a.bmp")));
        QFile::remove(pictures.filePath(QStringLiteral("b.bmp")));
        listRows({});
    }
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
TEST_F(Form1CaptureTest, overwriteQuestion_holdsTicksBack_andADeclinedShotIsSetAsideUnmeasuredNextTick)
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

    const QByteArray shotBytes = contents(pictures.filePath(QStringLiteral("shot.bmp")));
    EXPECT_EQ(tick(), "Kill");
    EXPECT_TRUE(filesIn(pictures.path()).isEmpty());
    EXPECT_EQ(contents(setAsidePath(At143005, QStringLiteral("shot.bmp"))), shotBytes);
    EXPECT_EQ(results()->rows(), 1);
    EXPECT_EQ(fake.questions.size(), 1);
}

// Without its filed copy the shot is the only picture of the result: it is set aside, or, when even that
// fails, left in the camera folder and reported once.
TEST_F(Form1CaptureTest, filingFails_measuresTheShotButKeepsIt)
{
    const struct {
        const char* name;
        bool setAsideBlocked;
    } rows[] = { { "setAside", false }, { "setAsideBlockedToo", true } };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir camera;
        fake.errors.clear();
        writeBytes(fake.programFolder.filePath(QStringLiteral("20221019")), "in the way");
        if (row.setAsideBlocked) {
            QDir(fake.programFolder.filePath(QStringLiteral("未取込"))).removeRecursively();
            writeBytes(fake.programFolder.filePath(QStringLiteral("未取込")), "in the way");
        }
        watch(camera.path());
        ASSERT_TRUE(shot(40).save(camera.filePath(QStringLiteral("shot.bmp")), "BMP"));
        const QByteArray shotBytes = contents(camera.filePath(QStringLiteral("shot.bmp")));
        tick();
        EXPECT_EQ(tick(), "Lood");
        EXPECT_EQ(results()->textMatrix(results()->rows() - 1, 1), "0.44");
        ASSERT_FALSE(fake.errors.isEmpty());
        EXPECT_TRUE(fake.errors[0].contains(poleFolder())) << fake.errors[0].toStdString();
        if (!row.setAsideBlocked) {
            // Nor can the result file or the measurement record go into the day folder: each said once.
            ASSERT_EQ(fake.errors.size(), 3);
            EXPECT_TRUE(fake.errors[1].contains(QStringLiteral("結果は一覧に残っています")))
                << fake.errors[1].toStdString();
            EXPECT_TRUE(fake.errors[2].contains(QStringLiteral("測定記録"))) << fake.errors[2].toStdString();
            EXPECT_TRUE(filesIn(camera.path()).isEmpty());
            EXPECT_EQ(contents(setAsidePath(At143005, QStringLiteral("shot.bmp"))), shotBytes);
            continue;
        }
        for (int i = 0; i < 4; ++i)
            tick();
        EXPECT_EQ(status(), "KillErr");
        EXPECT_EQ(fake.errors.size(), 2); // the filing, and once the shot that stays
        EXPECT_TRUE(fake.errors[1].contains(camera.filePath(QStringLiteral("shot.bmp"))));
        EXPECT_EQ(contents(camera.filePath(QStringLiteral("shot.bmp"))), shotBytes);
        EXPECT_EQ(results()->rows(), 2);
    }
}

// Not a picture, or a shot never finished: after ten seconds of failing it goes aside, and the watcher
// goes on with the shots that follow.
TEST_F(Form1CaptureTest, fileThatNeverLoads_isSetAsideAfterTenSeconds)
{
    watch(pictures.path());
    writeBytes(pictures.filePath(QStringLiteral("bad.bmp")), "not a picture");
    const QDateTime start = fake.clockNow;
    QStringList statuses;
    for (int ms = 0; ms <= 10500; ms += 500) {
        fake.clockNow = start.addMSecs(ms);
        statuses << tick();
    }
    EXPECT_EQ(statuses.first(), "Ready");
    EXPECT_EQ(statuses.mid(1, 20), QStringList(20, QStringLiteral("LoodErr")));
    EXPECT_EQ(statuses.last(), "Kill");
    EXPECT_EQ(setAside(), QStringList { "20221019_143015/bad.bmp" });
    EXPECT_EQ(contents(setAsidePath(QStringLiteral("20221019_143015"), QStringLiteral("bad.bmp"))), "not a picture");

    writePicture(QStringLiteral("shot.bmp"), shot(40));
    EXPECT_EQ(tick(), "Ready");
    EXPECT_EQ(tick(), "Lood");
    EXPECT_EQ(results()->textMatrix(0, 1), "0.44");
    EXPECT_TRUE(QFile::exists(filed(1)));
}

// What a stranger can put into the camera folder never stops or floods the program: devices, FIFOs and
// links to them are never opened, a file too big to be a shot goes aside unread, and a shot whose name is
// not UTF-8 is taken in like any other.
TEST_F(Form1CaptureTest, hostileEntries_areNeverOpened_andTheShotAmongThemIsMeasured)
{
    watch(pictures.path());
    const QByteArray folder = QFile::encodeName(pictures.path()) + '/';
    ASSERT_EQ(::mkfifo((folder + "fifo.bmp").constData(), 0644), 0);
    ASSERT_EQ(::symlink("/dev/zero", (folder + "zero.bmp").constData()), 0);
    ASSERT_EQ(::symlink("/dev", (folder + "dev.bmp").constData()), 0);
    QFile huge(pictures.filePath(QStringLiteral("huge.bmp")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(PictureFileLimitBytes + 1)); // sparse
    huge.close();
    QByteArray bmp;
    QBuffer buffer(&bmp);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && shot(40).save(&buffer, "BMP"));
    const int fd = ::open((folder + "caf\xe9.bmp").constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bmp.constData(), static_cast<std::size_t>(bmp.size())), bmp.size());
    ::close(fd);

    const QDateTime start = fake.clockNow;
    for (int ms = 0; ms <= 12000; ms += 500) {
        fake.clockNow = start.addMSecs(ms);
        tick();
    }
    ASSERT_EQ(results()->rows(), 1);
    EXPECT_EQ(results()->textMatrix(0, 1), "0.44");
    EXPECT_EQ(QImage(filed(1)).size(), QSize(640, 480));
    ASSERT_EQ(setAside().size(), 1);
    EXPECT_TRUE(setAside()[0].endsWith(QStringLiteral("/huge.bmp")));
    EXPECT_EQ(QDir(pictures.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
        (QStringList { "dev.bmp", "fifo.bmp", "zero.bmp" }));
    EXPECT_TRUE(fake.errors.isEmpty());
}

// While any dialog, question or message is open, a shot waits: it belongs to the pole in force, and to the
// picture on screen, once it is closed.
TEST_F(Form1CaptureTest, everyDialogQuestionAndMessage_holdsTheWatcherBack)
{
    const struct {
        const char* name;
        std::function<void()> open;
        const char* filedAs; // below the day folder
    } rows[] = {
        { "poleChangeQuestion", [&] { get<QLineEdit>(QStringLiteral("Text4"))->setText(QStringLiteral("2")); },
            "2/2_1.jpg" },
        { "refusedPoleMessage", [&] { get<QLineEdit>(QStringLiteral("Text4"))->setText(QStringLiteral("a/b")); },
            "1/1_2.jpg" },
        { "openPictureDialog",
            [&] {
                fake.files.push_back(std::nullopt);
                menuItem(QStringLiteral("JPOP"))->trigger();
            },
            "1/1_2.jpg" },
        { "folderDialog",
            [&] {
                fake.folders.push_back(std::nullopt);
                menuItem(QStringLiteral("USB"))->trigger();
            },
            "1/1_2.jpg" },
        { "ledgerDialog", [&] { menuItem(QStringLiteral("Ledger"))->trigger(); }, "1/1_2.jpg" },
        { "poleFactsDialog", [&] { menuItem(QStringLiteral("PoleInfo"))->trigger(); }, "1/1_2.jpg" },
        { "crackFactsDialog", [&] { menuItem(QStringLiteral("CrackInfo"))->trigger(); }, "1/1_2.jpg" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        startAfresh();
        watch(pictures.path());
        writeEarlier(resultFile(), "old", 60);
        listUnsavedRows({ "0.30" });
        QStringList whileOpen;
        const auto tickTwice = [&] {
            writePicture(QStringLiteral("shot.bmp"), shot(40));
            whileOpen << tick() << tick() << QString::number(results()->rows());
        };
        fake.whileAsking = tickTwice;
        fake.whileShowing = tickTwice;
        fake.whileChoosing = tickTwice;
        row.open();
        // A cancelled folder choice clears the folder and says so: a second message, held back as well.
        ASSERT_FALSE(whileOpen.isEmpty());
        for (qsizetype i = 0; i < whileOpen.size(); i += 3)
            EXPECT_EQ(whileOpen.mid(i, 3), (QStringList { "", "", "1" }));
        fake.whileAsking = nullptr;
        fake.whileShowing = nullptr;
        fake.whileChoosing = nullptr;

        EXPECT_EQ(tick(), "Ready");
        EXPECT_EQ(tick(), "Lood");
        EXPECT_TRUE(QFile::exists(fake.programFolder.filePath(QStringLiteral("20221019/") + row.filedAs)));
        fake.questions.clear();
        fake.errors.clear();
        QFile::remove(resultFile());
        form->resultList().restart(QStringLiteral("1")); // the next round's result file is pole 1's again
    }
}

TEST_F(Form1CaptureTest, shutDown_stopsTheWatcherFirst_andRestartsItOnlyIfTheProgramStaysOpen)
{
    for (const bool ok : { false, true }) {
        SCOPED_TRACE(ok ? "ok" : "cancel");
        watch(pictures.path());
        timer1()->start();
        writeEarlier(resultFile(), "old", 60);
        listUnsavedRows({ "0.30" });
        bool watchingWhileAsking = true;
        fake.whileAsking = [&] {
            watchingWhileAsking = timer1()->isActive();
            writePicture(QStringLiteral("late.bmp"), shot(40));
            form->Timer1_Timer();
            form->Timer1_Timer();
        };
        fake.okAnswers.push_back(ok);
        form->show();
        EXPECT_EQ(form->close(), ok);
        EXPECT_FALSE(watchingWhileAsking);
        EXPECT_EQ(timer1()->isActive(), !ok);
        EXPECT_EQ(filesIn(pictures.path()), QStringList { "late.bmp" }); // never taken in meanwhile
        EXPECT_EQ(contents(resultFile()), ok ? "1,0.30\r\n" : "old");
    }
}

// A comma in the folder's path survives the settings file, so the next start clears the right folder.
TEST_F(Form1CaptureTest, folderWithACommaOrQuote_isWatchedAgainAfterARestart)
{
    for (const char* name : { "Pics, 2023", "Pics \"A\"", " Pics" }) {
        SCOPED_TRACE(name);
        const QString chosen = pictures.filePath(QString::fromUtf8(name));
        QDir().mkpath(chosen);
        QDir().mkpath(pictures.filePath(QStringLiteral("Pics")));
        watch(chosen);
        writeBytes(chosen + QStringLiteral("/new.bmp"), "new");
        writeBytes(pictures.filePath(QStringLiteral("Pics/keep.bmp")), "keep");

        Form1 restarted(fake.services());
        restarted.Form_Load();
        EXPECT_EQ(restarted.state().WatchPath, chosen + QStringLiteral("/*.bmp"));
        EXPECT_TRUE(filesIn(chosen).isEmpty());
        EXPECT_EQ(filesIn(pictures.filePath(QStringLiteral("Pics"))), QStringList { "keep.bmp" });
    }
}

TEST_F(Form1CaptureTest, relativePattern_touchesNothingAndShowsNoFile)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(pictures.path()));
    writeBytes(pictures.filePath(QStringLiteral("here.bmp")), "here");
    for (const char* pattern : { "./*.bmp", "*.bmp", "sub/../*.bmp" }) {
        SCOPED_TRACE(pattern);
        writeBytes(setDtPath(), QByteArray(pattern) + "\r\n");
        Form1 restarted(fake.services());
        restarted.Form_Load();
        restarted.Timer1_Timer();
        restarted.Timer1_Timer();
        EXPECT_EQ(restarted.findChild<QAction*>(QStringLiteral("Dm"))->text(), "NoFile");
        EXPECT_EQ(filesIn(pictures.path()), QStringList { "here.bmp" });
    }
    EXPECT_TRUE(setAside().isEmpty());
    QDir::setCurrent(previous);
}

namespace {
QImage blankShot()
{
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}
} // namespace

// A width on screen always belongs to the picture and pole on screen: a new shot without a width, or a pole
// change, leaves no figure of the last one, and changes no row doing so. A re-analysis of the same picture
// keeps the last figure.
TEST_F(Form1CaptureTest, noFigureOnScreenThatIsNotThisPicturesOrThisPoles)
{
    const auto text3 = [&] { return get<QLineEdit>(QStringLiteral("Text3")); };
    const struct {
        const char* name;
        std::function<void()> then;
        const char* text3;
        const char* caption;
        QStringList rows;
    } rows[] = {
        { "shotWithoutWidth",
            [&] {
                writePicture(QStringLiteral("blank.bmp"), blankShot());
                tick();
                tick();
            },
            "", "測定値：検出なし", { "0.44", "" } },
        { "reanalysisWithoutWidth",
            [&] {
                writePicture(QStringLiteral("blank.bmp"), blankShot());
                tick();
                tick();
                text3()->setText(QStringLiteral("0.50"));
                get<QPushButton>(QStringLiteral("Command2"))->click();
            },
            "0.50", "測定値：検出なし", { "0.44", "0.50" } },
        { "clearAfterNothingFound",
            [&] {
                writePicture(QStringLiteral("blank.bmp"), blankShot());
                tick();
                tick();
                menuItem(QStringLiteral("col(1)"))->trigger();
            },
            "", "測定値：", { "0.44" } },
        { "poleChange", [&] { get<QLineEdit>(QStringLiteral("Text4"))->setText(QStringLiteral("2")); }, "", "測定値：",
            {} },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(fake.programFolder.filePath(QStringLiteral("20221019"))).removeRecursively(); // no rows to resume
        startAfresh();
        watch(pictures.path());
        writePicture(QStringLiteral("shot.bmp"), shot(40));
        tick();
        tick();
        ASSERT_EQ(text3()->text(), QStringLiteral("0.44"));
        row.then();
        EXPECT_EQ(text3()->text(), QString::fromUtf8(row.text3));
        EXPECT_EQ(get<QMenu>(QStringLiteral("soku"))->title(), QString::fromUtf8(row.caption));
        QStringList listed;
        for (int r = 0; r < results()->rows(); ++r)
            listed << results()->textMatrix(r, 1);
        EXPECT_EQ(listed, row.rows);
    }
}

// The camera's own file is kept byte for byte beside the filed copy before the shot leaves the camera folder;
// the record names the camera's file and its time. Turned off, the choice outlasts a restart.
TEST_F(Form1CaptureTest, cameraOriginal_isKeptBesideTheFiledCopy_unlessTurnedOff)
{
    const struct {
        const char* name;
        const char* existing; // a file already in 原画像 under this name
        bool turnedOff;
        bool folderInTheWay; // a file named 原画像
        const char* kept; // the original's name, when it is kept
    } cases[] = {
        { "kept", nullptr, false, false, "1_1_shot.bmp" },
        { "nameTaken", "1_1_shot.bmp", false, false, "1_1_shot_2.bmp" },
        { "turnedOff", nullptr, true, false, nullptr },
        { "cannotBeKept", nullptr, false, true, nullptr },
    };
    const QString originals = poleFolder() + QStringLiteral("/原画像");
    const QString ini = fake.programFolder.filePath(QStringLiteral("norvel.ini"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(ini);
        QDir(fake.programFolder.filePath(QStringLiteral("20221019"))).removeRecursively();
        startAfresh();
        fake.errors.clear();
        QDir(fake.programFolder.filePath(QStringLiteral("未取込"))).removeRecursively();
        QDir().mkpath(poleFolder());
        if (c.existing) {
            QDir().mkpath(originals);
            writeBytes(originals + QLatin1Char('/') + QLatin1String(c.existing), "earlier");
        }
        if (c.folderInTheWay)
            writeBytes(originals, "in the way");
        ASSERT_TRUE(menuItem(QStringLiteral("KeepOriginals"))->isChecked());
        if (c.turnedOff)
            menuItem(QStringLiteral("KeepOriginals"))->trigger();
        watch(pictures.path());
        const QByteArray bytes = contents(writePicture(QStringLiteral("shot.bmp"), shot(40)));
        const QDateTime modified = QFileInfo(pictures.filePath(QStringLiteral("shot.bmp"))).lastModified();
        tick();
        EXPECT_EQ(tick(), "Lood");
        EXPECT_EQ(contents(filed(1)), filedAsBefore(bytes));
        if (c.kept) {
            EXPECT_EQ(contents(originals + QLatin1Char('/') + QLatin1String(c.kept)), bytes);
        }
        if (c.existing) {
            EXPECT_EQ(contents(originals + QLatin1Char('/') + QLatin1String(c.existing)), "earlier");
        }
        if (c.folderInTheWay) {
            ASSERT_EQ(fake.errors.size(), 1);
            EXPECT_TRUE(fake.errors[0].contains(originals)) << fake.errors[0].toStdString();
            EXPECT_EQ(setAside(), QStringList { At143005 + QStringLiteral("/shot.bmp") });
        } else {
            EXPECT_TRUE(fake.errors.isEmpty());
            EXPECT_TRUE(filesIn(pictures.path()).isEmpty());
        }
        EXPECT_EQ(QFileInfo(originals).isDir(), c.kept != nullptr);
        const QByteArray record = contents(fake.programFolder.filePath(QStringLiteral("20221019/測定記録.csv")));
        EXPECT_TRUE(record.contains(",0.44,shot.bmp," + modified.toString(u"yyyy-MM-dd HH:mm:ss.zzz").toUtf8() + ','))
            << record.toStdString();
        const QList<QByteArray> fields = record.trimmed().split('\n').last().split(','); // 5 widest place's last
        EXPECT_TRUE(!c.kept || fields.value(fields.size() - 6) == c.kept) << record.toStdString();
        EXPECT_EQ(contents(ini).contains("[filing]\r\nkeepOriginals=false\r\n"), c.turnedOff);
        startAfresh();
        EXPECT_EQ(menuItem(QStringLiteral("KeepOriginals"))->isChecked(), !c.turnedOff);
    }
}

// Rows listed when Picture1 was painted.
// The rows listed each time Picture1 was painted.
struct PaintSpy : QObject {
    const FlexGrid* grid;
    std::set<int> painted;
    explicit PaintSpy(const FlexGrid* shown)
        : grid(shown)
    {
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted.insert(grid->rows());
        return false;
    }
};

// Told by the file system, the window takes a shot in the moment it lands, not on Timer1's next ticks, a burst one
// shot a step, each on screen before the next; behind a dialog it waits until the dialog closes. A folder the
// system will not watch is said once, then ticked.
TEST_F(Form1CaptureTest, shotsLanding_areTakenInAtOnceUnlessADialogIsOpen)
{
    QTemporaryDir beside; // where the camera writes a shot before moving it in whole
    const auto land = [&](const QString& name) {
        ASSERT_TRUE(shot(40).save(beside.filePath(name)));
        QFile moved(beside.filePath(name));
        ASSERT_TRUE(moved.rename(pictures.filePath(name))) << moved.errorString().toStdString();
    };
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    watch(pictures.path());
    timer1()->start(3600 * 1000); // no tick within the test
    PaintSpy spy(results());
    form->findChild<QWidget*>(QStringLiteral("Picture1"))->installEventFilter(&spy);
    for (const char* name : { "a.bmp", "b.bmp", "c.bmp" })
        land(QString::fromLatin1(name));
    ASSERT_TRUE(QTest::qWaitFor([&] { return results()->rows() == 3 && !form->filingPending(); }, 5000));
    EXPECT_EQ(status(), "Lood");
    EXPECT_TRUE(filesIn(pictures.path()).isEmpty());
    QTest::qWait(50);
    EXPECT_EQ(spy.painted, (std::set<int> { 1, 2, 3 }));

    int rowsWhileOpen = -1;
    fake.whileChoosing = [&] {
        if (rowsWhileOpen >= 0)
            return;
        land(QStringLiteral("d.bmp"));
        QTest::qWait(200);
        rowsWhileOpen = results()->rows();
    };
    menuItem(QStringLiteral("PoleInfo"))->trigger();
    EXPECT_EQ(rowsWhileOpen, 3);
    EXPECT_TRUE(QTest::qWaitFor([&] { return results()->rows() == 4; }, 5000));

    const QString loop = pictures.filePath(QStringLiteral("loop"));
    QFile::link(loop, loop);
    fake.notices.clear();
    watch(loop);
    timer1()->start(3600 * 1000);
    for (int i = 0; i < 3; ++i)
        form->Timer1_Timer();
    ASSERT_EQ(fake.notices.size(), 1);
    EXPECT_TRUE(fake.notices[0].startsWith(QStringLiteral("カメラのフォルダ「%1/」").arg(loop)))
        << fake.notices[0].toStdString();
}
