#include "wholetextdelegate.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

bool WholeTextDelegate::isCut(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // The size the style asks for the whole text, margins included, against the cell's width.
    return sizeHint(option, index).width() > option.rect.width();
}

bool WholeTextDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view,
                                  const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (!event || !view || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    if (index.isValid() && isCut(option, index)) {
        QToolTip::showText(event->globalPos(), index.data(Qt::DisplayRole).toString(),
                           view->viewport(), option.rect);
    } else {
        QToolTip::hideText();
    }
    return true;
}
