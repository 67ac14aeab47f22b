#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <vector>

// The rows of the results table: eight texts each, shown exactly as given, in the order added.
// A refresh builds the new rows aside and puts them in at once, in place where it can, so that a
// view keeps its selection, current row and scroll position while the figures change.
class ResultsTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = 8;
    using Row = std::array<QString, ColumnCount>;
    enum class Refresh { Unchanged, InPlace, Rebuilt };

    explicit ResultsTableModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Between beginRefresh() and endRefresh() both work on the rows being built, not the shown.
    void appendRow(Row row);
    void clear();

    void beginRefresh();
    // Shows the rows built since beginRefresh(). With `inPlace`, rows that name the same regions
    // in the same order as the shown ones are changed where they stand, and nothing happens when
    // no text changed; otherwise the model is reset. Says which it was.
    Refresh endRefresh(bool inPlace);
    // Drops the rows built since beginRefresh(); the shown rows stay.
    void abandonRefresh();

private:
    bool sameRegions(const std::vector<Row> &rows) const;

    std::vector<Row> m_rows;
    std::vector<Row> m_building;
    bool m_refreshing = false;
};
