// Everything the window asks of the user, behind one interface: the desktop answers with Qt's
// dialogs, tests answer with scripted replies and never block.
#pragma once

#include <QString>
#include <cstdint>

class QDialog;
class QWidget;

namespace korvel {

struct FileChoice {
    QString path;
    int filterIndex = 1;  // 1-based, as the file dialogs count their filters
};

class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // An information box with an OK button.
    virtual void information(const QString& text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool question(const QString& text) = 0;
    // A one-line input box; false when it was cancelled. `text` holds the answer.
    virtual bool inputText(const QString& title, const QString& prompt, QString& text) = 0;
    // `filter` uses Qt's form ("Name (*.ext);;Other (*.*)").
    virtual bool openFile(const QString& folder, const QString& filter, FileChoice& choice) = 0;
    virtual bool saveFile(const QString& folder, const QString& filter, FileChoice& choice) = 0;
    // The colour chooser, 0x00BBGGRR in and out; false when cancelled.
    virtual bool chooseColor(uint32_t& color) = 0;
    virtual bool chooseFolder(QString& folder) = 0;
    // Shows a dialog modally; tests look at it without running it.
    virtual void showModal(QDialog& dialog) = 0;
};

// Qt's own dialogs over `parent`.
class QtUserPrompts : public UserPrompts {
public:
    explicit QtUserPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void information(const QString& text) override;
    bool question(const QString& text) override;
    bool inputText(const QString& title, const QString& prompt, QString& text) override;
    bool openFile(const QString& folder, const QString& filter, FileChoice& choice) override;
    bool saveFile(const QString& folder, const QString& filter, FileChoice& choice) override;
    bool chooseColor(uint32_t& color) override;
    bool chooseFolder(QString& folder) override;
    void showModal(QDialog& dialog) override;

private:
    QWidget* parent_;
};

// The 1-based position of `selected` among the ";;"-separated filters.
int FilterIndex(const QString& filter, const QString& selected);

// A whole decimal number as the input boxes take it (spaces around it allowed); false otherwise.
bool ParseWholeNumber(const QString& text, int& value);

}  // namespace korvel
