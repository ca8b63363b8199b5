// Saving a run as a Battery Data Format file from a window: the query window
// (a run chosen) and the runs list share it.
#pragma once

#include "store/RunRecord.h"

#include <QString>

class QWidget;

namespace tarvex {

// What wrote the files: this program (QCoreApplication's name, "Tarvex"
// when it has none) and its version, with the run's port and poll interval.
struct BdfEquipment;
BdfEquipment programEquipment();

// "Save as BDF…": asks for a file (askSaveFileName, proposing bdfFileName()
// in directory, which then becomes the directory of the chosen file; ".csv"
// is added to a name without a suffix), reads the run's readings from the
// store and writes them (writeBatteryDataFile), showing the progress of both
// with Cancel once it takes a while. A failure to read or write shows a
// warning with the reason. Returns true when the files were written. Window
// thread.
bool saveRunAsBdf(QWidget* parent, const RunRecord& run, QString& directory);

} // namespace tarvex
