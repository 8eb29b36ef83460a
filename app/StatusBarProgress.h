#pragma once

#include "app/StatusBar.h"
#include "edit/AddImages.h"

namespace vq {

// Long edit operations report their progress and guide texts through the
// status bar; without a bar (a hidden one, some tests) they run silently.
class StatusBarProgress : public ProgressSink {
public:
    explicit StatusBarProgress(StatusBar* bar) : m_bar(bar) {}
    int BeginProgress(int items) override { return m_bar ? m_bar->BeginProgress(items) : 1; }
    void StepProgress() override
    {
        if (m_bar)
            m_bar->StepProgress();
    }
    void EndProgress() override
    {
        if (m_bar)
            m_bar->EndProgress();
    }
    void ShowGuideText(const QString& text) override
    {
        if (m_bar)
            m_bar->ShowGuideText(text);
    }

private:
    StatusBar* m_bar;
};

} // namespace vq
