// Fields and what tables and queries share.

#include "store/TableEngine.h"

#include <QLocale>

#include <exception>
#include <limits>

namespace tarvex {

namespace {

bool IsWholeNumberType(const QVariant& v) {
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
std::optional<qint64> WholeNumber(const QVariant& v) {
    bool ok = false;
    qint64 n = 0;
    if (IsWholeNumberType(v)) {
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

bool FitsInt32(qint64 n) {
    return n >= std::numeric_limits<qint32>::min() && n <= std::numeric_limits<qint32>::max();
}

} // namespace

// ---- TField ----------------------------------------------------------------

TField::TField(TDataSet* owner, int index, QString name, TFieldType type, int size, bool required)
    : m_owner(owner), m_index(index), m_name(std::move(name)), m_type(type), m_size(size),
      m_required(required) {}

int TField::DisplayWidth() const {
    switch (m_type) {
    case TFieldType::ftString:
        return m_size > 0 ? m_size : 20;
    case TFieldType::ftInteger:
        return 11;
    case TFieldType::ftDate:
        return 10;
    case TFieldType::ftFloat:
        return 15;
    case TFieldType::ftUnknown:
        break;
    }
    return 20;
}

QVariant TField::Value() const {
    return m_owner->CurrentValue(m_index);
}

QString TField::TextOf(const QVariant& value) const {
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDate:
        return QLocale().toString(value.toDate(), QLocale::ShortFormat);
    case QMetaType::Double:
        return QLocale().toString(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    default:
        if (IsWholeNumberType(value))
            return QString::number(value.toLongLong());
        return value.toString();
    }
}

qint64 TField::AsLargeInt() const {
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    if (const auto n = WholeNumber(v))
        return *n;
    throw DatabaseError(
        QStringLiteral("'%1' is not a whole number (field %2)").arg(TextOf(v), m_name));
}

qint32 TField::AsInteger() const {
    const qint64 n = AsLargeInt();
    if (!FitsInt32(n))
        throw DatabaseError(
            QStringLiteral("%1 is out of the 32-bit range (field %2)").arg(n).arg(m_name));
    return static_cast<qint32>(n);
}

QDate TField::AsDate() const {
    const QVariant v = Value();
    if (v.isNull())
        return QDate();
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    throw DatabaseError(QStringLiteral("'%1' is not a date (field %2)").arg(TextOf(v), m_name));
}

void TField::SetValue(const QVariant& value) {
    const auto invalid = [&] {
        return DatabaseError(
            QStringLiteral("'%1' is not a valid value for field %2").arg(value.toString(), m_name));
    };
    m_owner->CheckModifiable();
    QVariant logical;
    if (!value.isNull()) {
        switch (m_type) {
        case TFieldType::ftInteger: {
            const auto n = WholeNumber(value);
            if (!n || !FitsInt32(*n))
                throw invalid();
            logical = QVariant(static_cast<qint32>(*n));
            break;
        }
        case TFieldType::ftString:
            logical = QVariant(value.toString());
            break;
        case TFieldType::ftDate: {
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
        case TFieldType::ftFloat: {
            bool ok = false;
            const double d = value.toDouble(&ok);
            if (!ok)
                throw invalid();
            logical = QVariant(d);
            break;
        }
        case TFieldType::ftUnknown:
            logical = value;
            break;
        }
    }
    m_owner->SetCurrentValue(m_index, logical);
}

// ---- TDataSet --------------------------------------------------------------

TDataSet::TDataSet(QObject* parent) : QObject(parent) {}

TDataSet::~TDataSet() = default;

void TDataSet::SetDatabaseName(const QString& alias) {
    CheckInactive();
    m_databaseName = alias;
}

void TDataSet::Open() {
    if (Active())
        return;
    try {
        InternalOpen();
    } catch (...) {
        InternalClose();
        m_fields.clear();
        m_bof = m_eof = true;
        throw;
    }
    m_state = TDataSetState::dsBrowse;
    NotifyChanged();
}

void TDataSet::Close() {
    if (!Active())
        return;
    std::exception_ptr failure;
    try {
        BeforeClose();
    } catch (...) {
        failure = std::current_exception();
    }
    InternalClose();
    m_fields.clear();
    m_state = TDataSetState::dsInactive;
    m_bof = m_eof = true;
    NotifyChanged();
    if (failure)
        std::rethrow_exception(failure);
}

void TDataSet::SetActive(bool active) {
    if (active)
        Open();
    else
        Close();
}

TField& TDataSet::Fields(int index) {
    if (index < 0 || index >= FieldCount())
        throw DatabaseError(QStringLiteral("Field index %1 out of range").arg(index));
    return *m_fields[static_cast<std::size_t>(index)];
}

TField* TDataSet::FindField(const QString& name) {
    for (const auto& f : m_fields)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

TField& TDataSet::FieldByName(const QString& name) {
    if (TField* f = FindField(name))
        return *f;
    throw DatabaseError(QStringLiteral("Field '%1' not found").arg(name));
}

void TDataSet::DisableControls() {
    ++m_disableCount;
}

void TDataSet::EnableControls() {
    if (m_disableCount == 0 || --m_disableCount > 0)
        return;
    const bool changed = std::exchange(m_pendingChange, false);
    const bool scrolled = std::exchange(m_pendingScroll, false);
    if (changed)
        emit DataSetChanged();
    else if (scrolled)
        emit Scrolled();
}

void TDataSet::CheckModifiable() const {
    throw DatabaseError(QStringLiteral("Cannot modify a read-only data set"));
}

void TDataSet::SetCurrentValue(int, const QVariant&) {
    CheckModifiable();
}

void TDataSet::AddField(const QString& name, TFieldType type, int size, bool required) {
    m_fields.push_back(std::unique_ptr<TField>(
        new TField(this, static_cast<int>(m_fields.size()), name, type, size, required)));
}

void TDataSet::CheckActive() const {
    if (!Active())
        throw DatabaseError(QStringLiteral("Cannot perform this operation on a closed data set"));
}

void TDataSet::CheckInactive() const {
    if (Active())
        throw DatabaseError(QStringLiteral("Cannot perform this operation on an open data set"));
}

void TDataSet::NotifyScrolled() {
    if (m_disableCount > 0)
        m_pendingScroll = true;
    else
        emit Scrolled();
}

void TDataSet::NotifyChanged() {
    if (m_disableCount > 0)
        m_pendingChange = true;
    else
        emit DataSetChanged();
}

} // namespace tarvex
