// The window's notice panel: what a render left out is shown under the drawing, and goes away
// with the drawing.
#include <limits>

#include "app/notice_panel.h"
#include "drawing/loaders.h"
#include "drawing_builder.h"
#include "window_fixture.h"
#include "main_window_probe.h"

namespace korvel::test {
namespace {

TEST_F(WindowTest, RenderNoticesShowWhatWasLeftOut) {
    DrawingBuilder b;
    b.line(0, 0, 100, 50);
    b.line(0, 0, std::numeric_limits<double>::infinity(), 0);
    SaveResult saved;
    const std::string path = scratchDir("window-notices") + "/inf.jww";
    writeFileBytes(path, SaveJwwBytes(b.drawing, 351, saved));

    window->show();
    NoticePanel& notices = probe(*window).renderNotices();
    EXPECT_TRUE(notices.isHidden());
    ASSERT_TRUE(window->openDrawingFile(QString::fromStdString(path)));
    window->view().renderNow();
    const std::string warning =
        "1 record(s) have coordinates that are not finite or lie beyond 1e9 mm; they are left out of the extents "
        "and not drawn";
    EXPECT_EQ(notices.notices(), std::vector<std::string>{warning});
    EXPECT_FALSE(notices.isHidden());
    EXPECT_EQ(notices.text(), QString::fromStdString("\u26A0 " + warning));
    EXPECT_EQ(notices.toolTip(), QString::fromStdString(warning));
    emit notices.clicked();  // as a click on the panel
    EXPECT_EQ(prompts.informations, QStringList{QString::fromStdString(warning)});

    window->newDrawing();
    window->view().renderNow();
    EXPECT_TRUE(notices.notices().empty());
    EXPECT_TRUE(notices.isHidden());
}

}  // namespace
}  // namespace korvel::test
