#include "tableplace.h"

#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTreeView>

TablePlace::TablePlace(const QTreeView &table)
    : m_vertical(table.verticalScrollBar()->value())
    , m_horizontal(table.horizontalScrollBar()->value())
{
    const QModelIndexList rows = table.selectionModel()->selectedRows();
    if (!rows.isEmpty()) {
        m_selected = true;
        m_selectedName = rows.first().data().toString();
    }
}

void TablePlace::restore(QTreeView &table) const
{
    if (m_selected) {
        const QAbstractItemModel *model = table.model();
        const QModelIndexList found = model->match(model->index(0, 0), Qt::DisplayRole,
                                                   m_selectedName, 1,
                                                   Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (!found.isEmpty()) {
            table.selectionModel()->setCurrentIndex(
                found.first(), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
    }
    // The rows are laid out before the scroll bars know their new range.
    table.doItemsLayout();
    table.verticalScrollBar()->setValue(m_vertical);
    table.horizontalScrollBar()->setValue(m_horizontal);
}
