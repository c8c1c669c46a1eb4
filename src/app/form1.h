#pragma once

#include "acquisition/capturewatcher.h"
#include "acquisition/originalcopy.h"
#include "acquisition/pictureshow.h"
#include "analysis/acrosscrack.h"
#include "analysis/crackrun.h"
#include "analysis/scalecalibration.h"
#include "analysis/scanlines.h"
#include "app/displaysize.h"
#include "app/modalscope.h"
#include "app/resultlistview.h"
#include "app/runstate.h"
#include "app/tools/measuringlinetool.h"
#include "app/tools/rangedragtool.h"
#include "app/workflow/factsdesk.h"
#include "app/workflow/measurementlog.h"
#include "app/workflow/poleresults.h"
#include "app/workflow/recoverykeeper.h"
#include "app/workflow/rowclearing.h"
#include "app/workflow/scalebook.h"
#include "app/workflow/shotfiling.h"
#include "core/crackdirection.h"
#include "files/backgroundfilewriter.h"
#include "files/filearrivals.h"
#include "files/regularfile.h"
#include "measure/range.h"
#include "picture/picturefiler.h"
#include "results/measurementrecord.h"
#include "results/recoveryrecord.h"
#include "results/resultlist.h"
#include "services/services.h"
#include "settings/programsettings.h"

#include <QImage>
#include <QMainWindow>
#include <QSet>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace norvel {

class ClickableLabel;
class CommonDialog;
class FlexGrid;
class FullPicture;
class OverlayLine;
class PictureBox;
class WrappingMenuBar;
class PreviousInspections;
struct InspectionFacts;
struct DraggedLine;

// The one window: its controls, menus and timers carry their classic names as member and object names,
// and each event runs the handler of the same name. Handlers are virtual so that tests can watch how
// they call one another.
class Form1 : public QMainWindow {
    Q_OBJECT

public:
    explicit Form1(const Services& services, QWidget* parent = nullptr);
    ~Form1() override;

    [[nodiscard]] RunState& state() { return m_state; }
    [[nodiscard]] const RunState& state() const { return m_state; }
    // The pole in force and its rows.
    [[nodiscard]] const ResultList& resultList() const { return m_list; }
    [[nodiscard]] ResultList& resultList() { return m_list; }
    // Whether the filed copy of the last shot taken in is still being written.
    [[nodiscard]] bool filingPending() const { return m_watcher.filingPending(); }

    // The window's outer size in twips as last set; the real window follows it (applyOuterSize).
    [[nodiscard]] int outerHeightTwips() const { return m_heightTwips; }
    [[nodiscard]] int outerWidthTwips() const { return m_widthTwips; }
    void setOuterHeightTwips(int twips);
    void setOuterWidthTwips(int twips);

    // The menu bar: its rows hold the top-level menus and items, in order, as its actions.
    [[nodiscard]] WrappingMenuBar* topMenus() const { return m_topMenus; }

    // Start-up; called once, after construction and before the window is shown.
    void Form_Load();
    // Form_Load as the program runs it: a failure in it is said, and the window opens all the same.
    void startUp();

    // Window procedures.
    virtual void Kil();
    virtual void SetSave();
    virtual void SetLode();
    virtual void SodDt();

    // Event handlers. Array elements pass their index.
    virtual void EN_Click();
    virtual void Ledger_Click();
    virtual void Calibrate_Click();
    virtual void Uncalibrate_Click();
    virtual void KeepOriginals_Click();
    virtual void AcrossCrack_Click();
    virtual void PoleInfo_Click();
    virtual void CrackInfo_Click();
    virtual void Label3_DblClick();
    virtual void ResultRow_DblClick(int Row); // a row of the result grid, counted from 0
    virtual void Command1_Click();
    virtual void USB_Click();
    virtual void JPOP_Click();
    virtual void Psave_Click();
    virtual void Timer1_Timer();
    virtual void Timer2_Timer();
    virtual void Command2_Click();
    virtual void Bun_Click();
    virtual void bunGo_Click();
    virtual void bunseki_Click(int Index);
    virtual void ScanH_Click(int Index);
    virtual void Check1_Click();
    virtual void Check2_Click();
    virtual void Check3_Click();
    virtual void Check4_Click();
    virtual void Check5_Click();
    virtual void Check6_Click();
    virtual void Option1_Click(int Index);
    virtual void ops_Click(int Index);
    virtual void Picture1_MouseDown(int Button, int Shift, double X, double Y);
    virtual void Picture1_MouseMove(int Button, int Shift, double X, double Y);
    virtual void Picture1_MouseUp(int Button, int Shift, double X, double Y);
    virtual void Command3_Click(int Index);
    virtual void col_Click(int Index);
    virtual void Command4_Click(int Index);
    virtual void cop_Click(int Index);
    virtual void copC_Click();
    virtual void Undo_Click();
    virtual void Text3_Change();
    virtual void Text4_Change();
    virtual void Label4_Click(int Index);
    virtual void TyoNoPrs_Click(int Index);
    virtual void Label4_MouseDown(int Index);
    virtual void Label4_MouseUp(int Index);
    virtual void Set_Click();
    virtual void check_Click(int Index);
    virtual void Command5_Click();
    virtual void Bic_Click();
    virtual void minDisp_Click();
    virtual void DspS_Click(int Index);

    // Ends the program through its shut-down once no question or message is waiting for an answer; how a
    // request to end from outside (a signal) reaches the window.
    void endOnRequest();

    // The analysis calls this first: a chosen range is painted magnified over the whole view, and without
    // magnification the range becomes the whole picture again.
    void showAnalysisRange();

protected:
    void closeEvent(QCloseEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    void createControls();
    void createPictures(QWidget* strip);
    void createRightPanel();
    void createMenus();
    void createFileMenus();
    void createAnalysisMenus();
    void createSettingsMenus();
    void createSizeMenus();
    void wireEvents();
    void wireFactsEvents();
    QMenu* addMenu(QMenu* parentMenu, const QString& name, const QString& caption);
    // Every menu mark and enabled state that follows from the state; handlers change the state, then call this.
    // The marks of the 設定 menu copy the check boxes when it opens (Set_Click).
    void updateActions();
    QAction* addMenuItem(QMenu* menu, const QString& name, const QString& caption, std::function<void()> onClick,
        bool checkable = false);
    void reportUnwritableProgramFolder();
    void setUpGrids();
    // The program's own settings file: the pole in force at shut-down and its day, whether originals are kept.
    [[nodiscard]] std::optional<QByteArray> readProgramSettings();
    void applyProgramChoices(const QByteArray& settings);
    void resumeSession(const QByteArray& settings);
    void saveSession();
    // Sets the values, keeping every other line; a failure is said, naming what was not kept.
    void writeProgramSettings(const QList<ProgramSetting>& values, const QString& what);
    void sayUnusableSettings(const QList<UnusableSetting>& unusable);
    // False when the results could not be written (Cancel, or a failure): the program then stays open.
    [[nodiscard]] bool shutDown();
    void applyOuterSize();
    [[nodiscard]] DisplayMode displayMode() const;
    // Full height with the caption "縮小" (reduce), or the reduced height with "拡大" (enlarge).
    void setWindowFull(bool full);
    [[nodiscard]] QCheckBox* checkBox(int number) const; // Check1 to Check6

    // Runs the handler of an event: an exception it lets out ends here, is said once for each kind of work,
    // and the work of the handler that was half done is dropped. Qt's event loop cannot carry one.
    void handle(const QString& what, const std::function<void()>& handler) noexcept;

    // Modal questions and messages; the capture watcher waits while one is open.
    [[nodiscard]] bool ask(const QString& text);
    void report(const QString& text);
    void notify(const QString& text);

    // Showing a new picture, shared by opening a file and by the capture watcher.
    void clearViewForNewPicture();
    // path as the file system's bytes; sink hears the rows as they are decoded; original, when given, receives
    // the file as read
    [[nodiscard]] std::optional<PictureScale> loadIntoPicture2(
        const QByteArray& path, PictureRowSink* sink = nullptr, CameraOriginal* original = nullptr);
    void sizePicture1(const PictureScale& scale);
    void showPicture2(const PictureScale& scale);
    void hideMarkLines();

    // Analysis range and its rectangle.
    void selectOption1(int index);
    [[nodiscard]] bool wholePictureChosen() const;
    void chooseRange(int Index, bool paint); // paint: the whole picture again
    void paintWholePicture();
    void showRectangle(bool visible);
    void placeRectangle(QPoint topLeft);
    [[nodiscard]] AnalysisRange analysisRange() const { return { m_state.BunHX, m_state.BunHY }; }
    void setAnalysisRange(const AnalysisRange& range);
    [[nodiscard]] float innerWidth() const;
    [[nodiscard]] float innerHeight() const;
    // The range rectangle dragged to topLeft: the analysis range follows.
    void moveRange(QPoint topLeft);
    // The tool a move or release goes to: the measuring line while one is drawn with the left button.
    [[nodiscard]] PictureTool& activeTool(int button);

    // The analysis run and the measuring line.
    [[nodiscard]] DetectionSettings detectionSettings() const;
    [[nodiscard]] ViewGeometry viewGeometry() const;
    void drawRuler(ScanDirection direction, float pxPerMm, const ViewGeometry& view);
    void markLine(int k, ScanDirection direction, const ScanLineResult& line, const ViewGeometry& view, float pxPerMm);
    // The lines used in the mean and the combined width in the per-line grid and on the markers; the width as
    // listed, when two lines or more found the crack.
    [[nodiscard]] std::optional<QString> presentCombined(
        const std::array<bool, 5>& used, std::optional<float> combinedMm);
    void labelLines(ScanDirection direction);
    // What an analysis run found: the record's entry, and the width to list when there is one.
    struct AnalysisOutcome {
        MeasurementEntry entry;
        std::optional<ResultRow> measured;
        std::optional<ScanDirection> otherDirection; // measured across the crack the other way than the menu says
    };
    // Draws the analysis of the picture on screen; nothing when there is none.
    [[nodiscard]] std::optional<AnalysisOutcome> runAnalysis();
    [[nodiscard]] std::optional<AnalysisOutcome> analyseAlongLines(ScanDirection direction, const ViewGeometry& view);
    // Across the crack: the runs turned across its path, in the other direction where the lines run along it.
    [[nodiscard]] std::optional<AnalysisOutcome> analyseAcrossCrack(ScanDirection direction, const ViewGeometry& view);
    void markAcrossLine(int k, const AcrossAnalysis& analysis, const ViewGeometry& view);
    void markWidest(const RecordedWidest& widest, const ViewGeometry& view);
    [[nodiscard]] MeasurementEntry acrossEntry(const AcrossAnalysis& analysis) const;
    // The analysis's width into the list, asking first before it replaces a width typed or dragged.
    void listAnalysis(const AnalysisOutcome& outcome);
    void showScannedDirection(ScanDirection scanned);
    void startMeasuringLine(QPointF start);
    void followMeasuringLine(QPointF end);
    void measureLine(double x, double y);
    void measureDraggedLine(QPointF press, const DraggedLine& line, float pxPerMm);
    // The picture on screen is no longer any row's (another pole, its row cleared): nothing is left to measure.
    void forgetPicture();

    // A settings file in the program folder.
    [[nodiscard]] QString settingsPath(const QString& name) const;

    // The pole's folder and files.
    // Text4 back to the pole in force, without a pole change.
    void showPoleInForce();
    // The caption a pole change gives: 調査柱No「pole」.
    void showPoleCaption();
    void resumePole();
    // DT・画像を自動保存: results, pictures and the record are written.
    [[nodiscard]] bool autoSave() const;
    // The pole number box's text, which may differ from the pole in force while it is typed.
    [[nodiscard]] QString poleText() const;
    // 上書確認 and its age limit as the boxes hold them now.
    [[nodiscard]] PoleResults::OverwriteCheck overwriteCheck() const;

    // The camera folder and the pictures taken in from it.
    void writeWatchPath();
    // Timer1 started, and the file system asked to tell of each shot as it lands.
    void startWatching();
    void watchCameraFolder();
    void shotsArrived(const QList<QByteArray>& names);
    // A step of the watcher for the shots that arrived whole, now or from the event queue.
    void takeInArrivals();
    void takeInArrivalsSoon();
    using WatcherStep = std::optional<TakeInResult> (CaptureWatcher::*)(
        CaptureFolder&, const CaptureWatcher::TakeIn&, const QDateTime&);
    void runWatcher(WatcherStep step);
    [[nodiscard]] TakeInResult takePictureIn(const QByteArray& path); // the file system's bytes
    [[nodiscard]] ShotFiling::Outcome filedAs(ShotFiling::Outcome outcome);
    void takenInOnDisk();
    void setKeepOnTop(bool onTop);

    // The list and the pole a run that ended without its shut-down left, brought back.
    void restoreRecovery(const RecoveryRecord& record);

    // The calibrated scale of the picture on screen, if its size has one.
    [[nodiscard]] std::optional<float> calibratedScale() const;
    // The size caption, marked while a calibrated scale is in force.
    void setSizeCaption(const QString& caption);
    void calibrateAlong(QPointF press, QPointF release);

    // The settings and the picture a change of the list is recorded with.
    [[nodiscard]] MeasurementEntry measurementEntry(RecordedChange change) const;

    // The photo ledger: the judgement lines of norvel.ini (its content, none when unreadable), ledger.ini's single
    // line taken over into it once; the choices kept for next time; the notice that the ledger was made.
    [[nodiscard]] JudgementRead judgementLinesInForce(const std::optional<QByteArray>& ini);
    void keepLedgerChoices(const JudgementLines& offeredLines, const LedgerChoices& offeredChoices,
        const LedgerRequest& chosen, const QList<UnusableSetting>& unusable);
    // The day folder's own header (else norvel.ini's proposal), what could not be read of it said.
    [[nodiscard]] SurveyHeader dayHeaderSaid(const QString& dayFolder, const QByteArray& ini);
    void tellLedgerMade(const QString& pdfPath, const QString& notes);

    ModalCounter m_modal; // dialogs, questions and messages open now
    ModalServices m_modalServices;
    Services m_services; // every dialog of these opens inside a ModalScope
    ResultList m_list { [this] { return m_services.clock->now().date(); } };
    RecoveryKeeper m_recovery { m_services, m_list, [this] { return poleText(); } };
    RunState m_state;
    // The choices the menus mark, besides the analysis method in m_state.
    struct MenuChoices {
        int scan = 0; // ScanH: vertical, horizontal
        int pictureSize = 0; // DspS: 640*480, 560*420
        int range = 0; // ops, as Option1: the whole picture, 2.5x, 5x
        bool smallScreen = false; // minDisp
        bool clearAfterCopy = true; // copC
        bool keepOriginals = true; // KeepOriginals
        bool acrossCrack = false; // AcrossCrack
    } m_choices;
    QList<UnusableSetting> m_saidUnusable; // norvel.ini's values already said this run
    RangeDragTool m_rangeTool { m_state.DownX, m_state.DownY,
        { [this] { return analysisRange(); }, [this] { return wholePictureChosen(); },
            [this] { return QSizeF(innerWidth(), innerHeight()); }, [this](QPoint topLeft) { placeRectangle(topLeft); },
            [this](QPoint topLeft) { moveRange(topLeft); } } };
    MeasuringLineTool m_lineTool { m_state.LineDrag,
        { [this](QPointF start) { startMeasuringLine(start); }, [this](QPointF end) { followMeasuringLine(end); },
            [this](QPointF end) { measureLine(end.x(), end.y()); } } };
    int m_heightTwips = 9000;
    int m_widthTwips = 11130;
    // Where the window is in its life: the pole change of a shut-down writes the results and puts nothing in
    // force, and a window that ended must not shut down again on its close.
    enum class Phase { Open, ShuttingDown, Ended } m_phase = Phase::Open;
    QStringList m_failedWork; // kinds of work whose exception was said already
    QImage m_spareImage; // the picture shown before, whose memory the next one is decoded into
    // The shot being taken in, filed beside its showing; the watcher it tells is built further down.
    ShotFiling m_shotFiling { m_services, m_watcher, m_recovery,
        { [this](QString* error) { return m_poleResults.makePoleFolder(m_list.pole(), m_list.day(), error); },
            [this](const QString& path) { return m_poleResults.replacesWithoutAsking(path, overwriteCheck()); },
            [this](const QString& path) { return m_poleResults.mayReplace(path, overwriteCheck()); },
            [this] { takenInOnDisk(); } } };
    PoleResults m_poleResults { m_services, m_list, [this] { return autoSave(); },
        [this] { return overwriteCheck(); } };
    RowClearing m_clearing { m_services, m_list, m_poleResults, [this] { m_shotFiling.end(); } };
    QString m_pictureName; // the picture on screen, as filed or as opened
    QString m_sizeCaption; // the size caption without the calibration mark
    ScaleBook m_scaleBook { m_services };
    QTimer* m_typingSettles = new QTimer(this); // a pause in the typing that settles a typed correction
    MeasurementLog m_log { m_services, m_list, [this] { return autoSave(); }, *m_typingSettles };
    FactsDesk m_facts { m_services, m_list, [this] { m_log.onDisk(); } };
    CaptureWatcher m_watcher;
    FileArrivals* m_arrivals = new FileArrivals(this);
    QByteArray m_watchRefused; // the camera folder whose watch the system refused, said once
    bool m_arrivalStepQueued = false;

    // Controls
    QPushButton* Command1 = nullptr;
    QLineEdit* Text1 = nullptr;
    std::array<ClickableLabel*, 2> Label4 {};
    QLabel* Label3 = nullptr;
    QLineEdit* Text4 = nullptr;
    QCheckBox* Check1 = nullptr;
    std::array<QLabel*, 2> Label2 {};
    QLineEdit* Text2 = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* Check3 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command2 = nullptr;
    std::array<QPushButton*, 2> Command3 {};
    std::array<QPushButton*, 2> Command4 {};
    PictureBox* Picture1 = nullptr;
    FullPicture* Picture2 = nullptr;
    std::array<OverlayLine*, 4> Line1 {};
    std::array<OverlayLine*, 6> Line2 {};
    QGroupBox* Frame2 = nullptr;
    std::unique_ptr<ResultListView> m_listView; // with the result grid
    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 3> Option1 {};
    FlexGrid* MSFlexGrid1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Text3 = nullptr;
    QCheckBox* Check4 = nullptr;
    QLineEdit* Text5 = nullptr;
    std::array<QLabel*, 2> Label5 {};
    QCheckBox* Check5 = nullptr;
    QLineEdit* Text6 = nullptr;
    QCheckBox* Check6 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    CommonDialog* CommonDialog1 = nullptr;

    // Menus
    WrappingMenuBar* m_topMenus = nullptr;
    QMenu* fil = nullptr;
    QAction* JPOP = nullptr;
    QAction* Psave = nullptr;
    QAction* USB = nullptr;
    QAction* EN = nullptr;
    QAction* Ledger = nullptr;
    QAction* Calibrate = nullptr;
    QAction* Uncalibrate = nullptr;
    QAction* KeepOriginals = nullptr;
    QAction* AcrossCrack = nullptr;
    QMenu* E = nullptr;
    QAction* PoleInfo = nullptr;
    QAction* CrackInfo = nullptr;
    std::array<QAction*, 2> cop {};
    std::array<QAction*, 2> col {};
    QAction* copC = nullptr;
    QAction* Undo = nullptr;
    QMenu* Bun = nullptr;
    QAction* bunGo = nullptr;
    QMenu* BunH = nullptr;
    std::array<QAction*, 3> ops {};
    QMenu* Bun1 = nullptr;
    std::array<QAction*, 4> bunseki {};
    QMenu* Bun2 = nullptr;
    std::array<QAction*, 2> ScanH {};
    QMenu* Set = nullptr;
    std::array<QAction*, 7> check {}; // elements 1 to 6
    QAction* Bic = nullptr;
    QMenu* soku = nullptr;
    std::array<QAction*, 6> sokuDD {};
    QMenu* TyoNo = nullptr;
    std::array<QAction*, 2> TyoNoPrs {};
    QMenu* Sz = nullptr;
    QAction* minDisp = nullptr;
    QMenu* Disp = nullptr;
    std::array<QAction*, 2> DspS {};
    QAction* Dm = nullptr;
};

} // namespace norvel
