#include "dialogs/TileCountSpin.h"

#include <QSignalBlocker>

#include <algorithm>

namespace vq {

TileCountSpin::TileCountSpin(QWidget* parent) : QSpinBox(parent)
{
    setRange(1, 100);
    setKeyboardTracking(false);
    connect(this, &QSpinBox::editingFinished, this, &TileCountSpin::proposeTyped);
}

void TileCountSpin::setProposal(std::function<void(int)> propose, std::function<int()> shown)
{
    m_propose = std::move(propose);
    m_shown = std::move(shown);
}

void TileCountSpin::stepBy(int steps)
{
    if (!m_propose) {
        QSpinBox::stepBy(steps);
        return;
    }
    const int proposed = std::clamp(value() + steps, minimum(), maximum());
    m_propose(proposed);
    const QSignalBlocker block(this);
    setValue(m_shown());
    selectAll();
}

void TileCountSpin::proposeTyped()
{
    if (!m_propose)
        return;
    // The box has taken the typed count by now; it is a proposal like a step.
    m_propose(value());
    const QSignalBlocker block(this);
    setValue(m_shown());
}

} // namespace vq
