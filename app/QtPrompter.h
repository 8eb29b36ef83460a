#pragma once

#include "base/Prompter.h"

namespace vq {

// The real dialogs: QMessageBox, QFileDialog, QColorDialog and QPrintDialog.
class QtPrompter : public Prompter {
public:
    int message(const MessageRequest& request) override;
    QStringList openFiles(const FileRequest& request, bool multiple) override;
    SaveChoice saveFile(const FileRequest& request) override;
    QString chooseFolder(const QString& title, const QString& initial, QObject* owner) override;
    QColor chooseColor(const QColor& initial, QObject* owner) override;
    bool printSetup(QPagedPaintDevice& printer, QObject* owner) override;
};

} // namespace vq
