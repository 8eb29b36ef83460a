#pragma once

#include "render/PictureSupply.h"

#include <QImage>
#include <QSize>

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

namespace vq {

class Picture;

// Exact pixels for output that passes over every picture once (an export):
// each picture is decoded at the size it is drawn, handed out and let go,
// without the picture cache. A small pool of workers decodes ahead in drawing
// order while the painter draws, never more than a few pictures ahead, so
// what is held at any time is the image being drawn into plus a bounded
// working set, however many pictures there are. Pictures with identical bytes
// drawn at the same size are decoded once.
//
// Undecodable pictures come out null as from the waiting supply, but they
// are found only while drawing, after what lies beneath them was drawn as if
// they hid it: a pass that found one (foundUndecodable) must be drawn again,
// when the painters know of it beforehand.
class StreamingPictureSupply final : public PictureSupply {
public:
    struct Options {
        // Decoding threads; 0 for one per core.
        int workers = 0;
        // Decoded pictures held at most, the one being drawn included (one
        // more while the painter decodes a picture that was let go to stay
        // within the budget for pictures kept for a later node).
        int ahead = 0; // 0: two per worker
    };

    StreamingPictureSupply();
    explicit StreamingPictureSupply(Options options);
    // Waits for the workers: none outlives the supply.
    ~StreamingPictureSupply() override;
    StreamingPictureSupply(const StreamingPictureSupply&) = delete;
    StreamingPictureSupply& operator=(const StreamingPictureSupply&) = delete;

    // Plans a pass and starts decoding it; a previous pass's plan is dropped.
    void expect(std::span<const PictureCache::ScaledRequest> requests) override;
    Supplied scaled(const Picture& picture, QSize size) override;
    // A one-off decode covering `deviceSize`, kept nowhere.
    Supplied covering(const Picture& picture, QSize deviceSize) override;

    // True once a picture that was not known to be undecodable failed.
    [[nodiscard]] bool foundUndecodable() const;

    // What the supply has done, for checking its promises.
    struct Counters {
        int decodes = 0;
        // The most decoded pictures held at once (being decoded or waiting to
        // be drawn), pictures kept for a later node not counted.
        int peakHeld = 0;
    };
    [[nodiscard]] Counters counters() const;
    [[nodiscard]] int aheadLimit() const { return m_ahead; }

    // The picture decoded at exactly `size` as the supply decodes it.
    [[nodiscard]] static QImage decodeAt(const Picture& picture, QSize size);

private:
    enum class State { Pending, Decoding, Ready, Failed, Done };
    struct Job {
        const Picture* picture = nullptr;
        QSize size;
        // Positions in the drawing order that take this job's image.
        std::vector<std::size_t> uses;
        std::size_t nextUse = 0; // index into uses
        State state = State::Pending;
        QImage image;
        bool kept = false; // held past a use for a later one
    };

    void stopWorkers();
    void work();
    // The job a worker should decode next, or null; under the lock.
    Job* nextJobLocked();
    void startLocked(Job& job);
    void finishLocked(Job& job, QImage image);
    // One use of the job is over: its image kept for the next, or let go.
    void releaseUseLocked(Job& job);
    QImage decodeCounted(const Picture& picture, QSize size);

    int m_workerCount;
    int m_ahead;

    mutable std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_jobDone;
    std::vector<Job> m_jobs;
    std::vector<std::size_t> m_order; // drawing position → job
    std::vector<const Picture*> m_pictureAt; // drawing position → picture
    std::size_t m_cursor = 0;         // the next position to be drawn
    std::size_t m_scan = 0;           // positions before it need no decode
    int m_held = 0;
    std::size_t m_keptBytes = 0;
    bool m_stopping = false;
    bool m_foundUndecodable = false;
    Counters m_counters;
    std::vector<std::thread> m_workers;
};

} // namespace vq
