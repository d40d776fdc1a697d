// libdeflate is three times as fast as zlib at the same level, and a little smaller, but writes
// whole streams only: every part but the picture's last has its final block's bit cleared and an
// empty stored block appended (what zlib's sync flush writes), and the parts join into one zlib
// stream. The pixels are those libpng would write; only the deflate blocks differ.
#include "output/png_parts.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

#include "drawing/colour.h"
#include "output/deflate_join.h"

namespace korvel {

namespace {

// Smaller parts lose more to their windows starting empty than the cores gain.
constexpr size_t kMinPartBytes = size_t(1) << 20;
// zlib combines checksums and lengths in 32 bits on some systems: parts stay well under 4 GB.
constexpr size_t kMaxPartBytes = size_t(1) << 30;
constexpr size_t kIdatBytes = size_t(1) << 20;
constexpr int kColorTypeRgb = 2;

// A byte buffer left uninitialised: the scanlines and the deflated bytes are written once, and
// zeroing them first would touch every page of a large picture twice.
struct Bytes {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
    bool allocate(size_t n) {
        data.reset(new (std::nothrow) uint8_t[n]);
        size = data ? n : 0;
        return data != nullptr;
    }
};

size_t scanlineBytes(int width) { return size_t(width) * 3 + 1; }

// The rows as PNG holds them unfiltered: a 0 filter byte, then R G B.
bool scanlines(const ImageView& rows, Bytes& raw) {
    if (!raw.allocate(scanlineBytes(rows.width) * size_t(rows.height))) return false;
    uint8_t* o = raw.data.get();
    for (int y = 0; y < rows.height; ++y) {
        *o++ = 0;
        const uint8_t* in = rows.row(y);
        if (rows.layout == PixelLayout::Bgrx32) {
            for (int x = 0; x < rows.width; ++x, in += 4, o += 3) {
                o[0] = in[2];
                o[1] = in[1];
                o[2] = in[0];
            }
        } else {
            std::memcpy(o, in, size_t(rows.width) * 3);
            o += size_t(rows.width) * 3;
        }
    }
    return true;
}

ImageView rowsOf(const ImageView& image, int from, int to) {
    ImageView rows = image;
    rows.data = image.row(from);
    rows.height = to - from;
    return rows;
}

int levelOf(const PngOptions& options) {
    return options.compression < 0 || options.compression > 9 ? 6 : options.compression;
}

int coreCount() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }

// Rows [top, bottom) of the picture: their scanlines, copied when the part was made or read from
// `rows` when it is run, then deflated.
struct Part {
    int top = 0;
    int bottom = 0;
    ImageView rows;
    Bytes raw;
    Bytes deflated;
    size_t size = 0;  // of the deflated bytes
    size_t rawSize = 0;
    uint32_t adler = 1;
    bool dropped = false;  // its rows were handed over again
    bool started = false;
    bool done = false;
    bool ok = false;
};

void deflatePart(Part& part, int level, bool last) {
    if (!part.raw.data && !scanlines(part.rows, part.raw)) return;
    part.rawSize = part.raw.size;
    part.adler = libdeflate_adler32(1, part.raw.data.get(), part.raw.size);
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
    if (compressor) {
        const size_t bound = libdeflate_deflate_compress_bound(compressor, part.raw.size) + 8;
        if (part.deflated.allocate(bound))
            part.size = libdeflate_deflate_compress(compressor, part.raw.data.get(), part.raw.size,
                                                    part.deflated.data.get(), bound - 8);
        libdeflate_free_compressor(compressor);
        if (part.size > 0 && !last) part.size = LeaveDeflateStreamOpen(part.deflated.data.get(), part.size, bound);
    }
    part.raw = Bytes();
    part.ok = part.size > 0;
}

void appendBig(std::vector<uint8_t>& out, uint32_t v) {
    const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    out.insert(out.end(), b, b + 4);
}

void appendChunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t size) {
    appendBig(out, static_cast<uint32_t>(size));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (size) out.insert(out.end(), data, data + size);
    appendBig(out, static_cast<uint32_t>(crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start))));
}

// The file: the parts, which cover the rows in order, as one zlib stream in IDAT chunks.
void assemble(int width, int height, const PngOptions& options, int level, const std::vector<const Part*>& parts,
              std::vector<uint8_t>& out) {
    uLong adler = 1;
    size_t compressed = 0;
    for (const Part* part : parts) {
        adler = adler32_combine(adler, part->adler, static_cast<z_off_t>(part->rawSize));
        compressed += part->size;
    }
    // The zlib header: deflate with a 32 KB window, the level's class in FLEVEL, FCHECK making
    // the pair a multiple of 31.
    const int flevel = level <= 1 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    std::vector<uint8_t> stream;
    stream.reserve(compressed + 6);
    const unsigned cmf = 0x78, flg0 = unsigned(flevel) << 6;
    stream.push_back(uint8_t(cmf));
    stream.push_back(uint8_t(flg0 + (31 - (cmf * 256 + flg0) % 31) % 31));
    for (const Part* part : parts)
        stream.insert(stream.end(), part->deflated.data.get(), part->deflated.data.get() + part->size);
    appendBig(stream, static_cast<uint32_t>(adler));

    out.reserve(out.size() + stream.size() + stream.size() / kIdatBytes * 12 + 128);
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out.insert(out.end(), signature, signature + 8);
    std::vector<uint8_t> header;
    appendBig(header, static_cast<uint32_t>(width));
    appendBig(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, kColorTypeRgb, 0, 0, 0});
    appendChunk(out, "IHDR", header.data(), header.size());
    if (options.transparent) {
        // 16-bit samples, of which 8-bit pictures use the low byte.
        const uint32_t c = options.transparentColor;
        const uint8_t trns[6] = {0, RedOf(c), 0, GreenOf(c), 0, BlueOf(c)};
        appendChunk(out, "tRNS", trns, sizeof trns);
    }
    for (size_t at = 0; at < stream.size(); at += kIdatBytes)
        appendChunk(out, "IDAT", stream.data() + at, std::min(kIdatBytes, stream.size() - at));
    appendChunk(out, "IEND", nullptr, 0);
}

}  // namespace

bool PngInParts(const PngOptions& options) { return !options.interlaced && options.compression != 9; }

// The parts of one picture and the threads that deflate them. Parts handed over are deflated by
// helper threads as they come; what is left when the file is written is shared between the
// helpers and the writing thread.
struct PngRowsAhead::State {
    int width = 0;
    int height = 0;
    PngOptions options;
    int level = 6;
    int threads = 1;
    bool usable = false;

    std::mutex mutex;
    std::condition_variable wake;      // helpers: a part to deflate, or stop
    std::condition_variable finished;  // the writer: a part deflated
    std::vector<std::unique_ptr<Part>> parts;
    std::vector<std::thread> helpers;
    bool stopping = false;

    ~State() { stop(); }

    // Rows [top, top + rows.height) as parts: one per core for big rows, each at most 1 GB.
    std::vector<std::unique_ptr<Part>> split(int top, const ImageView& rows, bool copy) const {
        const size_t bytes = scanlineBytes(width) * size_t(rows.height);
        size_t n = std::min<size_t>(size_t(threads), bytes / kMinPartBytes);
        n = std::min<size_t>(std::max<size_t>({1, n, (bytes + kMaxPartBytes - 1) / kMaxPartBytes}), size_t(rows.height));
        std::vector<std::unique_ptr<Part>> made;
        for (size_t k = 0; k < n; ++k) {
            const int from = int(int64_t(rows.height) * int64_t(k) / int64_t(n));
            const int to = int(int64_t(rows.height) * int64_t(k + 1) / int64_t(n));
            auto part = std::make_unique<Part>();
            part->top = top + from;
            part->bottom = top + to;
            part->rows = rowsOf(rows, from, to);
            if (copy && !scanlines(part->rows, part->raw)) part->started = part->done = true;  // not ok
            made.push_back(std::move(part));
        }
        return made;
    }

    void add(std::vector<std::unique_ptr<Part>> made) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            const int top = made.front()->top, bottom = made.back()->bottom;
            for (const auto& p : parts)
                if (p->top < bottom && p->bottom > top) p->dropped = true;
            for (auto& p : made) parts.push_back(std::move(p));
        }
        wake.notify_all();
    }

    Part* pending() {
        for (const auto& p : parts)
            if (!p->dropped && !p->started) return p.get();
        return nullptr;
    }

    // Deflates one part no thread has started; false when there is none.
    bool runOne() {
        Part* part;
        {
            std::lock_guard<std::mutex> lock(mutex);
            part = pending();
            if (!part) return false;
            part->started = true;
        }
        deflatePart(*part, level, part->bottom == height);
        {
            std::lock_guard<std::mutex> lock(mutex);
            part->done = true;
        }
        finished.notify_all();
        return true;
    }

    void helper() {
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [&] { return stopping || pending(); });
                if (stopping) return;
            }
            runOne();
        }
    }

    // Up to `count` helpers; fewer when the system has no more threads to give.
    void startHelpers(int count) {
        try {
            while (int(helpers.size()) < count) helpers.emplace_back([this] { helper(); });
        } catch (...) {
        }
    }

    void stop() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        for (std::thread& t : helpers) t.join();
        helpers.clear();
    }

    bool write(const ImageView& image, std::vector<uint8_t>& out) {
        if (!usable || image.empty() || image.width != width || image.height != height) return false;
        std::vector<std::pair<int, int>> gaps;
        {
            std::lock_guard<std::mutex> lock(mutex);
            std::vector<const Part*> live;
            for (const auto& p : parts)
                if (!p->dropped) live.push_back(p.get());
            std::sort(live.begin(), live.end(), [](const Part* a, const Part* b) { return a->top < b->top; });
            int row = 0;
            for (const Part* p : live) {
                if (p->top > row) gaps.emplace_back(row, p->top);
                row = std::max(row, p->bottom);
            }
            if (row < height) gaps.emplace_back(row, height);
        }
        size_t added = 0;
        for (const auto& gap : gaps) {
            std::vector<std::unique_ptr<Part>> made = split(gap.first, rowsOf(image, gap.first, gap.second), false);
            added += made.size();
            add(std::move(made));
        }
        if (added > 1) startHelpers(std::min(threads, int(added)) - 1);
        while (runOne()) {
        }
        std::vector<const Part*> live;
        {
            std::unique_lock<std::mutex> lock(mutex);
            finished.wait(lock, [&] {
                for (const auto& p : parts)
                    if (!p->dropped && !p->done) return false;
                return true;
            });
            for (const auto& p : parts)
                if (!p->dropped) live.push_back(p.get());
        }
        stop();
        std::sort(live.begin(), live.end(), [](const Part* a, const Part* b) { return a->top < b->top; });
        int row = 0;
        for (const Part* p : live) {
            if (!p->ok || p->top != row) return false;
            row = p->bottom;
        }
        if (row != height) return false;
        assemble(width, height, options, level, live, out);
        return true;
    }
};

PngRowsAhead::PngRowsAhead(int width, int height, const PngOptions& options) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.width = width;
    s.height = height;
    s.options = options;
    s.level = levelOf(options);
    s.threads = coreCount();
    s.usable = PngInParts(options) && width > 0 && height > 0 && scanlineBytes(width) <= kMaxPartBytes;
}

PngRowsAhead::~PngRowsAhead() = default;

void PngRowsAhead::take(int top, int bottom, const ImageView& source) {
    State& s = *state_;
    if (!s.usable || source.empty() || source.width != s.width || top < 0 || bottom <= top ||
        bottom > std::min(s.height, source.height))
        return;
    std::vector<std::unique_ptr<Part>> made = s.split(top, rowsOf(source, top, bottom), true);
    s.startHelpers(s.threads - 1);
    s.add(std::move(made));
}

bool PngRowsAhead::write(const ImageView& image, std::vector<uint8_t>& out) {
    const size_t start = out.size();
    if (state_->write(image, out)) return true;
    out.resize(start);
    return false;
}

bool WritePngInParts(const ImageView& image, const PngOptions& options, std::vector<uint8_t>& out) {
    PngRowsAhead parts(image.width, image.height, options);
    return parts.write(image, out);
}

}  // namespace korvel
