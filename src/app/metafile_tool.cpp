// The tool keeps its state while the program runs: the window is hidden on close, never
// destroyed, so the folder chosen once stays for the next picture.
#include "app/metafile_tool.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>
#include <charconv>
#include <cmath>
#include <vector>

#include "app/user_prompts.h"
#include "drawing/loaders.h"
#include "output/bmp_encoder.h"
#include "output/qimage_view.h"
#include "platform/clipboard_formats.h"
#include "platform/qt_text.h"
#include "platform/registry_source.h"

namespace korvel {

namespace {

const QString kCaption = QStringLiteral("Clipboard-Matefile > BMP");
const QString kBitmapName = QStringLiteral("_Grp_.bmp");
// The preview's image control is this high when the window opens at its own size.
constexpr int kImageControlHeight = 368;
constexpr int kDefaultWidth = 500;
constexpr int kMinimumWidth = 240;

QString shortestDecimal(double v) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

bool hasDriveLetter(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

QByteArray clipboardMetafile() { return ReadEnhancedMetafile(QApplication::clipboard()->mimeData()); }

}  // namespace

QString MagnificationText(double m) {
    // Halves go away from zero, and "#" leaves out a zero before the point.
    double r = std::round(m * 10.0) / 10.0;
    if (!std::isfinite(r)) r = m;
    if (r == 0.0) r = 0.0;  // no "-.0"
    QString s = QString::number(r, 'f', 1);
    if (s.startsWith(QLatin1String("0."))) s.remove(0, 1);
    else if (s.startsWith(QLatin1String("-0."))) s.remove(1, 1);
    return QStringLiteral("×") + s;
}

double ParseMagnification(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) return 1.0;
    return v > kMaxMagnification ? kMaxMagnification : v;
}

double HeightRatio(int previewWidth, int previewHeight) {
    if (previewWidth <= 0 || previewHeight <= 0) return 0.0;
    const double q = static_cast<double>(previewHeight) / previewWidth * 100.0;
    return std::trunc(q * 10000.0) / 10000.0;
}

QString ImageReferenceText(const QString& windowsPath, double heightRatio) {
    return QStringLiteral("^@BM") + windowsPath + QStringLiteral(",100,") + shortestDecimal(heightRatio);
}

QString MetafileToolStartFolder(const std::string& drawingFolder, const std::string& winePrefix) {
    std::string folder = drawingFolder;
    if (hasDriveLetter(folder)) folder = WinePathToLinux(folder, winePrefix);
    if (folder.empty()) return QDir::homePath();
    return QDir::cleanPath(QString::fromStdString(folder));
}

Temf2bmp::Temf2bmp(UserPrompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window), prompts_(prompts), winePrefix_(DefaultWinePrefix()) {
    setWindowTitle(kCaption);
    QFont font(MapFaceName("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    image_ = new QLabel(this);
    image_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The preview follows the window, never the other way round.
    image_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout->addWidget(image_, 1);

    auto* panel = new QWidget(this);
    panel->setFixedHeight(kMetafileToolPanelHeight);
    auto* bars = new QHBoxLayout(panel);
    bars->setContentsMargins(0, 0, 0, 0);
    bars->setSpacing(0);
    statusBar1_ = new QLabel(panel);
    statusBar1_->setFixedWidth(kMetafileToolMagnificationWidth);
    statusBar2_ = new QLabel(panel);
    for (QLabel* bar : {statusBar1_, statusBar2_}) {
        bar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->setIndent(2);
        bar->setCursor(Qt::PointingHandCursor);
        bar->installEventFilter(this);
        bars->addWidget(bar);
    }
    statusBar1_->setToolTip(QStringLiteral("倍率"));
    statusBar2_->setToolTip(QStringLiteral("保存先フォルダ"));
    layout->addWidget(panel);

    resize(kDefaultWidth, kImageControlHeight + kMetafileToolPanelHeight);
    FormCreate();
}

void Temf2bmp::FormCreate() {
    m_ = 1.0;
    statusBar1_->setText(MagnificationText(m_));
    statusBar2_->clear();
}

void Temf2bmp::FormActivate() { m_ = 1.0; }

void Temf2bmp::FormShow() { rebuildPreview(); }

void Temf2bmp::FormResize() { rebuildPreview(); }

void Temf2bmp::setOutputFolder(const QString& folder) {
    folder_ = folder;
    statusBar2_->setText(outputPath());
}

QString Temf2bmp::outputPath() const {
    QString path = folder_;
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return path + kBitmapName;
}

QString Temf2bmp::referenceText() const {
    const std::string path = QFile::encodeName(outputPath()).toStdString();
    std::string windows = LinuxPathToWine(path, winePrefix_);
    // No drive of the prefix reaches the folder: Korvel itself still finds the file.
    if (windows.empty()) windows = path;
    return ImageReferenceText(QFile::decodeName(windows.c_str()), q_);
}

void Temf2bmp::rebuildPreview() {
    statusBar2_->setText(outputPath());
    const QByteArray emf = clipboardMetafile();
    if (!emf.isEmpty()) {
        picture_.load(emf);
        w0_ = picture_.pixelSize().width();
        h0_ = picture_.pixelSize().height();
    }
    image_->clear();
    const int height = image_->height();
    if (picture_.isNull() || height < 1) return;
    hp_ = height;
    wp_ = std::max(1, static_cast<int>(std::nearbyint(static_cast<double>(height) * w0_ / h0_)));
    q_ = HeightRatio(wp_, hp_);
    const QImage preview = picture_.render(QSize(wp_, hp_));
    if (!preview.isNull()) image_->setPixmap(QPixmap::fromImage(preview));
}

void Temf2bmp::StatusBar1Click() {
    QString text = shortestDecimal(m_);
    if (prompts_.inputText(QStringLiteral("Input Magnification"), QStringLiteral("～×5.0"), text))
        m_ = ParseMagnification(text);
    statusBar1_->setText(MagnificationText(m_));
}

void Temf2bmp::StatusBar2Click() {
    QString folder = folder_;
    if (!prompts_.chooseFolder(folder)) return;
    setOutputFolder(folder);
}

bool Temf2bmp::FormClose() {
    const QByteArray emf = clipboardMetafile();
    const bool done = !emf.isEmpty() && writeBitmapAndReference(emf);
    resetMagnification();
    return done;
}

bool Temf2bmp::writeBitmapAndReference(const QByteArray& emf) {
    if (!picture_.load(emf)) {
        prompts_.information(QStringLiteral("クリップボードのメタファイルを読めません。"));
        return false;
    }
    const double w = std::nearbyint(wp_ * m_);
    const double h = std::nearbyint(hp_ * m_);
    // Zero or negative magnifications make no bitmap; nothing is written for them.
    const QImage image = w >= 1 && h >= 1 ? picture_.render(QSize(static_cast<int>(w), static_cast<int>(h))) : QImage();
    if (image.isNull()) {
        prompts_.information(QStringLiteral("%1 × %2 の画像は作れません（倍率 %3）。")
                                 .arg(w).arg(h).arg(MagnificationText(m_)));
        return false;
    }
    QImage storage;
    std::vector<uint8_t> bytes;
    const EncodeResult encoded = EncodeBmp(ViewOfQImage(image, storage), bytes);
    std::string error;
    const std::string path = QFile::encodeName(outputPath()).toStdString();
    if (!encoded.ok) error = path + ": " + encoded.error;
    else if (!WriteFileAtomically(path, bytes, error) && error.empty()) error = path + ": not written";
    if (!error.empty()) {
        prompts_.information(QString::fromStdString(error));
        return false;
    }
    QApplication::clipboard()->setText(referenceText());
    return true;
}

void Temf2bmp::resetMagnification() {
    m_ = 1.0;
    statusBar1_->setText(MagnificationText(m_));
}

void Temf2bmp::openBeside(QWidget* mainWindow) {
    if (!isVisible() && mainWindow) {
        const QRect frame = mainWindow->frameGeometry();
        move(frame.right() + 1, frame.top());
    }
    FormActivate();
    statusBar1_->setText(MagnificationText(m_));
    if (isVisible()) rebuildPreview();
    show();
    fitWidthToPreview();
    raise();
    activateWindow();
}

void Temf2bmp::fitWidthToPreview() {
    if (wp_ < 1) return;
    int width = std::max(wp_, kMinimumWidth);
    if (const QScreen* s = screen()) width = std::min(width, s->availableGeometry().width());
    if (width != this->width()) resize(width, height());
}

void Temf2bmp::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void Temf2bmp::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The layout has placed the image control by now only once the window is shown.
    if (isVisible()) FormResize();
}

void Temf2bmp::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

bool Temf2bmp::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == statusBar1_) {
            StatusBar1Click();
            return true;
        }
        if (watched == statusBar2_) {
            StatusBar2Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace korvel
