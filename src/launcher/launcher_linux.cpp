#include "launcher/launcher.h"

#include <fcntl.h>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <unistd.h>

#include <memory>
#include <optional>

#include "launcher/browser_command.h"
#include "system/shared_library.h"

namespace nolvetta::launcher {

namespace {

template <typename T>
using GOwned = std::unique_ptr<T, decltype(&g_free)>;

// GIO is loaded at the first request, not at start-up: a run that opens
// nothing pays neither for loading it nor for unloading it.
struct Gio {
    decltype(&g_app_info_get_default_for_uri_scheme) defaultForScheme;
    decltype(&g_app_info_get_default_for_type) defaultForType;
    decltype(&g_app_info_get_commandline) commandLine;
    decltype(&g_desktop_app_info_get_type) desktopAppInfoType;
    decltype(&g_desktop_app_info_launch_uris_as_manager_with_fds) launch;
    decltype(&g_type_check_instance_is_a) isA;
    decltype(&g_object_unref) unref;
};

// Nothing when the library is not installed: then no browser can be started.
const Gio* gio() {
    static const std::optional<Gio> loaded = []() -> std::optional<Gio> {
        const system::SharedLibrary library("libgio-2.0.so.0");
        Gio g{};
        if (library.find("g_app_info_get_default_for_uri_scheme", g.defaultForScheme) &&
            library.find("g_app_info_get_default_for_type", g.defaultForType) &&
            library.find("g_app_info_get_commandline", g.commandLine) &&
            library.find("g_desktop_app_info_get_type", g.desktopAppInfoType) &&
            library.find("g_desktop_app_info_launch_uris_as_manager_with_fds", g.launch) &&
            library.find("g_type_check_instance_is_a", g.isA) &&
            library.find("g_object_unref", g.unref)) {
            return g;
        }
        return std::nullopt;
    }();
    return loaded ? &*loaded : nullptr;
}

struct Unref {
    void operator()(gpointer object) const { gio()->unref(object); }
};
using AppInfo = std::unique_ptr<GAppInfo, Unref>;

enum class Handler { Browser, MailProgram };

// The mail program is the desktop's handler for mailto; the browser is its
// handler for the URL's scheme, else its handler for web pages. Looked up at
// each request: a program changed meanwhile is the one used.
AppInfo handlerFor(const char* url, Handler handler) {
    const Gio* g = gio();
    if (!g) {
        return nullptr;
    }
    if (handler == Handler::MailProgram) {
        return AppInfo(g->defaultForScheme("mailto"));
    }
    GOwned<char> scheme(g_uri_parse_scheme(url), &g_free);
    AppInfo info(scheme ? g->defaultForScheme(scheme.get()) : nullptr);
    if (!info) {
        info.reset(g->defaultForType("text/html", FALSE));
    }
    return info;
}

// In the browser's process, before it runs: a session of its own, so that
// closing the terminal that started the program leaves the browser open.
void ownSession(gpointer) {
    ::setsid();
}

// The browser is this program's child: started with one fork, not two,
// which is what makes a click quick, and reaped by GLib when it ends.
void reapWhenDone(GDesktopAppInfo*, GPid pid, gpointer) {
    g_child_watch_add(
        pid, [](GPid ended, gint, gpointer) { g_spawn_close_pid(ended); }, nullptr);
}

class LinuxLauncher final : public Launcher {
public:
    std::u16string browserCommand() const override {
        const AppInfo info = handlerFor("https:", Handler::Browser);
        const char* commandLine = info ? gio()->commandLine(info.get()) : nullptr;
        GOwned<gunichar2> text(
            commandLine ? g_utf8_to_utf16(commandLine, -1, nullptr, nullptr, nullptr) : nullptr,
            &g_free);
        return text ? std::u16string(reinterpret_cast<const char16_t*>(text.get())) : u"";
    }

    bool open(std::u16string_view url) override { return launch(url, Handler::Browser); }

    bool openMail(std::u16string_view mailto) override {
        return isMailtoUrl(mailto) && launch(mailto, Handler::MailProgram);
    }

private:
    // GIO starts the desktop entry's whole command line, field codes, Flatpak
    // and env wrappers included, with no shell: the URL stays one argument.
    static bool launch(std::u16string_view url, Handler handler) {
        GOwned<gchar> utf8(
            g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(url.data()),
                            static_cast<glong>(url.size()), nullptr, nullptr, nullptr),
            &g_free);
        if (isRefusedUrl(url) || !utf8) {
            return false;  // an option, or not text at all (a lone surrogate)
        }
        const AppInfo info = handlerFor(utf8.get(), handler);
        if (!info || !gio()->isA(reinterpret_cast<GTypeInstance*>(info.get()),
                                 gio()->desktopAppInfoType())) {
            return false;
        }
        GList uris{utf8.get(), nullptr, nullptr};
        // Its standard streams are none of the program's business, and GLib
        // closes every other descriptor.
        const int nothing = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        const bool started = gio()->launch(
            reinterpret_cast<GDesktopAppInfo*>(info.get()), &uris, nullptr,
            static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD), ownSession,
            nullptr, reapWhenDone, nullptr, nothing, nothing, nothing, nullptr);
        ::close(nothing);
        return started;
    }
};

}  // namespace

std::unique_ptr<Launcher> makeSystemLauncher() {
    return std::make_unique<LinuxLauncher>();
}

}  // namespace nolvetta::launcher
