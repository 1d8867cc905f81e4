#include "launcher/launcher.h"

#include <fcntl.h>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <unistd.h>

#include <memory>

#include "launcher/browser_command.h"

namespace nolvetta::launcher {

namespace {

template <typename T>
using GOwned = std::unique_ptr<T, decltype(&g_free)>;

struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using AppInfo = std::unique_ptr<GAppInfo, Unref>;

// The desktop's handler for the URL's scheme, else its handler for web pages.
// Looked up at each request: a browser changed meanwhile is the one used.
AppInfo defaultBrowser(const char* url) {
    GOwned<char> scheme(g_uri_parse_scheme(url), &g_free);
    AppInfo info(scheme ? g_app_info_get_default_for_uri_scheme(scheme.get()) : nullptr);
    if (!info) {
        info.reset(g_app_info_get_default_for_type("text/html", FALSE));
    }
    return info;
}

// In the browser's process, before it runs: a session of its own, so that
// closing the terminal that started the program leaves the browser open.
void ownSession(gpointer) {
    ::setsid();
}

class LinuxLauncher final : public Launcher {
public:
    std::u16string browserCommand() const override {
        const AppInfo info = defaultBrowser("https:");
        const char* commandLine = info ? g_app_info_get_commandline(info.get()) : nullptr;
        GOwned<gunichar2> text(
            commandLine ? g_utf8_to_utf16(commandLine, -1, nullptr, nullptr, nullptr) : nullptr,
            &g_free);
        return text ? std::u16string(reinterpret_cast<const char16_t*>(text.get())) : u"";
    }

    // GIO starts the desktop entry's whole command line, field codes, Flatpak
    // and env wrappers included, with no shell: the URL stays one argument.
    bool open(std::u16string_view url) override {
        GOwned<gchar> utf8(
            g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(url.data()),
                            static_cast<glong>(url.size()), nullptr, nullptr, nullptr),
            &g_free);
        if (isRefusedUrl(url) || !utf8) {
            return false;  // an option, or not text at all (a lone surrogate)
        }
        const AppInfo info = defaultBrowser(utf8.get());
        if (!info || !G_IS_DESKTOP_APP_INFO(info.get())) {
            return false;
        }
        GList uris{utf8.get(), nullptr, nullptr};
        // Its standard streams are none of the browser's business; GLib
        // closes every other descriptor and reaps what it starts.
        const int nothing = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        const bool started = g_desktop_app_info_launch_uris_as_manager_with_fds(
            G_DESKTOP_APP_INFO(info.get()), &uris, nullptr, G_SPAWN_SEARCH_PATH, ownSession,
            nullptr, nullptr, nullptr, nothing, nothing, nothing, nullptr);
        ::close(nothing);
        return started;
    }
};

}  // namespace

std::unique_ptr<Launcher> makeSystemLauncher() {
    return std::make_unique<LinuxLauncher>();
}

}  // namespace nolvetta::launcher
