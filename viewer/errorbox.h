#pragma once

#include "raisederror.h"

#include <QString>

class QWidget;

// The one place a failure reaches the user: a modal box captioned with the application title.
class ErrorBox
{
public:
    // The error's number in decimal and hexadecimal, its source and its description.
    static QString text(const soap::RaisedError &error);
    // Returns when the user has closed the box. Everything in it is plain text: descriptions come
    // from the service and must never be read as markup.
    static void show(QWidget *parent, const soap::RaisedError &error);
};
