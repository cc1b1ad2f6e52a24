#pragma once
// Encodes a film's frames on a thread of its own while the next ones are
// drawn: drawing and encoding take about as long as each other, so a film
// is made in the time of the slower of the two, not of both.

#include "film_writer.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace korvex {

class FilmPipe {
public:
    // Frames of `stride` bytes a row go to `writer`; at most `waiting` of
    // them wait to be encoded, so a slow encoder holds back the drawing
    // instead of filling the memory.
    FilmPipe(std::unique_ptr<FilmWriter> writer, std::size_t stride, std::size_t waiting = 3);
    // Without finish(): the frames still waiting are dropped, and the
    // writer takes its temporary file away.
    ~FilmPipe();
    FilmPipe(const FilmPipe&) = delete;
    FilmPipe& operator=(const FilmPipe&) = delete;

    // Hands a frame over; waits while `waiting` frames are waiting. Throws
    // the MediaError that stopped the encoder.
    void push(std::vector<uint8_t> rgba);
    // A frame's memory to draw the next frame into: one the encoder is done
    // with when there is one (its bytes are stale), else empty.
    std::vector<uint8_t> spentFrame();
    // Whether push() would take a frame without waiting.
    bool hasRoom() const;
    // Waits for every frame to be encoded and finishes the film. Throws
    // MediaError.
    void finish();
    // Frames encoded so far.
    int framesWritten() const;

private:
    void encode();
    void rethrowFailure();

    std::unique_ptr<FilmWriter> writer_;
    std::size_t stride_, waiting_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<uint8_t>> frames_, spent_;
    bool closing_ = false, stopping_ = false;
    int written_ = 0;
    std::exception_ptr failure_;
    std::thread encoder_;
};

}  // namespace korvex
