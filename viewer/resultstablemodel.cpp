#include "resultstablemodel.h"

#include <utility>

namespace {

const std::array<QString, ResultsTableModel::ColumnCount> &headers()
{
    static const std::array<QString, ResultsTableModel::ColumnCount> texts = {
        QStringLiteral("Område"),     QStringLiteral("JA"),
        QStringLiteral("NEJ"),        QStringLiteral("BLANK"),
        QStringLiteral("Ogiltliga"),  QStringLiteral("Deltagande"),
        QStringLiteral("Distrikt klara"), QStringLiteral("Distrikt antal"),
    };
    return texts;
}

constexpr Qt::Alignment LeftAligned = Qt::AlignLeft | Qt::AlignVCenter;

} // namespace

ResultsTableModel::ResultsTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int ResultsTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ResultsTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultsTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()) || index.column() >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_rows[std::size_t(index.row())][std::size_t(index.column())];
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(LeftAligned);
    default:
        return {};
    }
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return headers()[std::size_t(section)];
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(LeftAligned);
    default:
        return {};
    }
}

Qt::ItemFlags ResultsTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void ResultsTableModel::appendRow(Row row)
{
    const int at = int(m_rows.size());
    beginInsertRows(QModelIndex(), at, at);
    m_rows.push_back(std::move(row));
    endInsertRows();
}

void ResultsTableModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}
