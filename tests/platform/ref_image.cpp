// The reference-image harness.
#include "ref_image.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <cstdlib>

#include "platform/qt_colour.h"
#include "platform/qt_painter_target.h"
#include "render/render_driver.h"

namespace korvel::test {

namespace {
QString referencePath(const std::string& area, const std::string& name) {
    return QString::fromStdString(std::string(KORVEL_SOURCE_DIR) + "/tests/platform/references/" + area + "/" +
                                  name + ".png");
}

QString failurePath(const std::string& area, const std::string& name) {
    return QString::fromStdString(std::string(KORVEL_BINARY_DIR) + "/ref-failures/" + area + "/" +
                                  name + ".png");
}

bool updating() {
    const char* v = std::getenv("UPDATE_REFS");
    return v && std::string(v) == "1";
}

bool save(const QImage& image, const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    return image.save(path, "PNG");
}

// Expected, differences in red on grey, actual, side by side.
QImage strip(const QImage& expected, const QImage& actual, int tolerance) {
    const int w = std::max(expected.width(), actual.width());
    const int h = std::max(expected.height(), actual.height());
    QImage out(w * 3 + 8, h, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, expected);
    p.drawImage(2 * w + 8, 0, actual);
    p.end();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool inside = x < expected.width() && y < expected.height() && x < actual.width() &&
                                y < actual.height();
            bool differs = !inside;
            if (inside) {
                const QRgb a = expected.pixel(x, y), b = actual.pixel(x, y);
                differs = std::abs(qRed(a) - qRed(b)) > tolerance ||
                          std::abs(qGreen(a) - qGreen(b)) > tolerance ||
                          std::abs(qBlue(a) - qBlue(b)) > tolerance;
            }
            out.setPixel(w + 4 + x, y, differs ? qRgb(255, 0, 0) : qRgb(220, 220, 220));
        }
    }
    return out;
}
}  // namespace

QImage RenderForReference(const Drawing& drawing, int width, int height,
                          const RenderOptions& options) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QtColorOf(drawing.header.PenColor[0]));
    QPainter painter(&image);
    QtPainterTarget target(painter);
    RenderRequest request;
    request.width = width;
    request.height = height;
    request.clearBackground = false;
    RenderDrawing(target, drawing, options, request);
    return image;
}

::testing::AssertionResult MatchesReference(const QImage& actualImage, const std::string& area,
                                            const std::string& name, int tolerance,
                                            int allowedPixels) {
    const QImage actual = actualImage.convertToFormat(QImage::Format_RGB32);
    const QString path = referencePath(area, name);
    if (updating()) {
        if (!save(actual, path)) return ::testing::AssertionFailure() << "cannot write " << path.toStdString();
        return ::testing::AssertionSuccess();
    }
    const QImage expected = QImage(path).convertToFormat(QImage::Format_RGB32);
    if (expected.isNull()) {
        save(actual, failurePath(area, name));
        return ::testing::AssertionFailure()
               << "no reference " << path.toStdString() << "; run with UPDATE_REFS=1 to create it";
    }
    long differing = 0;
    if (expected.size() != actual.size()) {
        differing = -1;
    } else {
        for (int y = 0; y < actual.height(); ++y) {
            const QRgb* a = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
            const QRgb* b = reinterpret_cast<const QRgb*>(actual.constScanLine(y));
            for (int x = 0; x < actual.width(); ++x) {
                if (std::abs(qRed(a[x]) - qRed(b[x])) > tolerance ||
                    std::abs(qGreen(a[x]) - qGreen(b[x])) > tolerance ||
                    std::abs(qBlue(a[x]) - qBlue(b[x])) > tolerance) {
                    ++differing;
                }
            }
        }
        if (differing <= allowedPixels) return ::testing::AssertionSuccess();
    }
    const QString out = failurePath(area, name);
    save(strip(expected, actual, tolerance), out);
    auto failure = ::testing::AssertionFailure();
    if (differing < 0) {
        failure << "size " << actual.width() << "x" << actual.height() << " differs from reference "
                << expected.width() << "x" << expected.height();
    } else {
        failure << differing << " pixels differ from " << path.toStdString();
    }
    return failure << "; expected|diff|actual written to " << out.toStdString();
}

}  // namespace korvel::test
