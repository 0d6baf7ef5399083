#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <mutex>

#include "platform/ini_file.h"

namespace ordo {
namespace {

// The program asks Environment.ini for the same key before every statement it sends, a thousand times
// in one balance rebuild; opening and reading the file each time cost more than the rest of the request.
// The text is kept with the file's identity and times, and read again as soon as any of them differs,
// so every call still answers from the file as it stands.
struct TFileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified{};
    timespec changed{};

    friend bool operator==(const TFileStamp& a, const TFileStamp& b) noexcept {
        return a.device == b.device && a.inode == b.inode && a.size == b.size &&
               a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec &&
               a.changed.tv_sec == b.changed.tv_sec && a.changed.tv_nsec == b.changed.tv_nsec;
    }
};

bool StampOf(const std::string& fileName, TFileStamp& out) {
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    out = {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    return true;
}

struct TProfileCache {
    std::mutex lock;
    std::string fileName;
    TFileStamp stamp;
    std::string text;
};

TProfileCache& Cache() {
    static TProfileCache cache;
    return cache;
}

std::string ReadWhole(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    std::string text;
    if (in) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return text;
}

}  // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& fileName,
                                    std::size_t bufferSize) {
    TFileStamp stamp;
    if (!StampOf(fileName, stamp))  // missing, or not a file: nothing to keep
        return ReadProfileText(ReadWhole(fileName), section, key, defaultValue, bufferSize);
    TProfileCache& cache = Cache();
    std::lock_guard guard(cache.lock);
    if (cache.fileName != fileName || !(cache.stamp == stamp)) {
        cache.text = ReadWhole(fileName);
        cache.fileName = fileName;
        // A file written while it was read may show the new times with the old bytes; keep it only when
        // the stamp after the read is the one before it.
        TFileStamp after;
        cache.stamp = StampOf(fileName, after) && after == stamp ? stamp : TFileStamp{};
    }
    return ReadProfileText(cache.text, section, key, defaultValue, bufferSize);
}

}  // namespace ordo
