#include "ui/FileDialogs.h"

#include <QFileInfo>

#include <utility>

namespace tarvex {

namespace {

SaveFileNameAsker& saveFileNameAsker() {
    static SaveFileNameAsker asker;
    return asker;
}

} // namespace

QString askSaveFileName(const SaveFileRequest& request) {
    if (saveFileNameAsker())
        return saveFileNameAsker()(request);

    const QFileInfo proposed(request.proposedPath);
    QFileDialog dialog(request.parent, request.caption, proposed.absolutePath(), request.filter);
    dialog.setObjectName(QStringLiteral("saveFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOptions(request.options);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.selectFile(proposed.fileName());
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

SaveFileNameAsker setSaveFileNameAsker(SaveFileNameAsker asker) {
    return std::exchange(saveFileNameAsker(), std::move(asker));
}

} // namespace tarvex
