#pragma once

#include "servicesettings.h"

#include <memory>

class Form1;

// The program's start: the window is made, loaded while hidden, and shown only when loading
// succeeded. Shared by the program and the start-up benchmark so both measure the same path.
class Startup
{
public:
    static constexpr int FailureExitCode = 1;

    explicit Startup(ServiceSettings settings = ServiceSettings());
    ~Startup();

    Startup(const Startup &) = delete;
    Startup &operator=(const Startup &) = delete;

    // False when loading failed: the error box has been shown and closed, and the window was
    // never shown.
    bool run();
    // The whole program: run(), then the window's events until it is closed. Returns the
    // process's exit status, FailureExitCode when loading failed.
    int exec();

    Form1 &window() const;

private:
    std::unique_ptr<Form1> m_window;
};
