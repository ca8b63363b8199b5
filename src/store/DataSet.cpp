// Fields and what tables and queries share.

#include "store/DataSet.h"

#include <QLocale>

#include <exception>
#include <limits>
#include <utility>

namespace tarvex {

namespace {

bool isWholeNumberType(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

// The whole number in v, if it holds one.
std::optional<qint64> wholeNumber(const QVariant& v) {
    bool ok = false;
    qint64 n = 0;
    if (isWholeNumberType(v)) {
        n = v.toLongLong(&ok);
    } else if (v.typeId() == QMetaType::Double) {
        const double d = v.toDouble();
        if (d >= -9.2e18 && d <= 9.2e18 && d == static_cast<double>(static_cast<qint64>(d))) {
            n = static_cast<qint64>(d);
            ok = true;
        }
    } else if (v.typeId() == QMetaType::QString) {
        n = v.toString().trimmed().toLongLong(&ok);
    }
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

bool fitsInt32(qint64 n) {
    return n >= std::numeric_limits<qint32>::min() && n <= std::numeric_limits<qint32>::max();
}

} // namespace

// ---- Field ----------------------------------------------------------------

Field::Field(DataSet* owner, int index, QString name, FieldType type, int size, bool required)
    : m_owner(owner), m_index(index), m_name(std::move(name)), m_type(type), m_size(size),
      m_required(required) {}

int Field::displayWidth() const {
    switch (m_type) {
    case FieldType::String:
        return m_size > 0 ? m_size : 20;
    case FieldType::Integer:
        return 11;
    case FieldType::Date:
        return 10;
    case FieldType::Float:
        return 15;
    case FieldType::Unknown:
        break;
    }
    return 20;
}

QVariant Field::value() const {
    return m_owner->currentValue(m_index);
}

QString Field::textOf(const QVariant& value) const {
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDate:
        return QLocale().toString(value.toDate(), QLocale::ShortFormat);
    case QMetaType::Double:
        return QLocale().toString(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    default:
        if (isWholeNumberType(value))
            return QString::number(value.toLongLong());
        return value.toString();
    }
}

qint64 Field::toLongLong() const {
    const QVariant v = value();
    if (v.isNull())
        return 0;
    if (const auto n = wholeNumber(v))
        return *n;
    throw DatabaseError(
        QStringLiteral("'%1' is not a whole number (field %2)").arg(textOf(v), m_name));
}

qint32 Field::toInt() const {
    const qint64 n = toLongLong();
    if (!fitsInt32(n))
        throw DatabaseError(
            QStringLiteral("%1 is out of the 32-bit range (field %2)").arg(n).arg(m_name));
    return static_cast<qint32>(n);
}

QDate Field::toDate() const {
    const QVariant v = value();
    if (v.isNull())
        return QDate();
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    throw DatabaseError(QStringLiteral("'%1' is not a date (field %2)").arg(textOf(v), m_name));
}

void Field::setValue(const QVariant& value) {
    const auto invalid = [&] {
        return DatabaseError(
            QStringLiteral("'%1' is not a valid value for field %2").arg(value.toString(), m_name));
    };
    m_owner->checkModifiable();
    QVariant logical;
    if (!value.isNull()) {
        switch (m_type) {
        case FieldType::Integer: {
            const auto n = wholeNumber(value);
            if (!n || !fitsInt32(*n))
                throw invalid();
            logical = QVariant(static_cast<qint32>(*n));
            break;
        }
        case FieldType::String:
            logical = QVariant(value.toString());
            break;
        case FieldType::Date: {
            QDate d;
            if (value.typeId() == QMetaType::QDate)
                d = value.toDate();
            else if (value.typeId() == QMetaType::QDateTime)
                d = value.toDateTime().date();
            else if (value.typeId() == QMetaType::QString)
                d = QDate::fromString(value.toString().trimmed(), Qt::ISODate);
            else
                throw invalid();
            if (!d.isValid() && value.typeId() == QMetaType::QString)
                throw invalid();
            if (d.isValid())
                logical = QVariant(d);
            break;
        }
        case FieldType::Float: {
            bool ok = false;
            const double d = value.toDouble(&ok);
            if (!ok)
                throw invalid();
            logical = QVariant(d);
            break;
        }
        case FieldType::Unknown:
            logical = value;
            break;
        }
    }
    m_owner->setCurrentValue(m_index, logical);
}

// ---- DataSet --------------------------------------------------------------

DataSet::DataSet(QObject* parent) : QObject(parent) {}

DataSet::~DataSet() = default;

void DataSet::setAlias(const QString& alias) {
    checkInactive();
    m_alias = alias;
}

void DataSet::open() {
    if (isActive())
        return;
    try {
        internalOpen();
    } catch (...) {
        internalClose();
        m_fields.clear();
        m_atStart = m_atEnd = true;
        throw;
    }
    m_state = DataSetState::Browse;
    notifyChanged();
}

void DataSet::close() {
    if (!isActive())
        return;
    std::exception_ptr failure;
    try {
        beforeClose();
    } catch (...) {
        failure = std::current_exception();
    }
    internalClose();
    m_fields.clear();
    m_state = DataSetState::Inactive;
    m_atStart = m_atEnd = true;
    notifyChanged();
    if (failure)
        std::rethrow_exception(failure);
}

void DataSet::setActive(bool active) {
    if (active)
        open();
    else
        close();
}

Field& DataSet::field(int index) {
    if (index < 0 || index >= fieldCount())
        throw DatabaseError(QStringLiteral("Field index %1 out of range").arg(index));
    return *m_fields[static_cast<std::size_t>(index)];
}

Field* DataSet::findField(const QString& name) {
    for (const auto& f : m_fields)
        if (f->name().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

Field& DataSet::fieldByName(const QString& name) {
    if (Field* f = findField(name))
        return *f;
    throw DatabaseError(QStringLiteral("Field '%1' not found").arg(name));
}

void DataSet::disableControls() {
    ++m_disableCount;
}

void DataSet::enableControls() {
    if (m_disableCount == 0 || --m_disableCount > 0)
        return;
    const bool changed = std::exchange(m_pendingChange, false);
    const bool moved = std::exchange(m_pendingScroll, false);
    if (changed)
        emit dataSetChanged();
    else if (moved)
        emit scrolled();
}

void DataSet::checkModifiable() const {
    throw DatabaseError(QStringLiteral("Cannot modify a read-only data set"));
}

void DataSet::setCurrentValue(int, const QVariant&) {
    checkModifiable();
}

void DataSet::addField(const QString& name, FieldType type, int size, bool required) {
    m_fields.push_back(std::unique_ptr<Field>(
        new Field(this, static_cast<int>(m_fields.size()), name, type, size, required)));
}

void DataSet::checkActive() const {
    if (!isActive())
        throw DatabaseError(QStringLiteral("Cannot perform this operation on a closed data set"));
}

void DataSet::checkInactive() const {
    if (isActive())
        throw DatabaseError(QStringLiteral("Cannot perform this operation on an open data set"));
}

void DataSet::notifyScrolled() {
    if (m_disableCount > 0)
        m_pendingScroll = true;
    else
        emit scrolled();
}

void DataSet::notifyChanged() {
    if (m_disableCount > 0)
        m_pendingChange = true;
    else
        emit dataSetChanged();
}

} // namespace tarvex
