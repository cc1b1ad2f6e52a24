#pragma once
// The application object. Every command handler catches its own failures;
// this is the last guard, so that no exception ever unwinds through the
// event loop: whatever reaches it is shown, and the program goes on.

#include "model/user_io.h"

#include <QApplication>

namespace korvex {

class KorvexApplication : public QApplication {
public:
    KorvexApplication(int& argc, char** argv);
    // Where escaped failures are shown; a plain message box until set.
    void setErrorPrompts(Prompts* prompts) { prompts_ = prompts; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    Prompts* prompts_ = nullptr;
};

}  // namespace korvex
