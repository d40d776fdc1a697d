// The options dialog: every stored option on three pages, the own pen colours and widths and the
// solid hatching. Most controls write their setting when clicked; a few boxes are read when the
// dialog closes.
#pragma once

#include <QDialog>
#include <array>

#include "app/settings_session.h"
#include "app/user_prompts.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace korvel {

class ColorButton;

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    // Edits `session`'s settings, the own pens among them; the drawing is not touched.
    OptionsDialog(SettingsSession& session, UserPrompts& prompts, QWidget* parent = nullptr);

    // Every control from the settings in memory.
    void populate();
    // The boxes read on close, in their order; then the dialog closes.
    void closeDialog();

    // Controls, for the window's tests and screenshots.
    QTabWidget* pages = nullptr;
    QButtonGroup* outputSize = nullptr;  // ids 0..6
    QLineEdit* customWidth = nullptr;
    QCheckBox* solidsFirst = nullptr;    // "画像・ソリッド図先行描画"
    QRadioButton* picturesFirst = nullptr;  // "画像を先行"
    QCheckBox* monochrome = nullptr;
    QRadioButton* twoColour = nullptr;   // "白黒表示"
    QRadioButton* grey = nullptr;        // "グレー表示"
    QCheckBox* hidePictures = nullptr;
    QCheckBox* builtInOnly = nullptr;
    QLabel* builtInOnlyLabel = nullptr;
    QCheckBox* thinLines = nullptr;
    QCheckBox* realScale = nullptr;
    QCheckBox* hideAuxLines = nullptr;
    QCheckBox* clipboardWatch = nullptr;

    QLineEdit* jpegQuality = nullptr;
    QCheckBox* jpegProgressive = nullptr;
    QComboBox* pngCompression = nullptr;
    QCheckBox* pngInterlace = nullptr;
    QCheckBox* pngTransparent = nullptr;
    QRadioButton* gifLzw = nullptr;
    QRadioButton* gifRle = nullptr;
    QComboBox* gifDither = nullptr;
    QComboBox* gifReduction = nullptr;
    QSpinBox* shiftY = nullptr;
    QComboBox* delimiter = nullptr;
    QCheckBox* textToClipboard = nullptr;

    std::array<ColorButton*, 10> colors{};  // 0 the background, 1..9 the pens
    ColorButton* greyButton = nullptr;
    std::array<QLineEdit*, 10> widths{};     // 0 beside "グレー：", 1..9 beside the pens
    QPushButton* defaults = nullptr;
    QCheckBox* ownPens = nullptr;            // "PenColorFlag"
    QCheckBox* hatchOn = nullptr;
    QCheckBox* hatchByLine = nullptr;
    QCheckBox* hatchByFamily = nullptr;
    std::array<QLineEdit*, 9> lineHatch{};    // " LSolidStyle1..9"
    std::array<QLineEdit*, 8> familyHatch{};  // " CSolidStyle1..8"
    QComboBox* brushStyle = nullptr;
    QPushButton* closeButton = nullptr;


private:
    QWidget* buildDrawingPage();
    QWidget* buildOutputPage();
    QWidget* buildPenPage();
    void connectRules();
    void showPens();
    void updateHatchControls();
    void chooseColor(int index);

    SettingsSession& session_;
    OwnPenSet& pens_;
    UserPrompts& prompts_;
};

}  // namespace korvel
