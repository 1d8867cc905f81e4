#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "form/newsletter_list.h"
#include "win32/posted_tasks.h"

struct IAccPropServices;

namespace nolvetta::win32 {

// The newsletter list's window, drawn with Win32: it shows what the list's
// behaviour (form::NewsletterList) decides and reports every act to it.
// A window of its own beside the main window, on top while that is: an
// owned one could not always leave the top by itself. Closing only hides
// it. Tab, Enter and the mnemonics are the dialog manager's: the thread's
// messages go through dispatch().
class ListWindow final : public form::ListView {
public:
    // Its parts, in tab order, each label just before the field it names.
    enum class Part {
        SourcesLabel,
        Sources,
        Scan,
        Cancel,
        Progress,
        FilterLabel,
        Filter,
        Sort,
        Rows,
        Status,
        Leave,
    };
    static constexpr std::size_t PartCount = 11;

    ListWindow(form::Form1& form, message::Reader& reader, HWND main);
    ~ListWindow() override;
    ListWindow(const ListWindow&) = delete;
    ListWindow& operator=(const ListWindow&) = delete;

    form::NewsletterList& list() { return *list_; }
    HWND handle() const { return window_; }
    HWND handle(Part part) const { return parts_[static_cast<std::size_t>(part)]; }
    bool isOpen() const { return window_ != nullptr && IsWindow(window_); }
    // Shows it above the main window and brings it to the front, fitted to
    // the main window's screen the first time.
    void show();
    bool setTopMost(bool onTop);
    // Reads the paths, which the source chooser then offers too.
    void scan(const std::vector<std::filesystem::path>& paths);
    // Whether `message` was one of the window's dialog keys, and handled.
    bool dispatch(MSG& message);

    void setScanning(bool scanning) override;
    void setProgress(std::uint64_t done, std::uint64_t total) override;
    void setStatus(std::u16string_view text) override;
    void rowsChanged() override;
    void inform(std::u16string_view text) override;
    bool askYesNo(std::u16string_view text) override;
    // Never asked: this window offers no server yet.
    std::optional<Password> askPassword(std::u16string_view) override { return std::nullopt; }
    void post(std::function<void()> task) override;

private:
    // What an entry of the source chooser reads: its paths, or what to choose.
    enum class Choice { Paths, File, Folder };
    struct Source {
        Choice choice;
        std::vector<std::filesystem::path> paths;
    };

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void onCommand(WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> onNotify(NMHDR& header);

    void buildParts();
    void addSource(std::u16string_view caption, Source source, std::size_t at);
    void layOut(UINT dpi);
    void placeParts();
    void fitToScreen();
    void fitColumns();
    void showSortOrder();
    void keepFocusOnAnEnabledPart();
    void moveFocus(HWND to);
    void describe(HWND part, std::u16string_view name);

    void scanChosenSource();
    void chooseSortColumn();
    void leaveChosenRows();

    HWND main_;
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    int unit_ = 16;  // the font's line height: the layout's measure
    HMENU sortMenu_ = nullptr;
    std::array<HWND, PartCount> parts_{};
    std::vector<Source> sources_;  // as the chooser's entries stand
    IAccPropServices* accessibility_ = nullptr;
    HWND focus_ = nullptr;       // where the focus goes back to
    HWND messageBox_ = nullptr;  // the message box shown, if any
    bool fitted_ = false;
    // Work for the window's thread, from any thread.
    PostedTasks tasks_;
    std::unique_ptr<form::NewsletterList> list_;  // last: its scan ends before the window goes
};

}  // namespace nolvetta::win32
