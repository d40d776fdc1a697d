// The recent-files list: its entries in the settings file and the order they move in.
#include "app/recent_files.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/ini_file.h"

namespace korvel {

namespace {

std::string key(const char* family, size_t n) { return family + std::to_string(n); }

std::string viewText(const RecentView& v) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%.17g,%.17g,%.17g", v.zoom, v.centreX, v.centreY);
    return buffer;
}

// "zoom,x,y" with a positive zoom and finite numbers; anything else is no view.
std::optional<RecentView> parseView(const std::string& text) {
    RecentView v;
    double* fields[3] = {&v.zoom, &v.centreX, &v.centreY};
    const char* p = text.c_str();
    for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        *fields[i] = std::strtod(p, &end);
        if (end == p || !std::isfinite(*fields[i])) return std::nullopt;
        p = end;
        if (i < 2) {
            if (*p != ',') return std::nullopt;
            ++p;
        }
    }
    while (*p == ' ') ++p;
    if (*p != '\0' || !(v.zoom > 0.0)) return std::nullopt;
    return v;
}

bool storable(const std::string& path) {
    if (path.empty()) return false;
    for (char c : path)
        if (c == '\n' || c == '\r' || c == '\0') return false;
    return true;
}

}  // namespace

std::string RecentFiles::Normalized(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    if (ec) p = path;
    return p.lexically_normal().string();
}

std::vector<RecentFile>::iterator RecentFiles::find(const std::string& normalized) {
    for (auto it = files_.begin(); it != files_.end(); ++it)
        if (it->path == normalized) return it;
    return files_.end();
}

void RecentFiles::read(const IniFile& ini) {
    files_.clear();
    for (size_t n = 1; n <= kLimit; ++n) {
        const std::string path = ini.readString(kSection, key("File", n), std::string());
        if (!storable(path)) continue;
        const std::string normalized = Normalized(path);
        if (find(normalized) != files_.end()) continue;
        files_.push_back({normalized, parseView(ini.readString(kSection, key("View", n), std::string()))});
    }
}

void RecentFiles::write(IniFile& ini) const {
    for (size_t n = 1; n <= kLimit; ++n) {
        const RecentFile* f = n <= files_.size() ? &files_[n - 1] : nullptr;
        ini.set(kSection, key("File", n), f ? f->path : std::string());
        ini.set(kSection, key("View", n), f && f->view ? viewText(*f->view) : std::string());
    }
}

void RecentFiles::opened(const std::string& path) {
    if (!storable(path)) return;
    const std::string normalized = Normalized(path);
    RecentFile entry{normalized, std::nullopt};
    const auto it = find(normalized);
    if (it != files_.end()) {
        entry = *it;
        files_.erase(it);
    }
    files_.insert(files_.begin(), entry);
    if (files_.size() > kLimit) files_.resize(kLimit);
}

bool RecentFiles::rememberView(const std::string& path, const RecentView& view) {
    const auto it = find(Normalized(path));
    if (it == files_.end() || !(view.zoom > 0.0) || !std::isfinite(view.zoom) || !std::isfinite(view.centreX) ||
        !std::isfinite(view.centreY))
        return false;
    it->view = view;
    return true;
}

void RecentFiles::remove(const std::string& path) {
    const auto it = find(Normalized(path));
    if (it != files_.end()) files_.erase(it);
}

std::optional<RecentView> RecentFiles::viewOf(const std::string& path) const {
    const std::string normalized = Normalized(path);
    for (const RecentFile& f : files_)
        if (f.path == normalized) return f.view;
    return std::nullopt;
}

RecentFiles ReadRecentFiles(const std::string& path) {
    IniFile ini;
    IniFile::read(path, ini);
    RecentFiles files;
    files.read(ini);
    return files;
}

RecentFilesUpdate UpdateRecentFiles(const std::string& path, const std::function<void(RecentFiles&)>& change) {
    RecentFilesUpdate update;
    IniFile ini;
    const IniFile::ReadResult read = IniFile::read(path, ini);
    update.files.read(ini);
    if (read.exists && !read.complete) {
        update.error = read.error + "; the recent files are not written into it, to keep the values it holds";
        return update;
    }
    change(update.files);
    update.files.write(ini);
    update.written = ini.write(path, update.error);
    return update;
}

}  // namespace korvel
