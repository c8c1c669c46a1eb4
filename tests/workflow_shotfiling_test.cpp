#include "acquisition/camerafolder.h"
#include "acquisition/capturewatcher.h"
#include "acquisition/originalcopy.h"
#include "acquisition/pictureshow.h"
#include "app/workflow/recoverykeeper.h"
#include "app/workflow/shotfiling.h"
#include "failingcalls.h"
#include "fakeservices.h"
#include "results/resultlist.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

using Outcome = ShotFiling::Outcome;

struct FilingCase {
    const char* name;
    bool poleFolderMade;
    bool existing; // a filed copy of that name is there already
    bool replacesWithoutAsking; // of the existing one
    bool mayReplace; // the answer when asked
    bool keepOriginal;
    Outcome outcome; // of start, or of file when start left it undecided
    bool filed; // the new copy is on disk, and the shot deleted; else the shot is set aside
    int errors;
    bool diskFails = false; // once the filed copy's bytes are written, before they are on disk
    bool writtenAgain = false; // the camera writes the shot's name again in place while it is filed
    const char* link = nullptr; // in the pole folder, to a folder elsewhere
};

class ShotFilingTest : public ::testing::TestWithParam<FilingCase> { };

TEST_P(ShotFilingTest, filesTheShotThenLetsItLeaveTheCameraFolder)
{
    const FilingCase& c = GetParam();
    const failing::Failing disk(failing::pictureSyncError, c.diskFails ? EIO : 0);
    FakeServices fake;
    const QString camera = fake.programFolder.filePath(QStringLiteral("camera"));
    const QString pole = fake.programFolder.filePath(QStringLiteral("day/7"));
    ASSERT_TRUE(QDir().mkpath(camera));
    ASSERT_TRUE(QDir().mkpath(pole));
    const QString shotPath = camera + QStringLiteral("/IMG_0001.jpg");
    writeWholeFile(shotPath, "the camera's bytes");
    const QString filedPath = pole + QLatin1Char('/') + filedPictureFileName(QStringLiteral("7"), 3);
    if (c.existing)
        writeWholeFile(filedPath, "an older copy");
    const QString elsewhere = fake.programFolder.filePath(QStringLiteral("elsewhere"));
    const QString link = pole + QLatin1Char('/') + QString::fromUtf8(c.link);
    ASSERT_TRUE(
        !c.link || (QDir().mkpath(elsewhere) && QDir().mkpath(QFileInfo(link).path()) && QFile::link(elsewhere, link)));
    CaptureWatcher watcher;
    ResultList list([] { return QDate(2022, 10, 19); });
    RecoveryKeeper recovery(fake.services(), list, [] { return QStringLiteral("7"); });
    int besideOnDisk = 0;
    ShotFiling filing(fake.services(), watcher, recovery,
        { [&](QString* error) -> std::optional<QString> {
             if (c.poleFolderMade)
                 return pole;
             *error = QStringLiteral("no folder");
             return std::nullopt;
         },
            [&](const QString&) { return !c.existing || c.replacesWithoutAsking; },
            [&](const QString&) { return !c.existing || c.mayReplace; }, [&] { ++besideOnDisk; } });
    const QString watchPath = camera + QStringLiteral("/*.jpg");
    const ShotFiling::Shot shot { QStringLiteral("7"), 3, c.keepOriginal, watchPath };
    std::optional<Outcome> outcome;
    const auto takeIn = [&](const QByteArray&) {
        const CameraOriginal original { QFile::encodeName(shotPath), readWholeFile(shotPath),
            *regularFileStamp(QFile::encodeName(shotPath)) };
        filing.filer().fileWhole(QImage(8, 8, QImage::Format_RGB32));
        recovery.setPendingShot(RecoveryKeeper::pendingShotOf(
            original.cameraPath, *regularFileStamp(original.cameraPath), 3, fake.clockNow));
        outcome = filing.start(original, shot);
        if (*outcome == Outcome::Undecided)
            outcome = filing.file(original, shot);
        return *outcome == Outcome::Writing
            ? TakeInResult::Filing
            : (*outcome == Outcome::Declined ? TakeInResult::Declined : TakeInResult::MeasuredNotFiled);
    };
    for (int tick = 0; tick < 2; ++tick) {
        WatchedFolder folder(watchPath, fake.programFolder.path(), fake.clockNow);
        (void)watcher.tick(folder, takeIn, fake.clockNow);
    }
    ASSERT_EQ(outcome, c.outcome);
    EXPECT_EQ(watcher.filingPending(), c.outcome == Outcome::Writing);
    if (c.writtenAgain)
        writeWholeFile(shotPath, "the camera's next shot");
    filing.end();
    EXPECT_FALSE(watcher.filingPending());
    // A declined shot is the watcher's to set aside later, one written again to take in; any other has left.
    EXPECT_EQ(readWholeFile(shotPath),
        c.writtenAgain                       ? "the camera's next shot"
            : c.outcome == Outcome::Declined ? "the camera's bytes"
                                             : "(unreadable)");
    EXPECT_EQ(besideOnDisk, c.outcome == Outcome::Writing ? 1 : 0);
    EXPECT_EQ(fake.errors.size(), c.errors) << fake.errors.join(u'\n').toStdString();
    EXPECT_EQ(fake.errors.join(u'\n').contains(QStringLiteral("はリンクのため")), c.link && !c.filed);
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
    int setAside = 0;
    for (QDirIterator it(
             fake.programFolder.path(), { QStringLiteral("IMG_0001*") }, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext(); it.next())
        ++setAside;
    const QString original = pole + QLatin1Char('/') + OriginalsFolderName;
    if (c.filed) {
        EXPECT_TRUE(readWholeFile(filedPath).startsWith("\xFF\xD8")) << "no JPEG at " << filedPath.toStdString();
        EXPECT_EQ(filing.filedName(), QFileInfo(filedPath).fileName());
        EXPECT_EQ(QDir(original).entryList(QDir::Files).size(), c.keepOriginal ? 1 : 0);
        EXPECT_TRUE(!c.keepOriginal || readWholeFile(original + '/' + filing.originalName()) == "the camera's bytes");
        EXPECT_EQ(setAside, c.writtenAgain ? 1 : 0); // deleted, not set aside; written again, it stays
    } else {
        EXPECT_TRUE(c.link ? readWholeFile(filedPath).startsWith("\xFF\xD8") // only the original failed
                           : readWholeFile(filedPath) == (c.existing ? "an older copy" : "(unreadable)"));
        EXPECT_EQ(setAside, 1); // set aside, or still in the camera folder: never lost
    }
}

INSTANTIATE_TEST_SUITE_P(Filing, ShotFilingTest,
    ::testing::Values(
        FilingCase { "writesAtOnceKeepingTheOriginal", true, false, true, true, true, Outcome::Writing, true, 0 },
        FilingCase { "withoutTheOriginal", true, false, true, true, false, Outcome::Writing, true, 0 },
        FilingCase { "replacesAfterAsking", true, true, false, true, true, Outcome::Writing, true, 0 },
        FilingCase { "replacesAnOldOneUnasked", true, true, true, false, false, Outcome::Writing, true, 0 },
        FilingCase { "declined", true, true, false, false, true, Outcome::Declined, false, 0 },
        FilingCase { "noPoleFolder", false, false, true, true, true, Outcome::Failed, false, 1 },
        FilingCase { "diskFailsWhileWriting", true, true, true, true, true, Outcome::Writing, false, 1, true },
        FilingCase { "writtenAgainInPlace", true, false, true, true, true, Outcome::Writing, true, 0, false, true },
        FilingCase {
            "originalsFolderALink", true, false, true, true, true, Outcome::Writing, false, 1, false, false, "原画像" },
        FilingCase { "linkAtTheOriginalsName", true, false, true, true, true, Outcome::Writing, true, 0, false, false,
            "原画像/7_3_IMG_0001.jpg" }),
    caseName<FilingCase>);

} // namespace
