// The program's failures. Each is an Error, whose what() is the UTF-8 text
// the operator reads; they are thrown where an operation fails and shown where
// the failure reaches the operator (in the end by the application's default
// exception display).
#pragma once

#include <QString>

#include <stdexcept>
#include <string>

namespace tarvex {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
    explicit Error(const char* message) : std::runtime_error(message) {}
    explicit Error(const QString& message) : std::runtime_error(message.toStdString()) {}

    // The message as the operator reads it.
    QString message() const { return QString::fromUtf8(what()); }
};

// A failure of the table engine: its configuration, a table file or a
// statement.
class DatabaseError : public Error {
public:
    using Error::Error;
};

// The reading table's data directory cannot be created.
class StoreSetupError : public Error {
public:
    using Error::Error;
};

// A widget property was given a value outside its range.
class RangeError : public Error {
public:
    using Error::Error;
};

// A text could not be converted to a number.
class ConversionError : public Error {
public:
    using Error::Error;
};

// The spreadsheet application cannot be started or driven.
class SpreadsheetError : public Error {
public:
    using Error::Error;
};

// A report cannot be printed: the printer (or the PDF file) cannot be painted
// on, or a page cannot be started.
class PrintError : public Error {
public:
    using Error::Error;
};

// A file cannot be written out (a Battery Data Format file, say): the
// message names the file and the reason.
class ExportError : public Error {
public:
    using Error::Error;
};

} // namespace tarvex
