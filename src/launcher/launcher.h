#pragma once

#include <memory>
#include <string>
#include <string_view>

// How the program opens a URL in the user's browser or mail program.
namespace nolvetta::launcher {

class Launcher {
public:
    virtual ~Launcher() = default;

    // What starts the browser, for people to read: the executable's path and
    // one blank on Windows, the desktop entry's command line on Linux; empty
    // when there is no usable browser.
    virtual std::u16string browserCommand() const = 0;

    // Starts the browser with `url` as its one argument and returns at once,
    // true when the browser process was started. Nothing is started for an
    // empty browser command or a refused URL.
    virtual bool open(std::u16string_view url) = 0;

    // Starts the desktop's mail program with `mailto` as its one argument and
    // returns at once, true when it was started. Nothing is started for
    // anything but a mailto: URL.
    virtual bool openMail(std::u16string_view mailto) = 0;
};

// The desktop's default browser and mail program, looked up at each request.
std::unique_ptr<Launcher> makeSystemLauncher();

}  // namespace nolvetta::launcher
