#include "dialogs/RecentFilesDialog.h"

#include "shell/ShellUtilities.h"
#include "base/Settings.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vq {

namespace {

enum Column { kNumberColumn = 0, kPathColumn = 1 };
constexpr int kNumberWidth = 60;
constexpr int kPathWidth = 450;
constexpr int kVisibleRows = 12;

} // namespace

RecentFilesDialog::RecentFilesDialog(Settings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings)
{
    setWindowTitle(QStringLiteral("最近使ったファイルの管理"));
    setObjectName(QStringLiteral("RecentFilesDialog"));

    m_list = new QTableWidget(0, 2, this);
    m_list->setObjectName(QStringLiteral("recentList"));
    m_list->setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("パス")});
    m_list->verticalHeader()->hide();
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(false);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->setColumnWidth(kNumberColumn, kNumberWidth);
    m_list->setColumnWidth(kPathColumn, kPathWidth);
    m_list->horizontalHeader()->setStretchLastSection(true);
    const int rowHeight = m_list->verticalHeader()->defaultSectionSize();
    m_list->setMinimumSize(kNumberWidth + kPathWidth + 2 * m_list->frameWidth() + 4,
                           m_list->horizontalHeader()->sizeHint().height() + kVisibleRows * rowHeight
                               + 2 * m_list->frameWidth());

    m_deleteChecked = new QPushButton(QStringLiteral("チェックのある履歴を削除(&P)"), this);
    m_deleteChecked->setObjectName(QStringLiteral("deleteChecked"));
    m_deleteAll = new QPushButton(QStringLiteral("すべての履歴を削除(&A)"), this);
    m_deleteAll->setObjectName(QStringLiteral("deleteAll"));
    m_back = new QPushButton(QStringLiteral("戻る(&B)"), this);
    m_back->setObjectName(QStringLiteral("back"));
    for (QPushButton* b : {m_deleteChecked, m_deleteAll})
        b->setAutoDefault(false);
    auto* note = new QLabel(QStringLiteral("※ 行をＷクリックするとファイルの場所を表示します。"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_deleteChecked);
    buttons->addWidget(m_deleteAll);
    buttons->addStretch();
    buttons->addWidget(m_back);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(note);
    layout->addLayout(buttons);

    const QStringList files = m_settings.recentFiles();
    for (int i = 0; i < files.size() && i < kRecentFileCount; ++i)
        addRow(files.at(i));

    connect(m_deleteChecked, &QPushButton::clicked, this, &RecentFilesDialog::deleteChecked);
    connect(m_deleteAll, &QPushButton::clicked, this, &RecentFilesDialog::deleteAll);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { showFolderOfRow(row); });
}

QStringList RecentFilesDialog::shownPaths() const
{
    QStringList paths;
    for (int row = 0; row < m_list->rowCount(); ++row)
        paths << m_list->item(row, kPathColumn)->text();
    return paths;
}

void RecentFilesDialog::addRow(const QString& path)
{
    const int row = m_list->rowCount();
    m_list->insertRow(row);
    auto* number = new QTableWidgetItem(QString::number(row + 1));
    number->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    number->setCheckState(Qt::Unchecked);
    m_list->setItem(row, kNumberColumn, number);
    auto* pathItem = new QTableWidgetItem(path);
    pathItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    pathItem->setToolTip(path);
    m_list->setItem(row, kPathColumn, pathItem);
}

void RecentFilesDialog::deleteChecked()
{
    QStringList removed;
    for (int row = m_list->rowCount() - 1; row >= 0; --row) {
        if (m_list->item(row, kNumberColumn)->checkState() != Qt::Checked)
            continue;
        removed << m_list->item(row, kPathColumn)->text();
        m_list->removeRow(row);
    }
    if (removed.isEmpty())
        return;
    // By path rather than by position: the rows and the stored list are the
    // same list, but a path cannot point at the wrong entry.
    RemoveRecentFiles(m_settings, removed);
    renumber();
    emit recentFilesChanged();
}

void RecentFilesDialog::deleteAll()
{
    m_settings.setRecentFiles({});
    m_list->setRowCount(0);
    emit recentFilesChanged();
}

void RecentFilesDialog::renumber()
{
    for (int row = 0; row < m_list->rowCount(); ++row)
        m_list->item(row, kNumberColumn)->setText(QString::number(row + 1));
}

void RecentFilesDialog::showFolderOfRow(int row)
{
    if (row < 0 || row >= m_list->rowCount())
        return;
    ShowFolderInExplorer(m_list->item(row, kPathColumn)->text(), this);
}

} // namespace vq
