// The program's modal file dialogs, behind a seam that tests replace so that
// they can choose a file name without a person.
#pragma once

#include <QFileDialog>
#include <QString>

#include <functional>

class QWidget;

namespace tarvex {

// What a save dialog is asked to show.
struct SaveFileRequest {
    QWidget* parent = nullptr;
    QString caption;
    // The directory the dialog opens in, with the file name it proposes.
    QString proposedPath;
    // Name filters, separated by ";;" ("CSV files (*.csv);;All files (*)").
    QString filter;
    // Added (without its dot) to a name chosen without a suffix, before the
    // dialog looks whether that file exists.
    QString defaultSuffix;
    // Without QFileDialog::DontConfirmOverwrite the dialog asks before it
    // accepts the name of a file that exists.
    QFileDialog::Options options;
};

// Asks for the name of a file to write with a modal save dialog
// (QFileDialog); returns the chosen path, or an empty text when the operator
// cancels.
QString askSaveFileName(const SaveFileRequest& request);

// Test seam. An asker set here answers every save dialog instead of a person
// and returns the chosen path (empty: cancelled); an empty asker restores the
// real dialog. Returns the asker it replaces.
using SaveFileNameAsker = std::function<QString(const SaveFileRequest&)>;
SaveFileNameAsker setSaveFileNameAsker(SaveFileNameAsker asker);

} // namespace tarvex
