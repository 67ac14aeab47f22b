#pragma once

#include <QStyledItemDelegate>

// Draws cells as usual; a cell too narrow for its text shows the whole text as its tool tip,
// since a cut figure ("50,0% (50000000…") reads as another magnitude.
class WholeTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Whether the cell, drawn in `option.rect`, cuts its text.
    bool isCut(const QStyleOptionViewItem &option, const QModelIndex &index) const;

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;
};
