#pragma once

#include "raisederror.h"

#include <QString>

class QMessageBox;
class QWidget;

// The one place a failure reaches the user, as plain text: service descriptions must never be
// read as markup. In the window it is one box, modal to the window only and never waited for, so
// the window's timer goes on refreshing while the box is up.
class ErrorBox
{
public:
    // The box is made at the first failure, a child of the window, which owns it.
    explicit ErrorBox(QWidget *window) : m_window(window) {}

    // Opens the box for the failure, or, when it is already open, puts this failure in place of
    // the one it shows: never a second box.
    void report(const soap::RaisedError &error);
    // Closes the box if it is open: what it reported is over.
    void dismiss();

    // The description first (at most 15 lines and 1,000 characters of it); the number in decimal
    // and hexadecimal and the source on lines of their own after it.
    static QString text(const soap::RaisedError &error);
    // For a failure before there is a window: returns when the user has closed the box.
    static void showAndWait(const soap::RaisedError &error);

private:
    bool isOpen() const;

    QWidget *m_window;
    QMessageBox *m_box = nullptr;
};
