#include "analysis/scalecalibration.h"

#include "analysis/scanlines.h"
#include "analysis/summary.h"
#include "core/numbers.h"
#include "files/durablefile.h"
#include "files/inifile.h"
#include "files/regularfile.h"

#include <QDir>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace norvel {

namespace {

const QString ScaleSection = QStringLiteral("scale");
const QString DateKey = QStringLiteral("date");
const QString LengthKey = QStringLiteral("lengthMm");
const QString PictureKey = QStringLiteral("picture");
const QString DateFormat = QStringLiteral("yyyy-MM-dd");

// The whole text as a finite positive number.
std::optional<double> positiveNumber(const QString& text)
{
    const std::optional<double> value = exactNumber<double>(text);
    return value && *value > 0 ? value : std::nullopt;
}

// Whether the ruler's step, as the analysis rounds it, fits 16 bits for pictures this many rows high at
// both display sizes (480 and 420 rows, the largest view scale, single as the window holds it) and the three ranges
// (whole, 2.5 and 5 times).
bool rulerFits(float pxPerMm, int height)
{
    for (const double rows : { 480.0, 420.0 }) {
        const auto dspRate = static_cast<float>(rows / height);
        for (const float zoom : { 1.0f, 2.5f, 5.0f }) {
            try {
                (void)rulerStep(pxPerMm, dspRate, zoom);
            } catch (const OverflowError&) {
                return false;
            }
        }
    }
    return true;
}

// "2592x1944" with both sides positive, also as a person may type it: "2592X1944", "02592x1944".
std::optional<QSize> sizeIn(const QString& text)
{
    const qsizetype x = std::max(text.indexOf(u'x'), text.indexOf(u'X'));
    if (x <= 0 || x == text.size() - 1)
        return std::nullopt;
    const auto allDigits = [](QStringView part) {
        return std::all_of(part.begin(), part.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    const QStringView width = QStringView(text).left(x);
    const QStringView height = QStringView(text).mid(x + 1);
    if (!allDigits(width) || !allDigits(height))
        return std::nullopt;
    const std::optional<int> w = exactNumber<int>(width);
    const std::optional<int> h = exactNumber<int>(height);
    if (!w || !h || *w <= 0 || *h <= 0)
        return std::nullopt;
    return QSize(*w, *h);
}

// The same normalised, so that "02592x1944" is the same size as "2592x1944".
std::optional<QString> sizeKeyIn(const QString& text)
{
    const std::optional<QSize> size = sizeIn(text);
    return size ? std::optional(scaleSizeKey(*size)) : std::nullopt;
}

QString scalePath(const QString& programFolder)
{
    return QDir(programFolder).filePath(ScaleFileName);
}

} // namespace

QString scaleSizeKey(QSize size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

double largestPxPerMm(QSize pictureSize)
{
    const int height = std::max(pictureSize.height(), 1);
    // The step's limit, 32767.5 × 10 × height / 480, in whole figures; the float rounding of the figure and
    // of the view scale may take a little off it.
    double largest = std::min(MaximumPxPerMm, std::floor(327675.0 * height / 480.0));
    while (largest > MinimumPxPerMm && !rulerFits(static_cast<float>(largest), height))
        largest -= 1;
    return largest;
}

QString scaleFigureRefusal(double pxPerMm, QSize pictureSize, const QString& figureText)
{
    // Written so that NaN is refused too.
    if (!(pxPerMm >= MinimumPxPerMm && pxPerMm <= MaximumPxPerMm))
        return QStringLiteral("1 mmあたりの画素数「%1」は、顕微鏡写真の目盛りとしてありえる%2～%3の範囲にありません。")
            .arg(figureText, doubleText(MinimumPxPerMm), doubleText(MaximumPxPerMm));
    const double largest = largestPxPerMm(pictureSize);
    if (pxPerMm > largest)
        return QStringLiteral(
            "1 mmあたりの画素数「%1」では、%2の画像に目盛りを描けません。この大きさの画像では%3までです。")
            .arg(figureText, scaleSizeKey(pictureSize), doubleText(largest));
    return {};
}

QByteArray scaleFileContent(const ScaleCalibrations& calibrations)
{
    QString text = u'[' + ScaleSection + QStringLiteral("]\r\n");
    for (auto it = calibrations.cbegin(); it != calibrations.cend(); ++it)
        text += it.key() + u'=' + exactText(it->pxPerMm) + QStringLiteral("\r\n");
    for (auto it = calibrations.cbegin(); it != calibrations.cend(); ++it) {
        text += QStringLiteral("\r\n[") + it.key() + QStringLiteral("]\r\n");
        // What was never set is left out, and reads back as unset.
        if (it->date.isValid())
            text += DateKey + u'=' + it->date.toString(DateFormat) + QStringLiteral("\r\n");
        if (it->lengthMm != 0)
            text += LengthKey + u'=' + exactText(it->lengthMm) + QStringLiteral("\r\n");
        text += PictureKey + u'=' + it->picture + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

namespace {

// The scale file read line by line: each line taken in turn, refused with its reason when it is not as written.
class ScaleFileReader {
public:
    // Empty when the line is taken, else why it is refused.
    QString take(const IniLine& line)
    {
        const QString trimmed = line.text.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
            return {};
        if (line.section)
            return startSection(*line.section);
        if (m_section && m_section->isEmpty())
            return {};
        if (!line.key || line.key->isEmpty() || !m_section)
            return QStringLiteral("区分の見出しでも「名前=値」でもない行です。");
        QString key = *line.key;
        QSize size;
        if (*m_section == ScaleSection) {
            const std::optional<QSize> sizeOfKey = sizeIn(key);
            if (!sizeOfKey)
                return QStringLiteral("「%1」は「幅x高さ」の画像の大きさではありません。").arg(key);
            size = *sizeOfKey;
            key = scaleSizeKey(size);
        }
        if (m_keys.contains(key))
            return QStringLiteral("「%1」が二度あります。").arg(key);
        m_keys.insert(key);
        return *m_section == ScaleSection ? takeFigure(key, size, line.value) : takeNote(key, line.value);
    }

    // Notes on a size without a figure calibrate nothing; a figure without notes is a calibration.
    ScaleCalibrations calibrations()
    {
        for (auto it = m_calibrations.begin(); it != m_calibrations.end();)
            it = m_figures.contains(it.key()) ? std::next(it) : m_calibrations.erase(it);
        return m_calibrations;
    }

private:
    QString startSection(const QString& name)
    {
        // Other programs' sections (QSettings' [General], notes) are left alone: only the figures count.
        m_section = name == ScaleSection ? std::optional(name) : sizeKeyIn(name).value_or(QString());
        if (m_sections.contains(*m_section) && !m_section->isEmpty())
            return QStringLiteral("区分「%1」が二度あります。").arg(*m_section);
        m_sections.insert(*m_section);
        m_keys.clear();
        return {};
    }

    QString takeFigure(const QString& key, QSize size, const QString& value)
    {
        const std::optional<double> figure = exactNumber<double>(value);
        if (!figure)
            return QStringLiteral("1 mmあたりの画素数「%1」が数ではありません。").arg(value);
        // Checked here, once, so that no rule drawing or measuring with it has to: a figure beyond the
        // ruler's 16-bit steps would stop the program at every analysis.
        const QString refusal = scaleFigureRefusal(*figure, size, value);
        if (!refusal.isEmpty())
            return refusal;
        m_calibrations[key].pxPerMm = *figure;
        m_figures.insert(key);
        return {};
    }

    QString takeNote(const QString& key, const QString& value)
    {
        if (key == DateKey) {
            // Where the figure came from is a note: one that cannot be read stays unset, the figure counts.
            m_calibrations[*m_section].date = QDate::fromString(value, DateFormat);
        } else if (key == LengthKey) {
            m_calibrations[*m_section].lengthMm = positiveNumber(value).value_or(0);
        } else if (key == PictureKey) {
            m_calibrations[*m_section].picture = value;
        }
        return {};
    }

    ScaleCalibrations m_calibrations;
    QSet<QString> m_figures; // sizes given a figure in [scale]
    QSet<QString> m_sections;
    QSet<QString> m_keys; // of the current section
    std::optional<QString> m_section; // "scale" or a size key; none before the first section
};

} // namespace

std::optional<ScaleCalibrations> parseScaleFile(const QByteArray& content, QString* error)
{
    const auto refuse = [error](int lineNumber, const QString& reason) -> std::optional<ScaleCalibrations> {
        if (error)
            *error = lineNumber > 0 ? QStringLiteral("%1行目: %2").arg(lineNumber).arg(reason) : reason;
        return std::nullopt;
    };
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(content);
    if (decoder.hasError())
        return refuse(0, QStringLiteral("UTF-8の文字として読めないバイトがあります。"));
    ScaleFileReader reader;
    const QList<IniLine> lines = iniLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const QString refusal = reader.take(lines[i]); !refusal.isEmpty())
            return refuse(static_cast<int>(i + 1), refusal);
    }
    return reader.calibrations();
}

ScaleCalibrations readScaleFile(const QString& programFolder, QString* error)
{
    const QString path = scalePath(programFolder);
    const FileContent file = readRegularFile(path, ScaleFileLimitBytes);
    if (file.missing())
        return {};
    const QString nativePath = QDir::toNativeSeparators(path);
    // A pipe, a device or an oversized file is not read at all: refused with its reason, like one that fails.
    if (!file.read()) {
        if (error)
            *error = QStringLiteral("目盛り校正ファイル「%1」を読めないため、校正なしで測定します。\n%2")
                         .arg(nativePath, file.error);
        return {};
    }
    QString reason;
    std::optional<ScaleCalibrations> calibrations = parseScaleFile(file.content, &reason);
    if (!calibrations && error)
        *error = QStringLiteral("目盛り校正ファイル「%1」が壊れているため、校正なしで測定します。\n%2")
                     .arg(nativePath, reason);
    return calibrations.value_or(ScaleCalibrations());
}

bool writeScaleFile(const QString& programFolder, const ScaleCalibrations& calibrations, QString* error)
{
    const QString path = scalePath(programFolder);
    const QByteArray content = scaleFileContent(calibrations);
    QString reason;
    // What would not read back as these figures is not written at all: the old file is better than a damaged
    // one (a figure that is no number, a size that is no size, a picture name with a line break).
    const std::optional<ScaleCalibrations> readBack = parseScaleFile(content, &reason);
    if (!readBack || *readBack != calibrations) {
        if (reason.isEmpty())
            reason = QStringLiteral("ファイル名の前後の空白など、そのまま書き表せない値があります。");
        reason = QStringLiteral("書き込む校正値が正しくありません。%1").arg(reason);
    } else if (writeFileDurably(path, content, &reason)) {
        return true;
    }
    if (error)
        *error = notWrittenMessage(QStringLiteral("目盛り校正ファイル"), path, reason);
    return false;
}

std::optional<float> calibratedPxPerMm(const ScaleCalibrations& calibrations, QSize pictureSize)
{
    const auto it = calibrations.constFind(scaleSizeKey(pictureSize));
    if (it == calibrations.cend())
        return std::nullopt;
    return static_cast<float>(it->pxPerMm);
}

CalibrationCheck checkCalibration(double linePx, double lengthMm, QSize pictureSize)
{
    CalibrationCheck check;
    check.describedPxPerMm = analysisPxPerMm(pictureSize.width());
    if (lengthMm > 0 && std::isfinite(linePx / lengthMm)) {
        check.pxPerMm = linePx / lengthMm;
        if (check.describedPxPerMm > 0)
            check.differencePercent = (check.pxPerMm / check.describedPxPerMm - 1) * 100;
    }
    // Written so that NaN is refused too.
    if (!(linePx >= MinimumCalibrationLinePx)) {
        // Rounded down, so a refused line never reads as the 100 it falls short of.
        check.refusal
            = QStringLiteral("線が短すぎます。目盛りに沿って%1画素以上の線を引いてください（今の線は%2画素）。")
                  .arg(doubleText(MinimumCalibrationLinePx), doubleText(std::floor(linePx)));
        return check;
    }
    if (!(lengthMm >= MinimumCalibrationLengthMm && lengthMm <= MaximumCalibrationLengthMm)) {
        check.refusal = QStringLiteral("長さは%1～%2 mmの範囲で入力してください。")
                            .arg(doubleText(MinimumCalibrationLengthMm), doubleText(MaximumCalibrationLengthMm));
        return check;
    }
    check.refusal = scaleFigureRefusal(check.pxPerMm, pictureSize, fixedText(check.pxPerMm, 2));
    const double ratio = check.pxPerMm / check.describedPxPerMm;
    if (check.refusal.isEmpty() && !(ratio >= 0.5 && ratio <= 2)) {
        // Three significant digits, whether the figure is 861 times the described one or 0.00123 of it.
        const int decimals = std::clamp(2 - static_cast<int>(std::floor(std::log10(ratio))), 0, 9);
        check.question
            = QStringLiteral("校正値 %1 画素/mm は標準の %2 画素/mm と大きく違います（%3 倍）。この値で校正しますか？")
                  .arg(fixedText(check.pxPerMm, 2), fixedText(check.describedPxPerMm, 2), fixedText(ratio, decimals));
    }
    return check;
}

std::optional<double> typedLengthMm(const QString& text)
{
    return exactNumber<double>(halfWidthNumberText(text).trimmed());
}

CalibrationCheck checkTypedCalibration(double linePx, const QString& lengthText, QSize pictureSize)
{
    const std::optional<double> lengthMm = typedLengthMm(lengthText);
    CalibrationCheck check = checkCalibration(linePx, lengthMm.value_or(0), pictureSize);
    // A short line is the first thing to mend; past it, a text that is no length says so, not the range.
    if (!lengthMm && linePx >= MinimumCalibrationLinePx) {
        check.refusal = QStringLiteral("長さを数字で入力してください。");
        check.question.clear();
    }
    return check;
}

} // namespace norvel
