#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <vector>

// The rows of the results table: eight texts each, shown exactly as given, in the order added.
class ResultsTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = 8;
    using Row = std::array<QString, ColumnCount>;

    explicit ResultsTableModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    void appendRow(Row row);
    void clear();

private:
    std::vector<Row> m_rows;
};
