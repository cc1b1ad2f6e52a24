#include "media/film_writer.h"


#include <cerrno>
#include <climits>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace korvex {

namespace {

constexpr int kLargestSide = 8192;
constexpr int kFastestFrameRate = 120;

std::string errnoText(int code) { return std::generic_category().message(code); }

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The longest file name the folder takes; 255 where it cannot be asked.
std::size_t longestName(const std::filesystem::path& folder) {
    const long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return longest > 0 ? static_cast<std::size_t>(longest) : 255;
}

// Makes a new empty file ".NAME.XXXXXX" beside `target`, with six random
// letters or digits, and returns its descriptor. Not mkstemp, whose files
// are private to the user whatever the umask says: a film is as readable as
// any other file the user makes. NAME is cut short where the whole would be
// longer than the folder allows.
int createBeside(const std::filesystem::path& target, std::filesystem::path& temporary) {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    std::string name = target.filename().string();
    const std::size_t tail = 1 + 6;  // ".XXXXXX"
    const std::size_t room = longestName(folder);
    if (1 + name.size() + tail > room) name.resize(room > tail + 1 ? room - tail - 1 : 0);
    std::random_device seed;
    std::mt19937 pick(seed());
    for (int attempt = 0;; ++attempt) {
        std::string suffix(6, ' ');
        for (char& c : suffix) c = kLetters[pick() % (sizeof kLetters - 1)];
        temporary = folder / ("." + name + "." + suffix);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        const int error = errno;
        temporary.clear();
        if (error != EEXIST || attempt == 100) throw MediaError("cannot write " + target.string() + ": " + errnoText(error));
    }
}

}  // namespace

std::optional<FilmKind> filmKindOf(const std::filesystem::path& path) {
    const std::string extension = lowered(path.extension().string());
    if (extension == ".mp4") return FilmKind::Mp4;
    if (extension == ".webp") return FilmKind::WebP;
    return std::nullopt;
}

bool filmSettingsValid(FilmKind kind, const FilmSettings& settings, std::string& whyNot) {
    if (settings.width < 2 || settings.width > kLargestSide || settings.height < 2 ||
        settings.height > kLargestSide) {
        whyNot = "a film's width and height must each be from 2 to " + std::to_string(kLargestSide) + " pixels";
        return false;
    }
    // H.264 in 4:2:0 keeps one colour sample for each two by two pixels.
    if (kind == FilmKind::Mp4 && (settings.width % 2 != 0 || settings.height % 2 != 0)) {
        whyNot = "an .mp4 film needs an even width and height";
        return false;
    }
    if (settings.framesPerSecond < 1 || settings.framesPerSecond > kFastestFrameRate) {
        whyNot = "a film must have from 1 to " + std::to_string(kFastestFrameRate) + " frames a second";
        return false;
    }
    return true;
}

FilmWriter::FilmWriter(const std::filesystem::path& path, const FilmSettings& settings)
    : settings_(settings), destination_(path) {
    // Found now rather than at the rename, after the whole film is made.
    std::error_code error;
    if (path.filename().empty() || std::filesystem::is_directory(path, error))
        fail(errnoText(EISDIR));
    temporaryFd_ = createBeside(path, temporary_);
}

FilmWriter::~FilmWriter() {
    if (temporaryFd_ >= 0) ::close(temporaryFd_);
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

namespace {

// Runs `work`; a failure in it stops the film, as the encoder's state is
// then unknown.
template <typename Work>
void stopOnFailure(bool& failed, Work&& work) {
    try {
        work();
    } catch (...) {
        failed = true;
        throw;
    }
}

}  // namespace

void FilmWriter::addFrame(const uint8_t* rgba, std::size_t stride) {
    checkFrame(rgba, stride);
    stopOnFailure(failed_, [&] { encodeFrame(rgba, stride); });
    ++frames_;
}

void FilmWriter::finish() {
    checkFinish();
    stopOnFailure(failed_, [&] { finishFilm(); });
}

void FilmWriter::checkFrame(const uint8_t* rgba, std::size_t stride) const {
    if (finished_) throw MediaError("the film " + destination_.string() + " is already finished");
    if (failed_) throw MediaError("the film " + destination_.string() + " stopped at an earlier error");
    if (frames_ == INT_MAX) fail("a film can have at most " + std::to_string(INT_MAX) + " frames");
    if (rgba == nullptr) throw MediaError("a frame of the film " + destination_.string() + " has no pixels");
    // The encoders take a row's length as an int.
    const std::size_t row = static_cast<std::size_t>(settings_.width) * 4;
    if (stride < row || stride > static_cast<std::size_t>(INT_MAX))
        throw MediaError("a frame's rows are " + std::to_string(stride) + " bytes apart; " +
                         std::to_string(settings_.width) + " pixels need from " + std::to_string(row) + " to " +
                         std::to_string(INT_MAX));
}

void FilmWriter::checkFinish() const {
    if (finished_) throw MediaError("the film " + destination_.string() + " is already finished");
    if (failed_) throw MediaError("the film " + destination_.string() + " stopped at an earlier error");
    if (frames_ == 0) fail("a film needs at least one frame");
}

void FilmWriter::placeFilm() {
    // Written out before the rename, so that a crash soon after cannot leave
    // an empty file under the film's name.
    if (::fsync(temporaryFd_) != 0) fail(errnoText(errno));
    const int fd = temporaryFd_;
    temporaryFd_ = -1;
    if (::close(fd) != 0) fail(errnoText(errno));
    std::error_code error;
    std::filesystem::rename(temporary_, destination_, error);
    if (error) fail(error.message());
    temporary_.clear();
    finished_ = true;
}

void FilmWriter::fail(const std::string& reason) const {
    throw MediaError("cannot write " + destination_.string() + ": " + reason);
}

}  // namespace korvex
