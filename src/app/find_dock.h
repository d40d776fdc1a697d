// Finding texts: a dock with the search field and the list of hits; choosing a hit shows it,
// and the hits are marked over the picture.
#pragma once

#include <QDockWidget>
#include <functional>

#include "app/view_tools.h"
#include "render/text_search.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace korvel {

class FindDock : public QDockWidget, public ViewOverlay {
    Q_OBJECT
public:
    // `search` finds the query (UTF-8) in the drawing as it is now.
    explicit FindDock(std::function<TextSearchResult(const std::string&)> search, QWidget* parent = nullptr);

    // Shows the dock, selects its field and takes the keyboard.
    void start();
    // Searches the field's text again (the drawing or its layers changed).
    void searchAgain();
    // Finds `query`, lists the hits and shows the first.
    void find(const QString& query);
    // Shows hit `index` of the list (and selects it there).
    void choose(int index);
    void chooseNext(int step);

    const TextSearchResult& result() const { return result_; }
    int current() const { return current_; }
    QLineEdit* field() const { return field_; }
    QListWidget* list() const { return list_; }
    QLabel* summary() const { return summary_; }

    void paintOverlay(QPainter& painter, const ViewMapping& mapping) override;

signals:
    // The hit to show: its box in drawing millimetres.
    void showHit(const TextHit& hit);
    // The marks over the picture changed.
    void marksChanged();

private:
    void listHits();

    std::function<TextSearchResult(const std::string&)> search_;
    QLineEdit* field_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* summary_ = nullptr;
    TextSearchResult result_;
    int current_ = -1;
};

// A hit as the list shows it: its text, where it lies and how it draws.
QString HitCaption(const TextHit& hit);

}  // namespace korvel
