// The clipboard-metafile tool: a small window beside the main window that previews the enhanced
// metafile on the clipboard, writes it as "_Grp_.bmp" at a chosen magnification when it closes,
// and leaves on the clipboard the image-reference text with which Jw_win draws that bitmap.
#pragma once

#include <QSize>
#include <QString>
#include <QWidget>
#include <string>

#include "platform/emf_preview.h"

class QLabel;

namespace korvel {

class UserPrompts;

constexpr double kMaxMagnification = 5.0;
constexpr int kMetafileToolPanelHeight = 19;
constexpr int kMetafileToolMagnificationWidth = 40;

// "×" followed by the magnification with one decimal and no leading zero ("×2.0", "×.5").
QString MagnificationText(double m);
// The magnification an answer of the input box gives: 1.0 for anything that is not a number,
// at most 5.0; zero and below are kept as entered.
double ParseMagnification(const QString& text);
// Hp / Wp · 100 cut (toward zero) to four decimals; 0 when there is no preview.
double HeightRatio(int previewWidth, int previewHeight);
// "^@BM" + path + ",100," + q in its shortest decimal form.
QString ImageReferenceText(const QString& windowsPath, double heightRatio);
// Where the tool starts writing: the drawing's folder (a Windows path that Jw_win gave is
// followed through the Wine prefix's drives), or the home folder when there is none.
QString MetafileToolStartFolder(const std::string& drawingFolder, const std::string& winePrefix);

class Temf2bmp : public QWidget {
    Q_OBJECT
public:
    explicit Temf2bmp(UserPrompts& prompts, QWidget* parent = nullptr);

    // The folder the bitmap goes to (a Linux path); the output path follows it.
    void setOutputFolder(const QString& folder);
    const QString& outputFolder() const { return folder_; }
    QString outputPath() const;
    // The Wine prefix whose drives name the output path for Jw_win.
    void setWinePrefix(const std::string& prefix) { winePrefix_ = prefix; }
    // The text the close puts on the clipboard for the current output path and preview.
    QString referenceText() const;

    double magnification() const { return m_; }
    QSize metafileSize() const { return QSize(w0_, h0_); }
    QSize previewSize() const { return QSize(wp_, hp_); }
    double heightRatio() const { return q_; }
    QLabel& imageControl() { return *image_; }
    QLabel& magnificationPanel() { return *statusBar1_; }
    QLabel& pathPanel() { return *statusBar2_; }

    // The window's events, named as the form's handlers.
    void FormCreate();
    void FormActivate();
    void FormShow();
    void FormResize();
    void StatusBar1Click();
    void StatusBar2Click();
    // Writes the bitmap and the clipboard text when the clipboard still holds a metafile; true
    // when both were done.
    bool FormClose();

    // What the main window's command does: brings the tool up, fresh, beside it, as wide as
    // the preview (within the screen) so that the whole picture shows.
    void openBeside(QWidget* mainWindow);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildPreview();
    void fitWidthToPreview();
    bool writeBitmapAndReference(const QByteArray& emf);
    void resetMagnification();

    UserPrompts& prompts_;
    std::string winePrefix_;
    QLabel* image_ = nullptr;
    QLabel* statusBar1_ = nullptr;
    QLabel* statusBar2_ = nullptr;
    QString folder_;
    EmfPicture picture_;
    double m_ = 1.0;
    int w0_ = 0, h0_ = 0;
    int wp_ = 0, hp_ = 0;
    double q_ = 0.0;
};

}  // namespace korvel
