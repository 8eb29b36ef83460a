#pragma once

#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>

namespace vq {

// What a window does when pictures it may have drawn without arrive.
enum class ArrivalAnswer {
    Ignore,  // nothing it shows can improve
    Gather,  // draw again in a moment, with whatever else arrives meanwhile
    DrawNow, // draw again at once
};

// Brings the picture cache's arrivals to a window's thread. The workers'
// announcements become one queued call per burst, where `judge` says what to
// do; drawing the whole scene again for every picture that arrives would
// take the processor from the decodes still to come, so arrivals are
// gathered for a moment, short enough to look immediate, before `draw`.
class PictureArrivals : public QObject {
public:
    PictureArrivals(std::function<ArrivalAnswer()> judge, std::function<void()> draw, QObject* parent);
    ~PictureArrivals() override;
    PictureArrivals(const PictureArrivals&) = delete;
    PictureArrivals& operator=(const PictureArrivals&) = delete;

    static constexpr int kGatherMs = 40;

private:
    void arrived();

    std::function<ArrivalAnswer()> m_judge;
    std::function<void()> m_draw;
    QTimer m_gather;
    std::atomic<bool> m_queued{false};
    int m_listener = 0;
};

} // namespace vq
