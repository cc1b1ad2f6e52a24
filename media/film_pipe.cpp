#include "film_pipe.h"

#include <utility>

namespace korvex {

FilmPipe::FilmPipe(std::unique_ptr<FilmWriter> writer, std::size_t stride, std::size_t waiting)
    : writer_(std::move(writer)), stride_(stride), waiting_(waiting > 0 ? waiting : 1) {
    encoder_ = std::thread([this] { encode(); });
}

FilmPipe::~FilmPipe() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        frames_.clear();
    }
    changed_.notify_all();
    if (encoder_.joinable()) encoder_.join();
}

void FilmPipe::encode() {
    for (;;) {
        std::vector<uint8_t> frame;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || closing_ || !frames_.empty(); });
            if (stopping_ || frames_.empty()) return;
            frame = std::move(frames_.front());
            frames_.pop_front();
        }
        changed_.notify_all();
        try {
            writer_->addFrame(frame.data(), stride_);
        } catch (...) {
            const std::lock_guard lock(mutex_);
            failure_ = std::current_exception();
            stopping_ = true;
            frames_.clear();
        }
        const std::lock_guard lock(mutex_);
        if (!failure_) ++written_;
        // Kept for the drawing to use again; no more than could wait.
        if (spent_.size() < waiting_) spent_.push_back(std::move(frame));
        changed_.notify_all();
        if (stopping_) return;
    }
}

void FilmPipe::rethrowFailure() {
    if (failure_) std::rethrow_exception(failure_);
}

void FilmPipe::push(std::vector<uint8_t> rgba) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || frames_.size() < waiting_; });
    rethrowFailure();
    if (stopping_) return;
    frames_.push_back(std::move(rgba));
    lock.unlock();
    changed_.notify_all();
}

std::vector<uint8_t> FilmPipe::spentFrame() {
    const std::lock_guard lock(mutex_);
    if (spent_.empty()) return {};
    std::vector<uint8_t> frame = std::move(spent_.front());
    spent_.pop_front();
    return frame;
}

bool FilmPipe::hasRoom() const {
    const std::lock_guard lock(mutex_);
    return stopping_ || frames_.size() < waiting_;
}

void FilmPipe::finish() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    if (encoder_.joinable()) encoder_.join();
    rethrowFailure();
    writer_->finish();
}

int FilmPipe::framesWritten() const {
    const std::lock_guard lock(mutex_);
    return written_;
}

}  // namespace korvex
