#pragma once
// Reads pictures again on a worker thread, for textures whose files another
// program has saved. A read may start early, at the first sign of a change,
// while the watcher still waits for the saving to be over; its picture is
// used only if the file is still as it was when the read began, and read
// again otherwise. The newest read of a file wins; older ones are dropped.

#include "file_watcher.h"
#include "textures/texture_reload.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace korvex {

class PictureReloader : public QObject {
public:
    // `sizeLimit` is asked, on the window's thread, for the size pictures
    // are fitted to.
    explicit PictureReloader(std::function<uint32_t()> sizeLimit, QObject* parent = nullptr);
    // Drops reads not yet begun and waits for the one under way.
    ~PictureReloader() override;

    // Starts reading `file` as it is now, for want() to take up later.
    void readEarly(const std::filesystem::path& file);
    // The picture at `file` as it is now: an early read of this same state
    // of the file is taken, otherwise the file is read now.
    void want(const std::filesystem::path& file);
    // Forgets early reads that no one wanted.
    void dropUnwanted();

    // Told on the window's thread when a wanted read is over: the picture,
    // or nothing when it could not be read.
    std::function<void(const std::filesystem::path&, std::optional<ReloadedPicture>&)> onRead;

private:
    struct Reading {
        uint64_t generation = 0;
        FileIdentity from;  // the file as it was when the read began
        bool wanted = false;
        bool done = false;
        std::optional<ReloadedPicture> picture;
        std::shared_ptr<std::atomic<bool>> dropped;
    };
    void start(const std::filesystem::path& file, bool wanted);
    void finished(const std::filesystem::path& file, uint64_t generation, std::optional<ReloadedPicture> picture);
    void deliver(const std::filesystem::path& file);

    std::function<uint32_t()> sizeLimit_;
    QThreadPool pool_;
    std::map<std::filesystem::path, Reading> reads_;
    uint64_t generation_ = 0;
};

}  // namespace korvex
