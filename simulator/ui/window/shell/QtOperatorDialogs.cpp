#include "QtOperatorDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStringList>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = Q(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& pattern = parts[i + 1];
        filters << (description.contains(QLatin1Char('(')) ? description : description + " (" + pattern + ")");
    }
    return filters.join(QStringLiteral(";;"));
}

QString FilterExtension(const QString& qtFilter) {
    static const QRegularExpression pattern(QStringLiteral(R"(\(\*\.([A-Za-z0-9_]+)[;) ])"));
    const QRegularExpressionMatch match = pattern.match(qtFilter);
    return match.hasMatch() ? match.captured(1) : QString();
}

std::optional<std::string> QtOperatorDialogs::OpenFile(const FileDialogRequest& request) {
    QFileDialog dialog(parent_, title_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QtFileFilter(request.Filter));
    if (!request.DefaultExtension.empty()) dialog.setDefaultSuffix(Q(request.DefaultExtension).remove(0, 1));
    if (!request.FileName.empty()) dialog.selectFile(Q(request.FileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> QtOperatorDialogs::SaveFile(const FileDialogRequest& request) {
    QFileDialog dialog(parent_, title_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QtFileFilter(request.Filter));
    QString suffix = Q(request.DefaultExtension);
    if (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    // A name typed without an extension takes the one of the file type chosen.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, suffix](const QString& filter) {
        const QString extension = FilterExtension(filter);
        dialog.setDefaultSuffix(extension.isEmpty() ? suffix : extension);
    });
    if (!request.FileName.empty()) dialog.selectFile(Q(request.FileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().front();
    if (!QFileInfo::exists(chosen) &&
        QMessageBox::question(parent_, title_, chosen + "\nThis file does not exist.\nDo you want to create it?",
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return std::nullopt;
    return chosen.toStdString();
}

void QtOperatorDialogs::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, title_, Q(text), QMessageBox::Ok, parent_);
    box.exec();
}

void QtOperatorDialogs::Warning(const std::string& text) {
    QMessageBox::warning(parent_, title_, Q(text), QMessageBox::Ok);
}

std::optional<std::string> QtOperatorDialogs::InputBox(const std::string& title, const std::string& prompt,
                                                       const std::string& preset) {
    bool ok = false;
    const QString answer = QInputDialog::getText(parent_, Q(title), Q(prompt), QLineEdit::Normal, Q(preset), &ok);
    if (!ok) return std::nullopt;
    return answer.toStdString();
}

bool QtOperatorDialogs::Confirm(const std::string& question) {
    return QMessageBox::question(parent_, title_, Q(question), QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}
