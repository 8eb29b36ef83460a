#pragma once

#include <QString>

#include <array>

namespace vq {

class Document;

// Whole-document snapshots in the working folder, nine steps deep.
class UndoHistory {
public:
    static constexpr int kSlots = 10;

    [[nodiscard]] int undoCount() const { return m_undoCount; }
    [[nodiscard]] int redoCount() const { return m_redoCount; }

private:
    std::array<QString, kSlots> m_undoPaths;
    std::array<QString, kSlots> m_redoPaths;
    int m_undoCount = 0;
    int m_redoCount = 0;
};

} // namespace vq
