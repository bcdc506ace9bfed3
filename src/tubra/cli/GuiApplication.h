#pragma once

#include <memory>

#include <QGuiApplication>

namespace tubra::cli {

// The application object that fonts need, for commands that draw. Without a display it runs
// on the offscreen platform; without a session it gets a private runtime directory of its
// own. Null when the process already has an application object.
std::unique_ptr<QGuiApplication> guiApplication();

}  // namespace tubra::cli
