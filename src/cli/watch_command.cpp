// korvel watch: the clipboard watcher without a window. Each copy made in Jw_win becomes a
// bitmap and an enhanced metafile on the clipboard, ready to paste anywhere. An X11 clipboard
// holds only what a running program offers, so with --count the watcher stays until another
// program has taken the clipboard from its last picture.
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/clip_watcher.h"
#include "app/jwwin_clipboard.h"
#include "app/settings_session.h"
#include "cli/command.h"
#include "platform/display_check.h"
#include "platform/headless_app.h"

namespace korvel::cli {

namespace {

constexpr const char* kName = "watch";

std::atomic<int> stopSignal{0};

void onStopSignal(int signal) { stopSignal = signal; }

// One change of the clipboard: the steps the window takes, without the window.
class Converter {
public:
    Converter(SettingsSession& session, long limit) : session_(session), limit_(limit) {
        session_.prepareDrawing(drawing_);
        tempJwzPath_ = PrepareTempJwzPath();
    }

    void clipboardChanged() {
        if (done()) {
            // Our own picture's notice changes nothing; another program's copy ends the offer.
            if (!QGuiApplication::clipboard()->ownsClipboard()) {
                PrintError("another program took the clipboard; the last picture is no longer offered");
                QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            }
            return;
        }
        QElapsedTimer timer;
        timer.start();
        const ClipboardLoad load = LoadJwWinFromClipboard(drawing_, tempJwzPath_, session_.registry(), session_.jwcadText);
        if (load.outcome == ClipboardLoad::Outcome::NoData) return;
        if (load.outcome != ClipboardLoad::Outcome::Loaded) return PrintError(load.error);
        for (const std::string& w : load.warnings) PrintError("warning: " + w);
        std::vector<std::string> problems;
        ExportOptions options = session_.exportOptions(drawing_, &problems);
        for (const std::string& p : problems) PrintError("warning: " + p);
        options.clearBackground = true;
        bool superseded = false;
        const ClipboardPictureResult picture = PlaceClipboardPicture(drawing_, options, load.owner, superseded);
        if (superseded) return PrintError("a newer copy arrived while converting; converting that one instead");
        if (!picture.ok) return PrintError("clipboard picture: " + picture.error);
        ++conversions_;
        PrintError("converted Jw_win data of " + std::to_string(drawing_.ExpectedCount) + " records in " +
            std::to_string(timer.elapsed()) + " ms: bitmap " + std::to_string(picture.width) + " x " +
            std::to_string(picture.height) + ", enhanced metafile of " + std::to_string(picture.metafileBytes) +
            " bytes");
        if (done())
            PrintError("that was conversion " + std::to_string(limit_) + " of " + std::to_string(limit_) +
                       "; its picture stays on offer until another program takes the clipboard");
    }

    long conversions() const { return conversions_; }
    bool done() const { return limit_ > 0 && conversions_ >= limit_; }

private:
    SettingsSession& session_;
    long limit_;
    Drawing drawing_;
    QString tempJwzPath_;
    long conversions_ = 0;
};

int run(const std::vector<std::string>& args) {
    CommandLine line;
    if (!ParseArguments(kName, kWatchCommand, args, line)) return kExitUsage;
    if (!line.files.empty()) {
        PrintError(std::string(kName) + ": takes no files");
        return kExitUsage;
    }
    const long limit = line.number.count("--count") ? line.number.at("--count") : 0;
    const SettingsOptions& settingsOptions = line.settings;
    if (!NamedSettingsFilesExist(kName, settingsOptions)) return kExitUsage;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    std::string why;
    if (!DisplayAvailable(why)) {
        PrintError(std::string(kName) + ": no X display (" + why + "); Jw_win under Wine copies to the X11 clipboard");
        return kExitFailed;
    }

    SettingsSession session = SettingsSession::start(settingsOptions);
    for (const std::string& w : session.warnings) PrintError(w);
    EnsureHeadlessGuiApplication();  // on the X11 platform chosen above
    Converter converter(session, limit);
    ClipWatcher watcher(nullptr);
    watcher.setOnClipChange([&converter](QObject*) { converter.clipboardChanged(); });

    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, [] {
        if (stopSignal) QCoreApplication::quit();
    });
    stopCheck.start(50);

    PrintError("watching the clipboard on display " + qEnvironmentVariable("DISPLAY").toStdString() +
        "; copy in Jw_win, paste a picture anywhere. Ctrl-C stops.");
    QCoreApplication::exec();
    PrintError("stopped after " + std::to_string(converter.conversions()) + " conversion(s)");
    return kExitOk;
}

const CommandRegistrar registrar(
    kName, "watch [settings options] [--count N]",
    "Watches the X11 clipboard: each copy made in Jw_win (under Wine) becomes a bitmap and an enhanced\n"
    "metafile on the clipboard, ready to paste anywhere. Stops on Ctrl-C, or with --count N once another\n"
    "program has taken the clipboard after the Nth picture; what it offers leaves the clipboard when it\n"
    "stops, unless a clipboard manager keeps it.",
    kWatchCommand, run);

}  // namespace
}  // namespace korvel::cli
