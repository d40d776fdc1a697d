// Rendering into QImages.
#include "output/raster_render.h"

#include <QPainter>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "drawing/coordinate_range.h"
#include "drawing/huge_pages.h"
#include "render/picture_cache.h"

#include "platform/qt_colour.h"
#include "platform/qt_painter_target.h"

namespace korvel {

int FitHeight(const Drawing& drawing, int width) { return FitHeight(drawing.extents, width); }

int FitHeight(const Extents& e, int width) {
    const double W = e.MaxX - e.MinX, H = e.MaxY - e.MinY;
    if (!(W > 0.0) || !(H > 0.0) || !std::isfinite(W / H)) return std::clamp(width, 1, kMaxRasterSide);
    const double height = std::nearbyint(width / (W / H));
    return static_cast<int>(std::clamp(height, 1.0, double(kMaxRasterSide)));
}

RasterRenderResult RenderToImage(const Drawing& drawing, const RenderOptions& options, int width,
                                 const RenderProgress& progress) {
    return RenderToImage(drawing, options, width, FitHeight(PictureFrame(drawing, options), width), 0.0, progress);
}

RasterRenderResult RenderToImage(const Drawing& drawing, const RenderOptions& options, int width,
                                 int height, double scale, const RenderProgress& progress) {
    return RenderToImage(drawing, options, width, height, scale, progress, RasterRenderSettings{});
}

int RasterThreads(int threads) {
    if (threads > 0) return threads;
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

namespace {

// Bands thinner than this cost more in walking the records than they share out.
constexpr int kMinBandRows = 32;
// Records reaching across a band's edge are drawn for each band they reach, so there are few
// bands: one per thread.
constexpr int kBandsPerThread = 1;
constexpr int kProgressSteps = 1024;
// What the bands' own pictures may take together.
constexpr int64_t kBandCopyBytes = int64_t(256) << 20;

// Threads that draw bands, kept for the life of the process: what a thread keeps between
// renders (glyph images, line stamps, fonts) would die with a thread made for one render, and
// the window renders again at every zoom and pan. A task handed out is either run by one of
// them or, when the caller has drawn every band itself before any was free, taken back.
class BandWorkers {
public:
    struct Task {
        std::function<void()> run;
        std::atomic<int> state{kQueued};
        std::mutex mutex;
        std::condition_variable finished;
    };
    static constexpr int kQueued = 0, kRunning = 1, kDone = 2, kTakenBack = 3;

    static BandWorkers& instance() {
        static BandWorkers* workers = new BandWorkers;  // never destroyed: its threads never end
        return *workers;
    }

    // Queues `task`, with up to `threadsWanted` threads to take it. A thread the system will
    // not give is done without: the caller draws what no thread takes and takes the task back.
    void hand(const std::shared_ptr<Task>& task, int threadsWanted) {
        std::lock_guard<std::mutex> lock(mutex_);
        while (threads_ < threadsWanted) {
            try {
                std::thread([this] { loop(); }).detach();
            } catch (const std::system_error&) {
                break;
            }
            ++threads_;
        }
        queue_.push_back(task);
        ready_.notify_one();
    }

    // True when `task` was taken back now: no thread had started it, and none ever will.
    static bool takeBack(Task& task) {
        int queued = kQueued;
        return task.state.compare_exchange_strong(queued, kTakenBack);
    }

    // Waits for `task` to end unless it was never started.
    static void settle(Task& task) {
        if (takeBack(task) || task.state.load() == kTakenBack) return;
        std::unique_lock<std::mutex> lock(task.mutex);
        task.finished.wait(lock, [&] { return task.state.load() == kDone; });
    }

private:
    void loop() {
        for (;;) {
            std::shared_ptr<Task> task;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_.wait(lock, [this] { return !queue_.empty(); });
                task = std::move(queue_.front());
                queue_.pop_front();
            }
            int queued = kQueued;
            if (!task->state.compare_exchange_strong(queued, kRunning)) continue;  // taken back
            task->run();
            std::lock_guard<std::mutex> lock(task->mutex);
            task->state = kDone;
            task->finished.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::shared_ptr<Task>> queue_;
    int threads_ = 0;
};

// The bands' own pictures, kept by the thread that renders for its next render of the same
// size: the window redraws its view again and again, and a fresh picture costs its pages anew.
constexpr int64_t kSpareCanvasBytes = int64_t(64) << 20;

std::vector<QImage>& spareCanvases() {
    static thread_local std::vector<QImage> spares;
    return spares;
}

QImage takeCanvas(int width, int height, QImage::Format format) {
    std::vector<QImage>& spares = spareCanvases();
    for (auto it = spares.begin(); it != spares.end(); ++it) {
        if (it->width() == width && it->height() == height && it->format() == format) {
            QImage canvas = std::move(*it);
            spares.erase(it);
            return canvas;
        }
    }
    spares.clear();  // another size: those kept would not be asked for again soon
    QImage canvas(width, height, format);
    if (!canvas.isNull()) AdviseHugePages(canvas.constBits(), size_t(canvas.sizeInBytes()));
    return canvas;
}

void keepCanvases(std::vector<QImage>& canvases) {
    std::vector<QImage>& spares = spareCanvases();
    int64_t held = 0;
    for (const QImage& c : spares) held += c.sizeInBytes();
    for (QImage& c : canvases) {
        if (c.isNull() || held + c.sizeInBytes() > kSpareCanvasBytes) continue;
        held += c.sizeInBytes();
        spares.push_back(std::move(c));
    }
    canvases.clear();
}

// Rows [top, bottom) of `canvas` as QImage::fill(filled) leaves them.
void fillRows(QImage& canvas, int top, int bottom, QRgb filled) {
    if (canvas.depth() != 32) {
        canvas.fill(filled);
        return;
    }
    QImage one(1, 1, canvas.format());
    one.fill(filled);
    const uint32_t pixel = *reinterpret_cast<const uint32_t*>(one.constBits());
    for (int y = top; y < bottom; ++y) std::fill_n(reinterpret_cast<uint32_t*>(canvas.scanLine(y)), canvas.width(), pixel);
}

// Draws the records that reach `shown` (the canvas's part, in the render's own units) on
// `canvas`, moved by `offset`. A band draws as the whole picture is drawn, on a device of the
// same size and with no clip, because Qt cuts a line short at the edge of its device or clip
// before stepping along it, and the cut moves the line's pixels all along it. (A clip region
// would keep the cuts but makes Qt test every span against the region, which costs more than
// the bands gain.) A band's records may draw past its rows; only its rows are kept.
RenderResult renderPart(QImage& canvas, QPoint offset, const QRegion* clip, const DeviceRect& shown,
                        const Drawing& drawing, const RenderOptions& options, RenderRequest request) {
    QPainter painter(&canvas);
    if (clip) painter.setClipRegion(*clip);
    if (!offset.isNull()) painter.translate(offset);
    QtPainterTarget target(painter);
    request.shown = shown;
    return RenderDrawing(target, drawing, options, request);
}

// The part of the render's area that device rows [top, bottom) of a canvas moved by `offset` show.
DeviceRect rowsShown(const QImage& canvas, QPoint offset, int top, int bottom) {
    return {-offset.x(), top - offset.y(), canvas.width() - offset.x(), bottom - offset.y()};
}

// The warnings of all bands, each once, in band order; the closing ones (out-of-range records)
// last, where a single render puts them.
std::vector<std::string> mergedWarnings(const Drawing& drawing, const std::vector<RenderResult>& bands) {
    std::vector<std::string> out;
    bool any = false;
    for (const RenderResult& r : bands) any = any || !r.warnings.empty();
    if (!any) return out;
    const std::string closing = OutOfRangeWarning(CountOutOfRangeRecords(drawing));
    bool closingSeen = false;
    for (const RenderResult& r : bands) {
        for (const std::string& w : r.warnings) {
            if (!closing.empty() && w == closing) closingSeen = true;
            else if (std::find(out.begin(), out.end(), w) == out.end()) out.push_back(w);
        }
    }
    if (closingSeen) out.push_back(closing);
    return out;
}

}  // namespace

RasterRenderResult RenderToImage(const Drawing& drawing, const RenderOptions& options, int width,
                                 int height, double scale, const RenderProgress& progress,
                                 const RasterRenderSettings& settings) {
    RasterRenderResult out;
    if (width < 1 || height < 1 || width > kMaxRasterSide || height > kMaxRasterSide) return out;
    out.image = QImage(width, height, QImage::Format_RGB32);
    if (out.image.isNull()) return out;
    AdviseHugePages(out.image.constBits(), size_t(out.image.sizeInBytes()));
    const QColor background = QtColorOf(BackgroundColor(drawing, options));
    out.image.fill(background);

    RenderRequest request;
    request.width = width;
    request.height = height;
    request.clearBackground = false;  // already filled, edge to edge
    request.scale = scale;
    request.pictures = settings.pictures;
    request.index = settings.index;
    request.limits = settings.limits;
    request.progress = progress;
    out.render = RenderIntoImage(out.image, QPoint(0, 0), QRegion(out.image.rect()), background.rgb(), drawing,
                                 options, request, settings.threads, settings.rowsFinal);
    return out;
}

RenderResult RenderIntoImage(QImage& image, QPoint offset, const QRegion& todo, QRgb filled, const Drawing& drawing,
                             const RenderOptions& options, const RenderRequest& asked, int threadsAsked,
                             const std::function<void(int, int, const QImage&)>& rowsFinal) {
    const int width = image.width(), height = image.height();
    if (image.isNull() || todo.isEmpty()) return RenderResult{};
    RenderRequest request = asked;
    const RenderProgress progress = asked.progress;
    request.progress = {};
    const bool whole = todo.rectCount() == 1 && todo.boundingRect() == image.rect();
    if (!whole) {
        // A part (the strips a pan uncovered): small, drawn at once behind its clip.
        const QRect part = todo.boundingRect();
        request.progress = progress;
        const DeviceRect shown{part.left() - offset.x(), part.top() - offset.y(), part.right() + 1 - offset.x(),
                               part.bottom() + 1 - offset.y()};
        return renderPart(image, offset, &todo, shown, drawing, options, request);
    }
    uchar* const pixels = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();
    // A render of a whole picture of its own size shows all of it: its records need no choosing.
    const bool ownArea = offset.isNull() && width == request.width && height == request.height;
    const DeviceRect all = ownArea ? DeviceRect{} : rowsShown(image, offset, 0, height);

    const int threads = RasterThreads(threadsAsked);
    // Every band but the first draws on a whole picture of its own, so big pictures get fewer.
    const int64_t pictureBytes = int64_t(bytesPerLine) * height;
    const int byMemory = int(1 + std::min<int64_t>(1024, kBandCopyBytes / std::max<int64_t>(1, pictureBytes)));
    int bandCount = std::min({threads * kBandsPerThread, height / kMinBandRows, byMemory});
    std::vector<QImage> canvases(static_cast<size_t>(std::max(bandCount, 1)));
    if (threads == 1 || width < 2) bandCount = 1;
    for (int b = 1; b < bandCount; ++b) {
        canvases[size_t(b)] = takeCanvas(width, height, image.format());
        if (canvases[size_t(b)].isNull() || canvases[size_t(b)].bytesPerLine() != bytesPerLine) {
            bandCount = b;  // out of memory: fewer bands
            break;
        }
    }
    if (bandCount < 2) {
        keepCanvases(canvases);
        request.progress = progress;
        return renderPart(image, offset, nullptr, all, drawing, options, request);
    }

    // What the bands share: the caller's index, when it keeps one (without it each band walks
    // every record and passes over the lines outside it, which costs less than making an index
    // for one picture), and the decoded pictures (the cache is safe to share).
    std::unique_ptr<PictureCache> ownPictures;
    if (!request.pictures) {
        ownPictures = std::make_unique<PictureCache>();
        request.pictures = ownPictures.get();
    }

    std::vector<RenderResult> bands(static_cast<size_t>(bandCount));
    std::unique_ptr<std::atomic<int>[]> done(new std::atomic<int>[static_cast<size_t>(bandCount)]);
    for (int b = 0; b < bandCount; ++b) done[b] = 0;
    std::atomic<int> next{0};
    std::atomic<int> bandsEnded{0};
    std::atomic<bool> cancelled{false};
    std::mutex finishedMutex;
    std::condition_variable finishedSignal;
    int finishedWorkers = 0;
    std::exception_ptr failure;

    // The caller's progress is told from the calling thread only, as the sum of the bands' shares.
    const size_t total = std::max<size_t>(1, drawing.top.sequence.size());
    const auto report = [&] {
        if (!progress || cancelled.load(std::memory_order_relaxed)) return;
        long sum = 0;
        for (int b = 0; b < bandCount; ++b) sum += done[b].load(std::memory_order_relaxed);
        const size_t part = static_cast<size_t>(double(sum) / (double(bandCount) * kProgressSteps) * double(total));
        if (!progress(std::min(part, total), total)) cancelled = true;
    };
    const auto work = [&](bool reporting) {
        unsigned calls = 0;
        for (int b; (b = next.fetch_add(1)) < bandCount;) {
            if (cancelled.load(std::memory_order_relaxed)) {
                bands[size_t(b)].completed = false;
                continue;
            }
            RenderRequest own = request;
            own.progress = [&, b, reporting](size_t d, size_t t) {
                done[b].store(t ? static_cast<int>(double(d) / double(t) * kProgressSteps) : kProgressSteps,
                              std::memory_order_relaxed);
                if (reporting && (++calls & 255u) == 0) report();
                return !cancelled.load(std::memory_order_relaxed);
            };
            const int top = int(int64_t(height) * b / bandCount), bottom = int(int64_t(height) * (b + 1) / bandCount);
            // The first band draws on the picture itself: the others' rows are copied over its
            // strays afterwards.
            QImage& canvas = b == 0 ? image : canvases[size_t(b)];
            // Only the band's own rows are kept, so only they need the background.
            if (b > 0) fillRows(canvas, top, bottom, filled);
            bands[size_t(b)] = renderPart(canvas, offset, nullptr, rowsShown(image, offset, top, bottom), drawing,
                                          options, own);
            // The first band's strays may still fall on the others' rows of the image, never on
            // its own; the others' rows are final in their own pictures. The last band to end is
            // not told: its rows are in the image when the render returns.
            const bool lastToEnd = bandsEnded.fetch_add(1) + 1 == bandCount;
            if (rowsFinal && !lastToEnd && bands[size_t(b)].completed) rowsFinal(top, bottom, canvas);
            done[b] = kProgressSteps;
            if (reporting) report();
        }
    };
    std::vector<std::shared_ptr<BandWorkers::Task>> workers;
    const int helpers = std::min(threads, bandCount) - 1;  // the caller draws bands too
    for (int t = 0; t < helpers; ++t) {
        auto task = std::make_shared<BandWorkers::Task>();
        task->run = [&] {
            try {
                work(false);
            } catch (...) {
                std::lock_guard<std::mutex> lock(finishedMutex);
                if (!failure) failure = std::current_exception();
                cancelled = true;
            }
            std::lock_guard<std::mutex> lock(finishedMutex);
            ++finishedWorkers;
            finishedSignal.notify_all();
        };
        workers.push_back(task);
        BandWorkers::instance().hand(task, helpers);
    }
    const auto settleAll = [&] {
        // Tasks no thread has started are taken back: every band is drawn by then.
        for (const auto& task : workers) {
            if (!BandWorkers::takeBack(*task)) continue;
            std::lock_guard<std::mutex> lock(finishedMutex);
            ++finishedWorkers;
        }
    };
    try {
        work(true);
    } catch (...) {
        cancelled = true;
        settleAll();
        for (const auto& task : workers) BandWorkers::settle(*task);
        throw;
    }
    settleAll();
    {
        std::unique_lock<std::mutex> lock(finishedMutex);
        while (finishedWorkers < int(workers.size())) {
            if (finishedSignal.wait_for(lock, std::chrono::milliseconds(25)) == std::cv_status::timeout) {
                lock.unlock();
                report();
                lock.lock();
            }
        }
    }
    // The tasks' last act (their notice) is done under the lock; let them return before the
    // state they point into goes.
    for (const auto& task : workers) BandWorkers::settle(*task);
    if (failure) std::rethrow_exception(failure);
    for (int b = 1; b < bandCount; ++b) {
        const int top = int(int64_t(height) * b / bandCount), bottom = int(int64_t(height) * (b + 1) / bandCount);
        const uchar* from = canvases[size_t(b)].constBits();
        std::memcpy(pixels + top * bytesPerLine, from + top * bytesPerLine, size_t((bottom - top) * bytesPerLine));
    }
    keepCanvases(canvases);
    report();

    RenderResult merged;
    bool cut = false;
    for (const RenderResult& r : bands) {
        if (merged.scale == 0.0) merged.scale = r.scale;
        merged.completed = merged.completed && r.completed;
        cut = cut || r.cutShort;
        merged.recordsDrawn += r.recordsDrawn;
        merged.piecesDrawn += r.piecesDrawn;
        merged.picturePixelsDecoded += r.picturePixelsDecoded;
    }
    // The limits bound the whole picture. No band can have drawn more than the picture drawn
    // at once, and the bands together drew at least as much; so when no band was cut and their
    // sum is within the limits, the picture at once would not have been cut either, and the
    // bands drew exactly its pixels. Otherwise it is drawn again at once, to stop where a
    // single render stops and say so once.
    const RenderLimits limits = LimitsFor(request.limits, drawing);
    const bool overLimits = cut || merged.recordsDrawn > limits.maxRecords || merged.piecesDrawn > limits.maxPieces ||
                            merged.picturePixelsDecoded > limits.maxPicturePixels;
    if (overLimits && merged.completed) {
        image.fill(filled);
        // Pictures the bands decoded would cost the single render nothing and change where
        // it stops; it starts from an empty cache, as a render of its own would.
        if (ownPictures) {
            ownPictures = std::make_unique<PictureCache>();
            request.pictures = ownPictures.get();
        }
        request.progress = progress;
        const RenderResult once = renderPart(image, offset, nullptr, all, drawing, options, request);
        if (rowsFinal && once.completed) rowsFinal(0, height, image);
        return once;
    }
    merged.cutShort = cut;
    merged.warnings = mergedWarnings(drawing, bands);
    return merged;
}

}  // namespace korvel
