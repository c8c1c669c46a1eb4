#pragma once

#include "app/form1.h"
#include "fakeservices.h"
#include "widgets/fullpicture.h"
#include "widgets/picturebox.h"
#include "widgets/uifont.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QImageWriter>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// White 640 x 480 with a dark band across every vertical scan line: at 91 pixels per mm a 40-pixel band
// measures 0.44, a 30-pixel one 0.33.
inline QImage bandShot(int bandHeight)
{
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(0, 200, 640, bandHeight, QColor(40, 40, 40));
    return image;
}

inline QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// A started window with scripted services, and the ways tests put pictures in front of it and drag on it.
class Form1Fixture : public ::testing::Test {
public:
    static void SetUpTestSuite() { norvel::installUiFont(); }

    void SetUp() override
    {
        // A fixture's norvel.ini is the program folder's first: what a test changed later is kept over a restart.
        if (!programSettings.isEmpty() && !QFile::exists(fake.programFolder.filePath(QStringLiteral("norvel.ini")))) {
            QFile ini(fake.programFolder.filePath(QStringLiteral("norvel.ini")));
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly) && ini.write(programSettings) == programSettings.size());
        }
        form = std::make_unique<norvel::Form1>(fake.services());
        form->Form_Load();
        picture1 = get<norvel::PictureBox>(QStringLiteral("Picture1"));
        picture2 = get<norvel::FullPicture>(QStringLiteral("Picture2"));
    }

    // The window closed without its shut-down and started again as after a normal close: no list to restore.
    void startAfresh()
    {
        form.reset();
        QFile::remove(fake.programFolder.filePath(norvel::RecoveryFileName));
        SetUp();
    }

    template <typename T> T* get(const QString& name)
    {
        T* found = form->findChild<T*>(name);
        if (!found)
            ADD_FAILURE() << "no " << name.toStdString();
        return found;
    }

    QAction* menuItem(const QString& name) { return get<QAction>(name); }
    norvel::OverlayLine* line(const char* name)
    {
        return picture1->findChild<norvel::OverlayLine*>(QString::fromLatin1(name));
    }

    QString writePicture(const QString& name, const QImage& image)
    {
        const QString path = pictures.filePath(name);
        QImageWriter writer(path, name.endsWith(QLatin1String(".bmp")) ? "bmp" : "jpg");
        EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
        return path;
    }

    // Opens the picture through the window's own open command.
    void open(const QString& path)
    {
        fake.files.push_back(path);
        menuItem(QStringLiteral("JPOP"))->trigger();
    }

    // Mouse events at drawing-area pixels of the picture box.
    static QPoint at(QPoint p) { return p + QPoint(norvel::PictureBox::Border, norvel::PictureBox::Border); }
    void press(QPoint p, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(picture1, button, Qt::NoModifier, at(p));
    }
    void moveTo(QPoint p, Qt::MouseButtons held = Qt::LeftButton)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(at(p)), picture1->mapToGlobal(QPointF(at(p))), Qt::NoButton, held,
            Qt::NoModifier);
        QApplication::sendEvent(picture1, &move);
    }
    void release(QPoint p, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseRelease(picture1, button, Qt::NoModifier, at(p));
    }

    // Rows in the list as a run that ended without its shut-down would leave them; numbered unless empty.
    void listRows(const QStringList& widths)
    {
        QList<norvel::ResultRow> rows;
        for (int i = 0; i < widths.size(); ++i)
            rows.append({ widths[i].isEmpty() ? QString() : QString::number(i + 1), widths[i] });
        form->resultList().restore(form->resultList().pole(), QDate(), rows);
    }

    // The same listed while automatic saving was off: in no result file until the pole is left.
    void listUnsavedRows(const QStringList& widths)
    {
        auto* check1 = get<QCheckBox>(QStringLiteral("Check1"));
        const bool saving = check1->isChecked();
        check1->setChecked(false);
        listRows(widths);
        check1->setChecked(saving);
    }

    norvel::AnalysisRange range() const { return { form->state().BunHX, form->state().BunHY }; }

    FakeServices fake;
    QByteArray programSettings; // norvel.ini written before the window starts; empty: none
    QTemporaryDir pictures;
    std::unique_ptr<norvel::Form1> form;
    norvel::PictureBox* picture1 = nullptr;
    norvel::FullPicture* picture2 = nullptr;
};
