// Rendering into QImages.
#include "output/raster_render.h"

#include <QPainter>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
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

QImage NewCanvas(int width, int height, QImage::Format format) {
    constexpr size_t kHugePage = size_t(2) << 20;
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    if (width < 1 || height < 1 || depth != 32) return QImage(width, height, format);
    const size_t bytesPerLine = size_t(width) * 4;
    const size_t bytes = bytesPerLine * size_t(height);
    if (bytes < 2 * kHugePage) return QImage(width, height, format);
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* pixels = std::aligned_alloc(kHugePage, rounded);
    if (!pixels) return QImage();
    AdviseHugePages(pixels, rounded);
    QImage canvas(static_cast<uchar*>(pixels), width, height, qsizetype(bytesPerLine), format,
                  [](void* p) { std::free(p); }, pixels);
    if (canvas.isNull()) std::free(pixels);
    return canvas;
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
// Rows are taken over from a band at most this many times per band, and only with this many
// steps of the walk left: each piece walks the rest of the records again.
constexpr int kPiecesPerBand = 4;
constexpr size_t kMinStepsToShare = 4096;
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
    return NewCanvas(width, height, format);
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

// Rows [top, bottom) of `from` copied to the same rows of `to`, a picture of the same layout.
void copyRows(const QImage& from, QImage& to, int top, int bottom) {
    if (&from == &to || bottom <= top) return;
    const qsizetype line = to.bytesPerLine();
    std::memcpy(to.bits() + top * line, from.constBits() + top * line, size_t(bottom - top) * size_t(line));
}

enum class Answer { None, Waiting, Declined, Given };

// Rows of a band drawn on one canvas from one point of the walk on. A band starts as one piece;
// a thread with no band left takes the lower rows a running piece has still to draw.
struct Piece {
    int band = 0;
    int top = 0;
    int bottom = 0;  // moves up as rows are given away
    QImage* canvas = nullptr;
    WalkPoint from;  // where its walk starts, when it took rows over
    bool resumed = false;
    RenderResult result;
    std::atomic<size_t> steps{0};  // of the walk, done
    std::atomic<bool> asked{false};
    RowGiving giving;
    // Under the pieces' lock:
    bool started = false;
    bool ended = false;
    bool declined = false;  // once: it is left alone after that
    Answer answer = Answer::None;
    int offerRow = 0;  // the rows from here down are asked for, to be copied to `offerCanvas`
    QImage* offerCanvas = nullptr;
    WalkPoint givenAt;
    int givenBottom = 0;
};

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
    out.image = NewCanvas(width, height, QImage::Format_RGB32);
    if (out.image.isNull()) return out;
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

    // Without an index every band walks the same steps, so a thread whose band is done can take
    // over the lower rows of a band still being drawn from where its walk stands: threads that
    // run at different speeds (the cores of a virtual machine often do) end together.
    const bool sharing = !request.index;
    const size_t passSteps = drawing.top.sequence.size();
    const size_t walkSteps = passSteps * (options.lastDraw == 1 ? 2 : 1);
    const auto stepsBefore = [passSteps](const WalkPoint& at) { return size_t(at.pass) * passSteps + at.step; };
    const int maxPieces = std::min(bandCount * kPiecesPerBand, bandCount + std::max(0, byMemory - bandCount));

    std::deque<Piece> pieces;  // appended to under `piecesMutex`; never moved
    std::deque<QImage> takenCanvases;
    std::mutex piecesMutex;
    std::condition_variable answered;
    std::vector<int> piecesLeft(static_cast<size_t>(bandCount), 1);
    int bandsCompleted = 0;
    const auto bandEdge = [&](int b) { return int(int64_t(height) * b / bandCount); };  // its top row
    for (int b = 0; b < bandCount; ++b) {
        Piece& piece = pieces.emplace_back();
        piece.band = b;
        piece.top = bandEdge(b);
        piece.bottom = bandEdge(b + 1);
        piece.canvas = b == 0 ? &image : &canvases[size_t(b)];
    }

    std::unique_ptr<std::atomic<int>[]> done(new std::atomic<int>[static_cast<size_t>(bandCount)]);
    for (int b = 0; b < bandCount; ++b) done[b] = 0;
    std::atomic<int> next{0};
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

    // A piece's rows are final when it ends; a band's, when its last piece does. Returns, for the
    // piece that ends its band, the band's pieces; empty otherwise.
    const auto markEnded = [&](Piece& piece, bool& lastBand) {
        std::vector<Piece*> band;
        {
            std::lock_guard<std::mutex> lock(piecesMutex);
            piece.ended = true;
            if (piece.answer == Answer::Waiting) piece.answer = Answer::Declined;
            piece.asked = false;
            if (--piecesLeft[size_t(piece.band)] == 0) {
                done[piece.band] = kProgressSteps;
                lastBand = ++bandsCompleted == bandCount;
                for (Piece& other : pieces)
                    if (other.band == piece.band) band.push_back(&other);
            }
        }
        answered.notify_all();
        return band;
    };
    // The band's pieces are gathered on the canvas of the one that ended it and told at once, so
    // that what is told follows the bands whatever was taken over. The last band to end is not
    // told: its rows are in the image when the render returns.
    const auto endPiece = [&](Piece& piece) {
        bool lastBand = false;
        const std::vector<Piece*> band = markEnded(piece, lastBand);
        if (band.empty()) return;
        bool complete = true;
        for (const Piece* other : band) {
            complete = complete && other->result.completed;
            copyRows(*other->canvas, *piece.canvas, other->top, other->bottom);
        }
        if (rowsFinal && !lastBand && complete) rowsFinal(bandEdge(piece.band), bandEdge(piece.band + 1), *piece.canvas);
    };

    const auto runPiece = [&](Piece& piece, bool reporting, unsigned& calls) {
        if (cancelled.load(std::memory_order_relaxed)) {
            piece.result.completed = false;
            endPiece(piece);
            return;
        }
        RenderRequest own = request;
        const int b = piece.band;
        own.progress = [&, b, reporting](size_t d, size_t t) {
            const int now = t ? static_cast<int>(double(d) / double(t) * kProgressSteps) : kProgressSteps;
            for (int was = done[b].load(std::memory_order_relaxed);
                 was < now && !done[b].compare_exchange_weak(was, now, std::memory_order_relaxed);) {
            }
            piece.steps.store(d, std::memory_order_relaxed);
            if (reporting && (++calls & 255u) == 0) report();
            return !cancelled.load(std::memory_order_relaxed);
        };
        if (sharing) {
            piece.giving.asked = &piece.asked;
            piece.giving.give = [&](const WalkPoint& at) {
                {
                    std::lock_guard<std::mutex> lock(piecesMutex);
                    piece.asked = false;
                    const size_t left = walkSteps - std::min(walkSteps, stepsBefore(at));
                    if (piece.answer == Answer::Waiting) {
                        if (left < kMinStepsToShare || piece.offerRow <= piece.top || piece.offerRow >= piece.bottom) {
                            piece.answer = Answer::Declined;
                        } else {
                            copyRows(*piece.canvas, *piece.offerCanvas, piece.offerRow, piece.bottom);
                            piece.givenAt = at;
                            piece.givenBottom = piece.bottom;
                            piece.bottom = piece.offerRow;
                            piece.answer = Answer::Given;
                            // Counted now: this piece may end before the taker is back.
                            ++piecesLeft[size_t(piece.band)];
                        }
                    }
                }
                answered.notify_all();
                return rowsShown(image, offset, piece.top, piece.bottom);
            };
            own.giving = &piece.giving;
        }
        if (piece.resumed) own.resumeAt = &piece.from;
        try {
            piece.result = renderPart(*piece.canvas, offset, nullptr,
                                      rowsShown(image, offset, piece.top, piece.bottom), drawing, options, own);
        } catch (...) {
            // Ended, so that no thread waits for its answer; the render fails as a whole.
            bool lastBand = false;
            markEnded(piece, lastBand);
            throw;
        }
        endPiece(piece);
    };

    // Takes over the lower half of the rows the piece with the most work left still has to draw;
    // false when no piece has enough left to be worth it.
    const auto takeOver = [&](bool reporting, unsigned& calls) {
        Piece* from = nullptr;
        int row = 0, bottom = 0;
        {
            std::lock_guard<std::mutex> lock(piecesMutex);
            if (!sharing || cancelled.load() || int(pieces.size()) >= maxPieces) return false;
            double most = 0.0;
            for (Piece& p : pieces) {
                if (!p.started || p.ended || p.declined || p.answer == Answer::Waiting || p.bottom - p.top < 2 * kMinBandRows) continue;
                const size_t left = walkSteps - std::min(walkSteps, p.steps.load(std::memory_order_relaxed));
                const double work = double(left) * (p.bottom - p.top);
                if (left >= kMinStepsToShare && work > most) most = work, from = &p;
            }
            if (!from) return false;
            row = (from->top + from->bottom) / 2;
            bottom = from->bottom;
            from->answer = Answer::Waiting;  // no other thread offers meanwhile
        }
        QImage canvas = takeCanvas(width, height, image.format());
        if (!canvas.isNull() && canvas.bytesPerLine() == bytesPerLine)
            fillRows(canvas, row, bottom, filled);  // its pages, before the other thread waits on them
        Piece* taken = nullptr;
        {
            std::unique_lock<std::mutex> lock(piecesMutex);
            if (canvas.isNull() || canvas.bytesPerLine() != bytesPerLine) {
                from->answer = Answer::None;
                return false;
            }
            from->offerRow = row;
            from->offerCanvas = &canvas;
            from->asked = true;
            answered.wait(lock, [&] { return from->answer != Answer::Waiting; });
            const Answer answer = from->answer;
            from->answer = Answer::None;
            from->offerCanvas = nullptr;
            if (answer != Answer::Given) {
                from->declined = true;
                takenCanvases.push_back(std::move(canvas));
                return true;
            }
            takenCanvases.push_back(std::move(canvas));
            Piece& piece = pieces.emplace_back();
            piece.band = from->band;
            piece.top = row;
            piece.bottom = from->givenBottom;
            piece.canvas = &takenCanvases.back();
            piece.from = from->givenAt;
            piece.resumed = true;
            piece.started = true;
            piece.steps = stepsBefore(from->givenAt);
            taken = &piece;
        }
        runPiece(*taken, reporting, calls);
        return true;
    };

    const auto work = [&](bool reporting) {
        unsigned calls = 0;
        for (int b; (b = next.fetch_add(1)) < bandCount;) {
            Piece& piece = pieces[size_t(b)];
            {
                std::lock_guard<std::mutex> lock(piecesMutex);
                piece.started = true;
            }
            // Only the band's own rows are kept, so only they need the background.
            if (b > 0) fillRows(*piece.canvas, piece.top, piece.bottom, filled);
            runPiece(piece, reporting, calls);
            if (reporting) report();
        }
        while (takeOver(reporting, calls)) {
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
    // Each piece's rows over the strays of the first band's pieces.
    for (const Piece& piece : pieces)
        if (piece.canvas != &image) copyRows(*piece.canvas, image, piece.top, piece.bottom);
    for (QImage& c : takenCanvases) canvases.push_back(std::move(c));
    keepCanvases(canvases);
    report();

    // In band order, each band's pieces from the top, as a single render would meet them.
    std::vector<const Piece*> order;
    for (const Piece& piece : pieces) order.push_back(&piece);
    std::stable_sort(order.begin(), order.end(), [](const Piece* a, const Piece* b) { return a->top < b->top; });
    std::vector<RenderResult> bands;
    for (const Piece* piece : order) bands.push_back(piece->result);
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
    merged.rowsTakenOver = uint32_t(pieces.size()) - uint32_t(bandCount);
    return merged;
}

}  // namespace korvel
