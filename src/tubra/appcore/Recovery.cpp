#include "tubra/appcore/Recovery.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <unordered_map>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "tubra/model/Document.h"
#include "tubra/model/DrawingFile.h"

namespace tubra::app {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic = "TubraRecovery 1\n";
constexpr std::string_view kLockSuffix = ".lock";
constexpr std::string_view kCopySuffix = ".recovery";
// A copy is a drawing file and a little more; anything far larger is not one of ours.
constexpr std::size_t kMaxCopyBytes = std::size_t{1} << 31;

std::string hex(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

std::optional<std::string> unhex(std::string_view text) {
    if (text.size() % 2) return std::nullopt;
    const auto value = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int hi = value(text[i]), lo = value(text[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<char>(hi * 16 + lo));
    }
    return out;
}

bool endsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// The instance a lock or copy file belongs to; empty for other files.
std::string instanceOf(std::string_view name) {
    if (name.empty() || name.front() == '.') return {};
    if (endsWith(name, kLockSuffix)) return std::string(name.substr(0, name.size() - kLockSuffix.size()));
    if (endsWith(name, kCopySuffix)) {
        name.remove_suffix(kCopySuffix.size());
        const auto dash = name.rfind('-');
        if (dash == std::string_view::npos || dash == 0) return {};
        return std::string(name.substr(0, dash));
    }
    return {};
}

std::string newInstanceName() {
    std::random_device random;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%ld-%08x", static_cast<long>(::getpid()), static_cast<unsigned>(random()));
    return buf;
}

// Opens (making it) and locks `path` without waiting; -1 when another program holds it.
int lockFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

fs::path recoveryDirectory() {
    const char* state = std::getenv("XDG_STATE_HOME");
    fs::path base;
    if (state && *state == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        base = fs::path(home && *home ? home : "/tmp") / ".local" / "state";
    }
    return base / "tubra" / "recovery";
}

std::string recoveryHeader(const RecoveryInfo& info) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(info.taken.time_since_epoch()).count();
    std::string out(kMagic);
    out += "original " + hex(info.original.string()) + "\n";
    out += "title " + hex(info.title) + "\n";
    out += "taken " + std::to_string(seconds) + "\n\n";
    return out;
}

std::optional<std::pair<RecoveryInfo, std::string_view>> parseRecoveryCopy(std::string_view file) {
    if (file.substr(0, kMagic.size()) != kMagic) return std::nullopt;
    file.remove_prefix(kMagic.size());
    RecoveryInfo info;
    bool haveOriginal = false, haveTitle = false, haveTaken = false;
    while (true) {
        const auto end = file.find('\n');
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view line = file.substr(0, end);
        file.remove_prefix(end + 1);
        if (line.empty()) break;
        const auto blank = line.find(' ');
        if (blank == std::string_view::npos) return std::nullopt;
        const std::string_view key = line.substr(0, blank), value = line.substr(blank + 1);
        if (key == "original" || key == "title") {
            const auto text = unhex(value);
            if (!text) return std::nullopt;
            if (key == "original") {
                info.original = *text;
                haveOriginal = true;
            } else {
                info.title = *text;
                haveTitle = true;
            }
        } else if (key == "taken") {
            // Seconds since 1970, within what the clock's time points hold (to the year 2255).
            if (value.empty() || value.size() > 10 ||
                !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
                return std::nullopt;
            const long long seconds = std::stoll(std::string(value));
            if (seconds > 9'000'000'000LL) return std::nullopt;
            info.taken = platform::Clock::time_point(std::chrono::seconds(seconds));
            haveTaken = true;
        }
        // Other keys are from a later program: skipped.
    }
    if (!haveOriginal || !haveTitle || !haveTaken) return std::nullopt;
    return std::make_pair(std::move(info), file);
}

// --- snapshots ---

ObjectPiece::ObjectPiece(const model::PipeObject& object) : object_(std::make_unique<model::PipeObject>(object)) {}

ObjectPiece::~ObjectPiece() = default;

const std::string& ObjectPiece::bytes() const {
    std::call_once(once_, [this] {
        model::writeObjectSection(*object_, bytes_);
        object_.reset();
    });
    return bytes_;
}

std::size_t DrawingSnapshot::size() const {
    std::size_t n = head.size() + tail.size();
    for (const auto& o : objects) n += o->bytes().size();
    return n;
}

std::error_code DrawingSnapshot::writeTo(const platform::PieceWriter& write) const {
    if (auto ec = write(head)) return ec;
    // Objects are small: gathered into larger pieces, the disk sees few writes.
    std::string piece;
    piece.reserve(std::size_t{1} << 20);
    for (const auto& o : objects) {
        piece += o->bytes();
        if (piece.size() >= (std::size_t{1} << 20)) {
            if (auto ec = write(piece)) return ec;
            piece.clear();
        }
    }
    if (auto ec = write(piece)) return ec;
    return write(tail);
}

std::shared_ptr<const DrawingSnapshot> SnapshotCache::take(model::Document& doc) {
    auto snapshot = std::make_shared<DrawingSnapshot>();
    const model::Drawing& drawing = doc.drawing;
    const model::ObjectList& list = drawing.objects;  // read only: a snapshot changes nothing
    model::writeDrawingHead(drawing, doc.settings(), snapshot->head);
    model::writeDrawingTail(drawing, snapshot->tail);

    const std::size_t count = list.size();
    std::vector<Entry> next(count);
    snapshot->objects.resize(count);
    // Where the objects moved (one taken out or put in before the end), each is found by its
    // address; the stamp then says whether it is the same object, unchanged.
    std::unordered_map<const model::PipeObject*, std::size_t> before;
    bool indexed = false;
    lastWritten_ = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const model::PipeObject* object = &list.at(i);
        const std::uint64_t stamp = list.stamp(i);
        const Entry* old = nullptr;
        if (i < entries_.size() && entries_[i].object == object) {
            old = &entries_[i];
        } else if (!entries_.empty()) {
            if (!indexed) {
                before.reserve(entries_.size());
                for (std::size_t k = 0; k < entries_.size(); ++k) before.emplace(entries_[k].object, k);
                indexed = true;
            }
            if (const auto it = before.find(object); it != before.end()) old = &entries_[it->second];
        }
        Entry& e = next[i];
        e.object = object;
        e.stamp = stamp;
        if (old && old->stamp == stamp) {
            e.piece = old->piece;
        } else {
            e.piece = std::make_shared<const ObjectPiece>(*object);
            ++lastWritten_;
        }
        snapshot->objects[i] = e.piece;
    }
    entries_ = std::move(next);
    return snapshot;
}

// --- the directory ---

RecoveryStore::RecoveryStore(fs::path directory) : directory_(std::move(directory)) {
    std::error_code ec;
    fs::create_directories(directory_, ec);
    if (ec || !fs::is_directory(directory_, ec)) return;
    // Copies are drawings of the user's: for the user alone.
    fs::permissions(directory_, fs::perms::owner_all, fs::perm_options::replace, ec);
    for (int attempt = 0; attempt < 8 && lockFd_ < 0; ++attempt) {
        instance_ = newInstanceName();
        const fs::path lock = directory_ / (instance_ + std::string(kLockSuffix));
        if (fs::exists(lock, ec)) continue;
        // Locked under a hidden name first: a program looking for orphans at this moment
        // would otherwise take the new lock for a dead one.
        const fs::path hidden = directory_ / ("." + instance_ + std::string(kLockSuffix));
        const int fd = lockFile(hidden);
        if (fd < 0) continue;
        if (::rename(hidden.c_str(), lock.c_str()) != 0) {
            ::unlink(hidden.c_str());
            ::close(fd);
            continue;
        }
        lockFd_ = fd;
    }
}

RecoveryStore::~RecoveryStore() {
    dropTakenWithoutCopies();
    for (const Taken& t : taken_) ::close(t.fd);
    if (lockFd_ >= 0) {
        std::error_code ec;
        fs::remove(directory_ / (instance_ + std::string(kLockSuffix)), ec);
        ::close(lockFd_);
    }
}

fs::path RecoveryStore::copyPath(std::uint64_t serial) const {
    return directory_ / (instance_ + "-" + std::to_string(serial) + std::string(kCopySuffix));
}

std::vector<FoundCopy> RecoveryStore::findOrphans() {
    std::vector<FoundCopy> found;
    if (!usable()) return found;
    std::error_code ec;
    std::set<std::string> instances;
    std::vector<fs::path> copies;
    for (fs::directory_iterator it(directory_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string owner = instanceOf(name);
        if (owner.empty() || owner == instance_) continue;
        instances.insert(owner);
        if (endsWith(name, kCopySuffix)) copies.push_back(it->path());
    }
    std::set<std::string> mine;
    for (const Taken& t : taken_) mine.insert(t.instance);
    for (const std::string& owner : instances) {
        if (mine.count(owner)) continue;
        // A lock that can be taken is that of a program that is gone; a copy without any lock
        // file is one too (its lock is made anew here, so that only one program takes it).
        const int fd = lockFile(directory_ / (owner + std::string(kLockSuffix)));
        if (fd < 0) continue;
        taken_.push_back({owner, fd});
        mine.insert(owner);
    }
    for (const fs::path& file : copies) {
        if (!mine.count(instanceOf(file.filename().string()))) continue;
        std::string data;
        const bool read = !platform::readWholeFile(file, data, kMaxCopyBytes).failed();
        auto parsed = read ? parseRecoveryCopy(data) : std::nullopt;
        if (!parsed) {
            // Copies are written whole and renamed into place, so one that cannot be read back
            // never will be. It is set aside under a hidden name, kept for whoever wants to look,
            // so that its dead program's lock can go instead of being offered on every start.
            if (read) fs::rename(file, file.parent_path() / ("." + file.filename().string() + ".unreadable"), ec);
            continue;
        }
        found.push_back({file, std::move(parsed->first)});
    }
    std::sort(found.begin(), found.end(), [](const FoundCopy& a, const FoundCopy& b) {
        return a.info.taken != b.info.taken ? a.info.taken < b.info.taken : a.file < b.file;
    });
    dropTakenWithoutCopies();
    return found;
}

void RecoveryStore::release() {
    dropTakenWithoutCopies();
    for (const Taken& t : taken_) ::close(t.fd);
    taken_.clear();
}

void RecoveryStore::discard(const FoundCopy& copy) {
    std::error_code ec;
    fs::remove(copy.file, ec);
    dropTakenWithoutCopies();
}

void RecoveryStore::abandon() {
    for (const Taken& t : taken_) ::close(t.fd);
    taken_.clear();
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = -1;
}

void RecoveryStore::dropTakenWithoutCopies() {
    std::set<std::string> withCopies;
    std::error_code ec;
    for (fs::directory_iterator it(directory_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (endsWith(name, kCopySuffix)) withCopies.insert(instanceOf(name));
    }
    for (auto it = taken_.begin(); it != taken_.end();) {
        if (withCopies.count(it->instance)) {
            ++it;
            continue;
        }
        // Removed while still locked, so no other program takes the name meanwhile.
        fs::remove(directory_ / (it->instance + std::string(kLockSuffix)), ec);
        ::close(it->fd);
        it = taken_.erase(it);
    }
}

// --- the writer ---

RecoveryWriter::RecoveryWriter() : thread_([this] { run(); }) {}

RecoveryWriter::~RecoveryWriter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void RecoveryWriter::write(fs::path file, RecoveryInfo info, std::shared_ptr<const DrawingSnapshot> snapshot) {
    {
        std::lock_guard lock(mutex_);
        // Only the last word on a file counts.
        std::erase_if(jobs_, [&](const Job& j) { return j.file == file; });
        jobs_.push_back({std::move(file), std::move(info), std::move(snapshot)});
    }
    wake_.notify_all();
}

void RecoveryWriter::remove(fs::path file) {
    {
        std::lock_guard lock(mutex_);
        std::erase_if(jobs_, [&](const Job& j) { return j.file == file; });
        jobs_.push_back({std::move(file), {}, nullptr});
    }
    wake_.notify_all();
}

void RecoveryWriter::flush() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [&] { return jobs_.empty() && !busy_; });
}

std::size_t RecoveryWriter::written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

std::error_code RecoveryWriter::lastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

void RecoveryWriter::run() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) {
            if (stopping_) return;
            continue;
        }
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        std::error_code ec;
        const bool writing = job.snapshot != nullptr;
        if (writing) {
            platform::AtomicWriteOptions options;
            options.mode = 0600;
            const std::string header = recoveryHeader(job.info);
            ec = platform::writeFileAtomicallyInPieces(job.file, [&](const platform::PieceWriter& write) {
                     if (auto e = write(header)) return e;
                     return job.snapshot->writeTo(write);
                 }, options).error();
        } else {
            fs::remove(job.file, ec);
        }
        job = {};  // the snapshot's memory goes before the next wait
        lock.lock();
        busy_ = false;
        if (ec) lastError_ = ec;
        else if (writing) ++written_;
        if (jobs_.empty()) idle_.notify_all();
    }
}

std::string recoveryTimeText(platform::Clock::time_point t) {
    const platform::CalendarTime c = platform::calendarTime(t);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour, c.minute,
                  c.second);
    return buf;
}

}  // namespace tubra::app
