#include "services/openfiledialog.h"
#include "services/qtservices.h"

#include <QAbstractProxyModel>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

const QString PictureFilter = QStringLiteral("写真画像ファイル (*.JPG)");

struct NameCase {
    const char* name;
    const char* filter;
    bool matches;
};

class NameMatchTest : public ::testing::TestWithParam<NameCase> { };

TEST_P(NameMatchTest, matchesWithoutRegardToCase)
{
    const NameCase& c = GetParam();
    EXPECT_EQ(nameMatchesFilter(QString::fromUtf8(c.name), QString::fromUtf8(c.filter)), c.matches) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Names, NameMatchTest,
    ::testing::Values(NameCase { "IMG_0001.JPG", "写真画像ファイル (*.JPG)", true },
        NameCase { "img_0001.jpg", "写真画像ファイル (*.JPG)", true },
        NameCase { "shot.Jpeg", "写真画像ファイル (*.JPG)", true },
        NameCase { "shot.jpe", "写真画像ファイル (*.JPG)", true },
        NameCase { "shot.bmp", "写真画像ファイル (*.JPG)", false },
        NameCase { "shot.jpg.txt", "写真画像ファイル (*.JPG)", false },
        NameCase { "jpg", "写真画像ファイル (*.JPG)", false }, NameCase { "a.BMP", "Pictures (*.bmp *.png)", true },
        NameCase { "a.png", "Pictures (*.bmp *.png)", true }, NameCase { "a.jpeg", "Pictures (*.bmp *.png)", false },
        NameCase { "anything", "*", true }));

QStringList listedNames(QFileDialog& dialog, const QString& folder)
{
    auto* proxy = dialog.proxyModel();
    auto* files = qobject_cast<QFileSystemModel*>(proxy->sourceModel());
    const QModelIndex root = proxy->mapFromSource(files->index(folder));
    QStringList names;
    for (int row = 0; row < proxy->rowCount(root); ++row)
        names << proxy->index(row, 0, root).data().toString();
    names.sort();
    return names;
}

TEST(OpenFileDialogTest, showsFilterTextAsGivenAndListsEveryJpegSpelling)
{
    QTemporaryDir folder;
    for (const char* name : { "a.jpg", "b.JPG", "c.jpeg", "d.JPEG", "e.bmp", "f.txt" }) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QDir(folder.path()).mkdir(QStringLiteral("sub"));

    const auto dialog = makeOpenFileDialog(nullptr, QStringLiteral("Norvel"), PictureFilter, QString());
    dialog->setDirectory(folder.path());
    dialog->show();
    EXPECT_EQ(dialog->nameFilters(), QStringList { PictureFilter });
    const QStringList expected { "a.jpg", "b.JPG", "c.jpeg", "d.JPEG", "sub" };
    QTRY_COMPARE_WITH_TIMEOUT(listedNames(*dialog, folder.path()), expected, 5000);
    dialog->close();
}

TEST(OpenFileDialogTest, offersTheLastFileAgain)
{
    QTemporaryDir folder;
    const QString last = folder.filePath(QStringLiteral("IMG_7.JPG"));
    QFile file(last);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const auto dialog = makeOpenFileDialog(nullptr, QStringLiteral("Norvel"), PictureFilter, last);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->directory().absolutePath(), QDir(folder.path()).absolutePath());
    EXPECT_EQ(dialog->selectedFiles(), QStringList { last });
}

} // namespace

// Every question asks whether to replace or change something: Enter keeps what is there.
TEST(OkCancelBox, cancelIsTheDefaultAnswer)
{
    const std::unique_ptr<QMessageBox> box
        = norvel::makeOkCancelBox(nullptr, QStringLiteral("同一ファイルがあります。上書きしますか？"));
    EXPECT_EQ(box->defaultButton(), qobject_cast<QPushButton*>(box->button(QMessageBox::Cancel)));
    EXPECT_EQ(box->text(), QStringLiteral("同一ファイルがあります。上書きしますか？"));
}
