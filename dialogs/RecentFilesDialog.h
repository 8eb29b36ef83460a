#pragma once

#include <QDialog>
#include <QStringList>

class QPushButton;
class QTableWidget;

namespace vq {

class Settings;

// "最近使ったファイルの管理": the recent-file list with a tick box on every
// row. Deleting takes effect at once, without a question and without undo;
// recentFilesChanged() tells the frame to rebuild its File menu.
class RecentFilesDialog : public QDialog {
    Q_OBJECT
public:
    explicit RecentFilesDialog(Settings& settings, QWidget* parent = nullptr);

    [[nodiscard]] QTableWidget* list() const { return m_list; }
    [[nodiscard]] QPushButton* deleteCheckedButton() const { return m_deleteChecked; }
    [[nodiscard]] QPushButton* deleteAllButton() const { return m_deleteAll; }
    [[nodiscard]] QPushButton* backButton() const { return m_back; }

    // The paths the rows show, top to bottom.
    [[nodiscard]] QStringList shownPaths() const;

signals:
    void recentFilesChanged();

private:
    void addRow(const QString& path);
    void deleteChecked();
    void deleteAll();
    // The first column counts 1, 2, ... again after rows went.
    void renumber();
    void showFolderOfRow(int row);

    Settings& m_settings;
    QTableWidget* m_list = nullptr;
    QPushButton* m_deleteChecked = nullptr;
    QPushButton* m_deleteAll = nullptr;
    QPushButton* m_back = nullptr;
};

} // namespace vq
