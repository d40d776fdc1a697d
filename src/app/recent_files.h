// The drawings opened last (ten at most, the newest first) and the view each was left in, kept
// in a section of Korvel's own in the settings file.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvel {

class IniFile;

// Where a drawing was looked at: the zoom over the fitted view and the drawing point (in
// millimetres) at the middle of the drawing area.
struct RecentView {
    double zoom = 1.0;
    double centreX = 0.0;
    double centreY = 0.0;
    bool operator==(const RecentView& o) const {
        return zoom == o.zoom && centreX == o.centreX && centreY == o.centreY;
    }
};

struct RecentFile {
    std::string path;  // absolute, as the file system names it
    std::optional<RecentView> view;
};

class RecentFiles {
public:
    static constexpr size_t kLimit = 10;
    static constexpr const char* kSection = "KorvelRecentFiles";

    // Reads "File1".."File10" and "View1".."View10"; empty, repeated and unusable entries are
    // passed over.
    void read(const IniFile& ini);
    // Writes the section whole: the entries, then empty keys up to the limit, so that nothing
    // of an older, longer list stays behind.
    void write(IniFile& ini) const;

    // The drawing at `path` was opened: it moves to the front (keeping its view), the eleventh
    // drops off. Paths that a settings line cannot hold (line breaks) are not kept.
    void opened(const std::string& path);
    // Remembers the view of a drawing in the list; false when it is not in the list.
    bool rememberView(const std::string& path, const RecentView& view);
    void remove(const std::string& path);
    void clear() { files_.clear(); }

    const std::vector<RecentFile>& files() const { return files_; }
    std::optional<RecentView> viewOf(const std::string& path) const;

    // The form a path is kept in: absolute and without "." or ".." parts.
    static std::string Normalized(const std::string& path);

private:
    std::vector<RecentFile>::iterator find(const std::string& normalized);
    std::vector<RecentFile> files_;
};

struct RecentFilesUpdate {
    bool written = false;
    std::string error;  // why the settings file was not written, naming it
    RecentFiles files;  // the list as it stands in the file afterwards
};

// Reads the list from the settings file at `path`, changes it and writes the file back, keeping
// every other section and key, so that two windows open at once both leave their drawings in
// it. A file that exists but cannot be read whole is left alone.
RecentFilesUpdate UpdateRecentFiles(const std::string& path, const std::function<void(RecentFiles&)>& change);
// The list as the settings file at `path` holds it; empty when there is none.
RecentFiles ReadRecentFiles(const std::string& path);

}  // namespace korvel
