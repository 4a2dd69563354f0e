#pragma once

#include <memory>

#include <QCoreApplication>

namespace kelvista::replaycli {

// The application object for a run of the tool. Commands that draw text (the contact sheet) need
// the font database of a QGuiApplication; the tool never opens a window, so that one runs on the
// offscreen platform unless QT_QPA_PLATFORM says otherwise. Every other command gets a plain
// QCoreApplication and starts without any platform plugin.
std::unique_ptr<QCoreApplication> CreateToolApplication(int& argc, char** argv);

}  // namespace kelvista::replaycli
