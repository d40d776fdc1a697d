// The main window's command that opens the clipboard-metafile tool.
#include <QApplication>
#include <QClipboard>

#include "app/main_window.h"
#include "app/metafile_tool.h"
#include "platform/clipboard_formats.h"
#include "platform/registry_source.h"

namespace korvel {

void MainWindow::CBemf2BmpClick() {
    if (!HasEnhancedMetafile(QApplication::clipboard()->mimeData())) return;
    if (!metafileTool_) {
        metafileTool_ = new Temf2bmp(prompts_, this);
        metafileTool_->setOutputFolder(MetafileToolStartFolder(drawing_.DrawingFolder, DefaultWinePrefix()));
    }
    metafileTool_->openBeside(this);
}

}  // namespace korvel
