#include "resultstablemodel.h"

#include <utility>

namespace {

const std::array<QString, ResultsTableModel::ColumnCount> &headers()
{
    static const std::array<QString, ResultsTableModel::ColumnCount> Texts = {
        QStringLiteral("Område"),     QStringLiteral("JA"),
        QStringLiteral("NEJ"),        QStringLiteral("BLANK"),
        QStringLiteral("Ogiltliga"),  QStringLiteral("Deltagande"),
        QStringLiteral("Distrikt klara"), QStringLiteral("Distrikt antal"),
    };
    return Texts;
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
    if (m_refreshing) {
        m_building.push_back(std::move(row));
        return;
    }
    const int at = int(m_rows.size());
    beginInsertRows(QModelIndex(), at, at);
    m_rows.push_back(std::move(row));
    endInsertRows();
}

void ResultsTableModel::clear()
{
    if (m_refreshing) {
        m_building.clear();
        return;
    }
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void ResultsTableModel::beginRefresh()
{
    m_building = m_rows;
    m_refreshing = true;
}

ResultsTableModel::Refresh ResultsTableModel::endRefresh(bool inPlace)
{
    m_refreshing = false;
    std::vector<Row> rows = std::exchange(m_building, {});
    if (inPlace && rows == m_rows)
        return Refresh::Unchanged;
    if (!inPlace || !sameRegions(rows)) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
        return Refresh::Rebuilt;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i] == m_rows[i])
            continue;
        m_rows[i] = std::move(rows[i]);
        Q_EMIT dataChanged(index(int(i), 0), index(int(i), ColumnCount - 1), {Qt::DisplayRole});
    }
    return Refresh::InPlace;
}

void ResultsTableModel::abandonRefresh()
{
    m_refreshing = false;
    m_building.clear();
}

bool ResultsTableModel::sameRegions(const std::vector<Row> &rows) const
{
    if (rows.size() != m_rows.size())
        return false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i][0] != m_rows[i][0])
            return false;
    }
    return true;
}
