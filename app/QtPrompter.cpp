#include "app/QtPrompter.h"

#include "base/Messages.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace vq {

namespace {
QWidget* ownerWidget(QObject* owner)
{
    if (auto* w = qobject_cast<QWidget*>(owner))
        return w;
    return QApplication::activeWindow();
}
} // namespace

int QtPrompter::message(const MessageRequest& request)
{
    QMessageBox box(ownerWidget(request.owner));
    box.setWindowTitle(QString::fromLatin1(kAppName));
    box.setText(request.fullText());
    switch (request.style & 0xF0) {
    case 0x10: box.setIcon(QMessageBox::Critical); break;
    case 0x20: box.setIcon(QMessageBox::Question); break;
    case 0x30: box.setIcon(QMessageBox::Warning); break;
    case 0x40: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (request.style & 0x0F) {
    case 0x03: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    case 0x04: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case 0x01: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    // A question asked in the middle of a long job (a load, a download) is
    // answered with the ordinary pointer, not the job's wait cursor.
    const bool waiting = QGuiApplication::overrideCursor() != nullptr;
    if (waiting)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const int pressed = box.exec();
    if (waiting)
        QGuiApplication::restoreOverrideCursor();
    switch (pressed) {
    case QMessageBox::Yes: return kIdYes;
    case QMessageBox::No: return kIdNo;
    case QMessageBox::Cancel: return kIdCancel;
    default: return kIdOk;
    }
}

QStringList QtPrompter::openFiles(const FileRequest& r, bool multiple)
{
    QWidget* parent = ownerWidget(r.owner);
    if (multiple)
        return QFileDialog::getOpenFileNames(parent, r.title, r.directory, r.filter);
    const QString f = QFileDialog::getOpenFileName(parent, r.title, r.directory, r.filter);
    return f.isEmpty() ? QStringList() : QStringList{f};
}

SaveChoice QtPrompter::saveFile(const FileRequest& r)
{
    const QDir folder(r.directory.isEmpty() ? QDir::homePath() : r.directory);
    QFileDialog dialog(ownerWidget(r.owner), r.title, folder.path(), r.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!r.confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!r.selectedFilter.isEmpty())
        dialog.selectNameFilter(r.selectedFilter);
    if (!r.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(r.defaultSuffix);
    if (!r.suggestedName.isEmpty())
        dialog.selectFile(r.suggestedName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return SaveChoice{dialog.selectedFiles().value(0), dialog.selectedNameFilter()};
}

QString QtPrompter::chooseFolder(const QString& title, const QString& initial, QObject* owner)
{
    QFileDialog dialog(ownerWidget(owner), title, initial);
    dialog.setFileMode(QFileDialog::Directory);
    // Qt's own dialog, as a desktop's native one would drop the prompt.
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    // The field that takes the folder's name asks for it.
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("フォルダを指定してください"));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

QColor QtPrompter::chooseColor(const QColor& initial, QObject* owner)
{
    return QColorDialog::getColor(initial, ownerWidget(owner));
}

bool QtPrompter::printSetup(QPagedPaintDevice& device, QObject* owner)
{
    auto* printer = dynamic_cast<QPrinter*>(&device);
    if (!printer)
        return false;
    QPrintDialog dialog(printer, ownerWidget(owner));
    dialog.setWindowTitle(QStringLiteral("プリンタの設定"));
    // Pages and copies are the print dialog's own business.
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace vq
