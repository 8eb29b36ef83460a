#pragma once

#include <QSpinBox>

#include <functional>

namespace vq {

// A count box whose steps are only proposals: `propose` (given the new
// count) decides, and the box then shows whatever `shown` returns, so a
// count that does not fit never appears in it.
class TileCountSpin : public QSpinBox {
    Q_OBJECT
public:
    explicit TileCountSpin(QWidget* parent = nullptr);

    void setProposal(std::function<void(int)> propose, std::function<int()> shown);
    void stepBy(int steps) override;

private:
    void proposeTyped();

    std::function<void(int)> m_propose;
    std::function<int()> m_shown;
};

} // namespace vq
