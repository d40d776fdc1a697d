// The reading aids around the drawing area, in a "表示" menu and a tool bar of their own: the
// layer panel (F2), finding texts (Ctrl+F), measuring, the pointer's coordinates in the status
// bar, and the drawings opened last with the view each was left in.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "app/recent_files.h"
#include "render/render_options.h"

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QToolBar;

namespace korvel {

class DrawingView;
class FindDock;
class LayerDock;
class MeasureTool;
class Drawing;
struct TextHit;

// What the window does for the menu.
struct ViewMenuHost {
    std::function<void()> repaint;                     // the layer choice changed
    std::function<bool(const QString&)> open;          // opens a drawing file
    std::function<RenderOptions()> renderOptions;      // what the window draws with now
    std::function<bool()> hasDrawing;
};

class ViewMenu : public QObject {
    Q_OBJECT
public:
    // `settingsPath` is the settings file the recent drawings are kept in.
    ViewMenu(QMainWindow& window, DrawingView& view, const Drawing& drawing, std::string settingsPath,
             ViewMenuHost host);

    // Before the window lets go of the drawing it shows (another load, closing): the view it
    // was left in is kept for its file.
    void leaveFile();
    // After a load: the panel, the search and the snap points follow the new drawing; a file
    // (`path` not empty) goes to the front of the recent drawings and gets its last view back.
    void drawingReplaced(const QString& path);

    // What the layer panel shows, greys and hides.
    const LayerChoice& layers() const;

    LayerDock& layerDock() { return *layerDock_; }
    FindDock& findDock() { return *findDock_; }
    MeasureTool& measureTool() { return *measure_; }
    QMenu& menu() { return *menu_; }
    QMenu& recentMenu() { return *recentMenu_; }
    QToolBar& toolBar() { return *toolBar_; }
    QLabel& coordinates() { return *coordinates_; }
    QLabel& readout() { return *readout_; }
    QAction* layersAction() const { return layersAction_; }
    QAction* findAction() const { return findAction_; }
    QAction* measureAction() const { return measureAction_; }
    const RecentFiles& recent() const { return recent_; }
    const QString& currentFile() const { return currentFile_; }
    // Why the recent drawings could not be kept in the settings file (empty: they could).
    const std::string& recentProblem() const { return recentProblem_; }

    // Measuring on or off (the menu item, Esc).
    void setMeasuring(bool on);

private:
    void buildMenu(QMainWindow& window);
    void buildToolBar(QMainWindow& window);
    void layersChanged();
    void showHit(const TextHit& hit);
    void pointerMoved(QPointF at);
    void updateRecent(const std::function<void(RecentFiles&)>& change);
    void fillRecentMenu();
    void openRecent(const std::string& path);

    DrawingView& view_;
    const Drawing& drawing_;
    std::string settingsPath_;
    ViewMenuHost host_;
    LayerDock* layerDock_ = nullptr;
    FindDock* findDock_ = nullptr;
    MeasureTool* measure_ = nullptr;
    QMenu* menu_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* coordinates_ = nullptr;
    QLabel* readout_ = nullptr;
    QAction* layersAction_ = nullptr;
    QAction* findAction_ = nullptr;
    QAction* measureAction_ = nullptr;
    RecentFiles recent_;
    QString currentFile_;
    std::string recentProblem_;
    bool replacing_ = false;
};

}  // namespace korvel
