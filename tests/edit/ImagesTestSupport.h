#pragma once

#include "edit/AddImages.h"
#include "edit/EditSession.h"
#include "model/Document.h"
#include "model/UndoHistory.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QDir>
#include <QStringList>

#include <memory>

namespace vq::test {

// Records what the adding loop reports, with the status bar's step rule.
struct RecordingProgress : ProgressSink {
    int begun = -1;
    int steps = 0;
    int position = 0;
    bool ended = false;
    QStringList guides;
    int BeginProgress(int items) override
    {
        begun = items;
        position = 0;
        return items >= 100 ? items / 100 : 1;
    }
    void StepProgress() override
    {
        ++steps;
        ++position;
    }
    void EndProgress() override
    {
        ended = true;
        position = 0;
    }
    void ShowGuideText(const QString& text) override { guides << text; }
};

// A document with its editing session, and image files to add.
class ImagesTest : public IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        doc.ResetDocument();
        session = std::make_unique<EditSession>(doc, history);
        QDir().mkpath(filesDir());
    }
    void TearDown() override
    {
        session.reset();
        IsolatedTest::TearDown();
    }
    // A w x h JPEG file named `name` in the test's folder.
    QString jpegFile(const QString& name, int w = 40, int h = 30)
    {
        const QString path = filesDir() + QLatin1Char('/') + name;
        writeFile(path, makeJpeg(w, h));
        return path;
    }
    Placement at(QPoint point = {}) const
    {
        Placement p;
        p.client = QSize(800, 600);
        p.point = point;
        return p;
    }

    Document doc;
    UndoHistory history;
    std::unique_ptr<EditSession> session;
    ScriptedPrompter prompter;
};

} // namespace vq::test
