// The temporary file a write goes through before it is renamed into place. Its name says whose
// it is (".NAME.korvel-tmp-XXXXXX" beside NAME); it is removed when the process is stopped by
// SIGINT, SIGTERM, SIGHUP or SIGQUIT, and one left behind by a killed process is swept by the
// next write to the same folder once it is a day old.
#pragma once

#include <string>

namespace korvel {

class TemporaryFile {
public:
    TemporaryFile() = default;
    ~TemporaryFile();  // removes the file unless it was renamed into place
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates an empty file (mode 0600) for `name` in `folder`; false with errno set.
    bool create(const std::string& folder, const std::string& name);
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    // Closes the descriptor; false with errno set. The file stays until renamed or removed.
    bool close();
    // Renames the file over `target`; false with errno set, the file still there.
    bool renameTo(const std::string& target);
    void remove();

private:
    void forget();

    std::string path_;
    int fd_ = -1;
    void* slot_ = nullptr;  // its entry in the table the signal handler clears
};

// "FOLDER/.NAME.korvel-tmp-XXXXXX", NAME cut short enough for the whole to fit in a file name.
std::string TemporaryNameTemplate(const std::string& folder, const std::string& name);
// Whether a file name (no folder) is one TemporaryNameTemplate makes.
bool IsTemporaryName(const std::string& name);

// Removes, from `folder`, temporaries of ours (by name, regular, owned by this user, one link)
// not changed for `maxAgeSeconds`; returns how many. Writes call it once per folder and process.
int SweepStaleTemporaries(const std::string& folder, long maxAgeSeconds);
constexpr long kStaleTemporaryAge = 24 * 60 * 60;

// Removes live temporaries when SIGINT, SIGTERM, SIGHUP or SIGQUIT arrives, then lets the signal
// act as it would have. Signals that are ignored or already handled are left alone.
void InstallTemporaryFileCleanup();

}  // namespace korvel
