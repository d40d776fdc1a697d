// What the tests (and the screenshot tool) look at inside the main window: its widgets, the
// settings it holds and a few counters. The window itself offers only what the program uses.
#pragma once

#include <QLabel>
#include <QUrl>

#include <array>
#include <functional>

#include "app/main_window.h"

namespace korvel {

struct MainWindowProbe {
    MainWindow& window;

    WarningBar& warningBar() { return *window.warnings_; }
    AppSettings& settings() { return window.session_.settings; }
    SettingsSession& session() { return window.session_; }
    MainMenus& menus() { return *window.menus_; }
    // The layer panel, find, measuring and the recent drawings.
    ViewMenu& viewMenu() { return *window.viewMenu_; }
    DrawingInfoDialog& infoDialog() { return *window.infoDialog_; }
    OptionsDialog& optionsDialog() { return *window.optionsDialog_; }
    std::array<QLabel*, kStatusPanels>& statusPanels() { return window.panels_; }
    // What the last complete render left out or could not draw.
    NoticePanel& renderNotices() { return *window.renderNotices_; }
    int repaintRequests() const { return window.repaintRequests_; }
    const QString& tempJwzPath() const { return window.tempJwzPath_; }
    // Conversions the clipboard watcher finished (the drawing loaded and the picture placed).
    int clipboardConversions() const { return window.clipboardConversions_; }
    Temf2bmp* metafileTool() const { return window.metafileTool_; }  // null until first opened
    // How the help command hands the manual to a browser; false when nothing opened it.
    void setUrlOpener(std::function<bool(const QUrl&)> opener) { window.openUrl_ = std::move(opener); }
};

inline MainWindowProbe probe(MainWindow& window) { return MainWindowProbe{window}; }

}  // namespace korvel
