#include "app/form1.h"

#include "app/indexedname.h"
#include "app/windowicon.h"
#include "services/commondialog.h"
#include "widgets/clickablelabel.h"
#include "widgets/doubleclickwatch.h"
#include "widgets/flexgrid.h"
#include "widgets/fullpicture.h"
#include "widgets/halfwidthinput.h"
#include "widgets/palettecolours.h"
#include "widgets/picturebox.h"
#include "widgets/uifont.h"
#include "widgets/wrappingcontrols.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QTimer>

namespace norvel {

namespace {

template <typename W> W* place(W* widget, const QString& name, int left, int top, int width, int height)
{
    widget->setObjectName(name);
    widget->setGeometry(left, top, width, height);
    return widget;
}

} // namespace

Form1::Form1(const Services& services, QWidget* parent)
    : QMainWindow(parent)
    , m_modalServices(services, m_modal)
    , m_services(m_modalServices.services())
    , m_watcher([this](const QString& status) { Dm->setText(status); }, [this](const QString& text) { report(text); })
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Norvel(2022/05/19)"));
    setWindowIcon(makeWindowIcon());
    createControls();
    createMenus();
    m_listView->attach({ Text3, soku, sokuDD, Command4 });
    m_list.listen([this](const ResultChange& change) {
        if (change.pictureGone)
            forgetPicture();
        updateActions(); // the last row's facts, undoing the last clear
    });
    wireEvents();
    wireFactsEvents();
    applyOuterSize();
    // Told on the filer's thread; the shot leaves the camera folder on the window's.
    m_shotFiling.filer().setEnded([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                handle(QStringLiteral("取り込んだ画像の保存"), [this] {
                    m_shotFiling.end();
                    takeInArrivalsSoon();
                });
            },
            Qt::QueuedConnection);
    });
    connect(m_arrivals, &FileArrivals::arrived, this, [this](const QList<QByteArray>& names) {
        handle(QStringLiteral("カメラの画像の取り込み"), [&] { shotsArrived(names); });
    });
    // Shots that arrived behind a dialog go in once it closes.
    m_modal.setWhenClosed([this] { takeInArrivalsSoon(); });
}

Form1::~Form1()
{
    // A filed copy being written is let finish, and its thread end, before the window it would tell goes.
    m_shotFiling.filer().discard();
}

void Form1::handle(const QString& what, const std::function<void()>& handler) noexcept
{
    QString reason;
    try {
        handler();
        return;
    } catch (const std::exception& error) {
        reason = QString::fromLocal8Bit(error.what());
    } catch (...) {
        reason = QStringLiteral("原因の分からない失敗です。");
    }
    m_state.LineDrag = false;
    if (m_failedWork.contains(what))
        return;
    m_failedWork.append(what);
    try {
        report(QStringLiteral("「%1」を処理できませんでした。\n%2").arg(what, reason));
    } catch (...) {
        // Nothing more can be said; the program goes on.
    }
}

bool Form1::ask(const QString& text)
{
    return m_services.question->askOkCancel(text);
}

void Form1::report(const QString& text)
{
    m_services.errors->showError(text);
}

void Form1::notify(const QString& text)
{
    m_services.errors->showNotice(text);
}

void Form1::createControls()
{
    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("central"));
    setCentralWidget(strip);

    Command1 = place(new WrappingButton(QStringLiteral("「USB Video Device」検索"), strip), QStringLiteral("Command1"),
        4, 0, 81, 37);
    Text1 = place(new QLineEdit(strip), QStringLiteral("Text1"), 4, 40, 453, 18);
    for (int i = 0; i < 2; ++i) {
        Label4[i] = place(new ClickableLabel(i == 0 ? QStringLiteral("－") : QStringLiteral("＋"), strip),
            indexedName("Label4", i), i == 0 ? 88 : 172, 12, 25, 24);
        Label4[i]->setFont(uiFont(18, true));
        Label4[i]->setAlignment(Qt::AlignCenter);
    }
    Label3 = place(new QLabel(QStringLiteral("調査柱No."), strip), QStringLiteral("Label3"), 116, 0, 52, 12);
    Text4 = place(new QLineEdit(QStringLiteral("1"), strip), QStringLiteral("Text4"), 120, 12, 49, 25);
    Text4->setFont(uiFont(15.75));
    Check1 = place(
        new WrappingCheckBox(QStringLiteral("DT・画像を自動保存"), strip), QStringLiteral("Check1"), 212, 20, 129, 16);
    Check1->setChecked(true);
    Label2[0] = place(new QLabel(QStringLiteral("閾値："), strip), indexedName("Label2", 0), 220, 4, 30, 12);
    Text2 = place(new QLineEdit(QStringLiteral("40"), strip), QStringLiteral("Text2"), 252, 0, 25, 18);
    Label2[1] = place(new QLabel(QStringLiteral("%"), strip), indexedName("Label2", 1), 280, 4, 6, 12);
    Check2 = place(new WrappingCheckBox(QStringLiteral("自動"), strip), QStringLiteral("Check2"), 292, 0, 49, 16);
    Check3 = place(new WrappingCheckBox(QStringLiteral("自動縮小"), strip), QStringLiteral("Check3"), 344, 8, 49, 25);
    Check3->setFont(uiFont(9.75));
    Command5 = place(new WrappingButton(QStringLiteral("縮小"), strip), QStringLiteral("Command5"), 400, 4, 53, 33);
    Command5->setFont(uiFont(12));
    Command2 = place(new WrappingButton(QStringLiteral("分析"), strip), QStringLiteral("Command2"), 456, 4, 49, 33);
    Command2->setFont(uiFont(12));
    Command3[0]
        = place(new WrappingButton(QStringLiteral("全クリア"), strip), indexedName("Command3", 0), 460, 44, 53, 17);
    for (int i = 0; i < 2; ++i) {
        Command4[i] = place(new WrappingButton(i == 0 ? QStringLiteral("縦コピー") : QStringLiteral("横コピー"), strip),
            indexedName("Command4", i), 508, i == 0 ? 0 : 20, 61, 21);
        Command4[i]->setEnabled(false);
    }
    Command3[1]
        = place(new WrappingButton(QStringLiteral("１クリア"), strip), indexedName("Command3", 1), 516, 44, 53, 17);

    createPictures(strip);
    createRightPanel();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(5000);
    CommonDialog1 = new CommonDialog(m_services.fileOpen, this);
    CommonDialog1->setObjectName(QStringLiteral("CommonDialog1"));
}

void Form1::createPictures(QWidget* strip)
{
    Picture1 = new PictureBox(strip);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->move(0, 68);
    Picture1->setOuterSize(640, 480);
    Picture1->setFont(uiFont(11.25));
    for (int i = 0; i < 4; ++i)
        Line1[i] = Picture1->addOverlayLine(indexedName("Line1", i), palette::brightGreen(), 3);
    for (int i = 0; i < 6; ++i)
        Line2[i] = Picture1->addOverlayLine(indexedName("Line2", i), palette::brightRed(), 2);
    Picture2 = place(new FullPicture(strip), QStringLiteral("Picture2"), 4, 68, 640, 480);
    Picture2->setVisible(false);
}

void Form1::createRightPanel()
{
    // Created after the picture so that the panel stays above a picture wider than 640 pixels.
    Frame2 = place(new QGroupBox(centralWidget()), QStringLiteral("Frame2"), 644, -4, 93, 477);

    const auto grid = [this](const QString& name, QRect geometry, int rows, int fixedRows) {
        auto* g = place(new FlexGrid(Frame2), name, geometry.x(), geometry.y(), geometry.width(), geometry.height());
        g->setFont(uiFont(9));
        g->setCols(2);
        g->setRows(rows);
        g->setFixedRows(fixedRows);
        g->setFixedCols(1);
        return g;
    };
    m_listView = std::make_unique<ResultListView>(m_list, Frame2);

    Frame1 = place(new QGroupBox(QStringLiteral("分析範囲"), Frame2), QStringLiteral("Frame1"), 8, 88, 81, 97);
    const std::array<QString, 3> ranges { QStringLiteral("全画面"), QStringLiteral("２．５倍"),
        QStringLiteral("５倍") };
    for (int i = 0; i < 3; ++i)
        Option1[i] = place(new QRadioButton(ranges[i], Frame1), indexedName("Option1", i), 8, 20 + 24 * i, 65, 21);
    Option1[0]->setChecked(true);

    MSFlexGrid1 = grid(QStringLiteral("MSFlexGrid1"), { 4, 188, 85, 109 }, 7, 1);

    Label1 = place(new QLabel(QStringLiteral("修正欄"), Frame2), QStringLiteral("Label1"), 12, 304, 41, 13);
    Text3 = place(new QLineEdit(QStringLiteral("0"), Frame2), QStringLiteral("Text3"), 16, 320, 53, 22);
    Check4 = place(new WrappingCheckBox(QStringLiteral("上書確認"), Frame2), QStringLiteral("Check4"), 4, 360, 77, 16);
    Check4->setChecked(true);
    Text5 = place(new QLineEdit(QStringLiteral("30"), Frame2), QStringLiteral("Text5"), 16, 376, 29, 22);
    Label5[0] = place(new QLabel(QStringLiteral("秒以上"), Frame2), indexedName("Label5", 0), 48, 380, 36, 12);
    Check5
        = place(new WrappingCheckBox(QStringLiteral("検出幅制限"), Frame2), QStringLiteral("Check5"), 4, 404, 85, 17);
    Check5->setChecked(true);
    Text6 = place(new QLineEdit(QStringLiteral("1"), Frame2), QStringLiteral("Text6"), 12, 428, 33, 22);
    Label5[1] = place(new QLabel(QStringLiteral("mm以下"), Frame2), indexedName("Label5", 1), 48, 432, 42, 12);
    Check6
        = place(new WrappingCheckBox(QStringLiteral("自動最前面"), Frame2), QStringLiteral("Check6"), 4, 456, 85, 16);

    // Captions sit at the top left of their labels, as the layout's label heights assume.
    for (QLabel* label : { Label3, Label2[0], Label2[1], Label1, Label5[0], Label5[1] })
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void Form1::wireEvents()
{
    // What a Japanese input method types in full width reaches the list, the files and the pole folders as
    // the half-width number it is.
    for (QLineEdit* box : { Text2, Text3, Text4, Text5, Text6 })
        installHalfWidthInput(box);
    const QString poleWork = QStringLiteral("調査柱No");
    connect(Command1, &QPushButton::clicked, this, [this] { handle(Command1->text(), [this] { Command1_Click(); }); });
    connect(Command2, &QPushButton::clicked, this, [this] { handle(Command2->text(), [this] { Command2_Click(); }); });
    connect(Command5, &QPushButton::clicked, this, [this] { handle(Command5->text(), [this] { Command5_Click(); }); });
    for (int i = 0; i < 2; ++i) {
        connect(Command3[i], &QPushButton::clicked, this,
            [this, i] { handle(Command3[i]->text(), [this, i] { Command3_Click(i); }); });
        connect(Command4[i], &QPushButton::clicked, this,
            [this, i] { handle(Command4[i]->text(), [this, i] { Command4_Click(i); }); });
        connect(Label4[i], &ClickableLabel::clicked, this,
            [this, i, poleWork] { handle(poleWork, [this, i] { Label4_Click(i); }); });
        connect(Label4[i], &ClickableLabel::pressed, this,
            [this, i, poleWork] { handle(poleWork, [this, i] { Label4_MouseDown(i); }); });
        connect(Label4[i], &ClickableLabel::released, this,
            [this, i, poleWork] { handle(poleWork, [this, i] { Label4_MouseUp(i); }); });
    }
    // toggled fires whenever the value changes, by the user or from code, which is when a check box's
    // click handling runs.
    connect(Check1, &QCheckBox::toggled, this, [this] { handle(Check1->text(), [this] { Check1_Click(); }); });
    connect(Check2, &QCheckBox::toggled, this, [this] { handle(Check2->text(), [this] { Check2_Click(); }); });
    connect(Check3, &QCheckBox::toggled, this, [this] { handle(Check3->text(), [this] { Check3_Click(); }); });
    connect(Check4, &QCheckBox::toggled, this, [this] { handle(Check4->text(), [this] { Check4_Click(); }); });
    connect(Check5, &QCheckBox::toggled, this, [this] { handle(Check5->text(), [this] { Check5_Click(); }); });
    connect(Check6, &QCheckBox::toggled, this, [this] { handle(Check6->text(), [this] { Check6_Click(); }); });
    // clicked, not toggled: choosing the range already chosen chooses it again, which re-centres the
    // rectangle and brings back the unmagnified picture. The program selects through selectOption1().
    for (int i = 0; i < 3; ++i)
        connect(Option1[i], &QRadioButton::clicked, this,
            [this, i] { handle(Frame1->title(), [this, i] { Option1_Click(i); }); });
    connect(Text3, &QLineEdit::textChanged, this, [this] { handle(Label1->text(), [this] { Text3_Change(); }); });
    // Enter, the focus leaving the box, or two seconds without a keystroke settle a typed correction.
    m_typingSettles->setObjectName(QStringLiteral("typingSettles"));
    m_typingSettles->setSingleShot(true);
    m_typingSettles->setInterval(2000);
    connect(
        m_typingSettles, &QTimer::timeout, this, [this] { handle(Label1->text(), [this] { m_log.settleTyping(); }); });
    connect(
        Text3, &QLineEdit::editingFinished, this, [this] { handle(Label1->text(), [this] { m_log.settleTyping(); }); });
    connect(Text4, &QLineEdit::textChanged, this, [this, poleWork] { handle(poleWork, [this] { Text4_Change(); }); });
    const QString pictureWork = QStringLiteral("画像上のマウス操作");
    connect(Picture1, &PictureBox::mouseDown, this, [this, pictureWork](int button, int shift, double x, double y) {
        handle(pictureWork, [&] { Picture1_MouseDown(button, shift, x, y); });
    });
    connect(Picture1, &PictureBox::mouseMove, this, [this, pictureWork](int button, int shift, double x, double y) {
        handle(pictureWork, [&] { Picture1_MouseMove(button, shift, x, y); });
    });
    connect(Picture1, &PictureBox::mouseUp, this, [this, pictureWork](int button, int shift, double x, double y) {
        handle(pictureWork, [&] { Picture1_MouseUp(button, shift, x, y); });
    });
    connect(Timer1, &QTimer::timeout, this,
        [this] { handle(QStringLiteral("カメラの画像の取り込み"), [this] { Timer1_Timer(); }); });
    connect(Timer2, &QTimer::timeout, this, [this] { handle(Check3->text(), [this] { Timer2_Timer(); }); });
}

void Form1::wireFactsEvents()
{
    const QString poleFacts = QStringLiteral("柱情報");
    const QString crackFacts = QStringLiteral("ひび割れ情報");
    connect(new DoubleClickWatch(Label3), &DoubleClickWatch::doubleClicked, this,
        [this, poleFacts] { handle(poleFacts, [this] { Label3_DblClick(); }); });
    connect(m_listView->grid(), &QTableWidget::cellDoubleClicked, this,
        [this, crackFacts](int row) { handle(crackFacts, [this, row] { ResultRow_DblClick(row); }); });
}

} // namespace norvel
