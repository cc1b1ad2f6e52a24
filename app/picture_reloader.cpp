#include "picture_reloader.h"

namespace korvex {

PictureReloader::PictureReloader(std::function<uint32_t()> sizeLimit, QObject* parent)
    : QObject(parent), sizeLimit_(std::move(sizeLimit)) {
    // One reader is enough, and leaves the other core to the view.
    pool_.setMaxThreadCount(1);
}

PictureReloader::~PictureReloader() {
    for (auto& [file, reading] : reads_) reading.dropped->store(true);
    pool_.clear();
    pool_.waitForDone();
}

void PictureReloader::start(const std::filesystem::path& file, bool wanted) {
    Reading& reading = reads_[file];
    if (reading.dropped) reading.dropped->store(true);
    reading = Reading{++generation_, identityOf(file), wanted, false, std::nullopt,
                      std::make_shared<std::atomic<bool>>(false)};
    pool_.start([this, file, generation = reading.generation, dropped = reading.dropped, limit = sizeLimit_()] {
        if (dropped->load()) return;
        auto picture = std::make_shared<std::optional<ReloadedPicture>>(prepareReloadedPicture(file, limit));
        // The reloader waits for this read before it goes, so it is still here.
        QMetaObject::invokeMethod(
            this, [this, file, generation, picture] { finished(file, generation, std::move(*picture)); },
            Qt::QueuedConnection);
    });
}

void PictureReloader::readEarly(const std::filesystem::path& file) {
    start(file, false);
}

void PictureReloader::want(const std::filesystem::path& file) {
    const auto found = reads_.find(file);
    if (found == reads_.end() || found->second.from != identityOf(file)) return start(file, true);
    found->second.wanted = true;
    if (found->second.done) deliver(file);
}

void PictureReloader::dropUnwanted() {
    std::erase_if(reads_, [](auto& entry) {
        if (entry.second.wanted) return false;
        entry.second.dropped->store(true);
        return true;
    });
}

void PictureReloader::finished(const std::filesystem::path& file, uint64_t generation,
                               std::optional<ReloadedPicture> picture) {
    const auto found = reads_.find(file);
    if (found == reads_.end() || found->second.generation != generation) return;
    found->second.done = true;
    found->second.picture = std::move(picture);
    if (found->second.wanted) deliver(file);
}

void PictureReloader::deliver(const std::filesystem::path& file) {
    auto read = reads_.extract(file);
    if (onRead) onRead(file, read.mapped().picture);
}

}  // namespace korvex
