#include "startup.h"

#include "errorbox.h"
#include "form1.h"
#include "raisederror.h"

#include <QApplication>

Startup::Startup(ServiceSettings settings)
    : m_window(std::make_unique<Form1>(std::move(settings)))
{
}

Startup::~Startup() = default;

bool Startup::run()
{
    try {
        m_window->Form_Load();
    } catch (const soap::RaisedError &error) {
        ErrorBox::showAndWait(error);
        return false;
    }
    m_window->show();
    return true;
}

int Startup::exec()
{
    if (!run())
        return FailureExitCode;
    return QApplication::exec();
}

Form1 &Startup::window() const
{
    return *m_window;
}
