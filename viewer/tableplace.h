#pragma once

#include <QString>

class QTreeView;

// Where the user is in the results table: the selected row, by its region name, and how far the
// table is scrolled. Kept across a refresh that had to rebuild the rows.
class TablePlace
{
public:
    explicit TablePlace(const QTreeView &table);

    // Selects and makes current the first row of the same name, if there is one, and scrolls back.
    void restore(QTreeView &table) const;

private:
    QString m_selectedName;
    bool m_selected = false;
    int m_vertical = 0;
    int m_horizontal = 0;
};
