#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "form/controls.h"
#include "form/leaving.h"
#include "form/questions.h"
#include "form/workers.h"
#include "requests/official.h"
#include "store/address_list.h"
#include "store/data_files.h"

namespace nolvetta::launcher {
class Launcher;
}
namespace nolvetta::message {
class Reader;
struct Reading;
struct FileReading;
}  // namespace nolvetta::message

namespace nolvetta::form {

class View;

enum class MouseButton { Left, Right, Middle };
enum class Key { Enter, Space, Menu, Up, Down, Other };

// What a drag offers, known from its formats alone while it goes on: no
// source is asked for its data before the drop.
struct DropOffer {
    bool text = false;     // a plain-text form
    bool message = false;  // a whole message's data
    bool files = false;    // a list of files
};

// The data of a drop. The window asks for a form only when it needs it, and
// at most once.
class DroppedData {
public:
    virtual ~DroppedData() = default;
    virtual DropOffer offer() const = 0;
    virtual std::vector<std::filesystem::path> files() = 0;  // the local ones
    virtual std::string message() = 0;
    virtual std::u16string_view text() = 0;  // kept by the data while it lives
};

// What the program's one window does, whatever toolkit draws it: its state
// and every one of its handlers, behind the events each view reports. It
// reaches the outside through the view, the launcher (browser and mail
// program), the message reader and the data files in its data directory.
class Form1 {
public:
    Form1(View& view, launcher::Launcher& launcher, message::Reader& reader,
          std::filesystem::path dataDirectory);
    ~Form1();

    // Loads the lists and the option, applies them and shows the window.
    void load() noexcept;
    // Whether the window may close now; a close asked for while a question
    // waits comes once it is answered.
    bool mayClose() noexcept;
    // The window closes: saves the lists and the option, and reports what
    // could not be saved; the close is never refused.
    void close() noexcept;

    // ---- Events, as every view reports them
    void clicked(Control button) noexcept;
    // The buttons that act as a mouse button goes down, before it comes up.
    void pressed(Control button, MouseButton mouseButton) noexcept;
    // A key held down acts once: `repeated` is the keyboard's repeat of a key still down.
    void keyDown(Control control, Key key, bool repeated = false) noexcept;
    void gotFocus(Control control) noexcept;
    void menuChosen(Menu entry) noexcept;
    // Nothing is dropped while a question waits for its answer.
    bool takesDrop(Control control, const DropOffer& offer) const noexcept;
    void dropped(Control control, DroppedData& data) noexcept;
    // A saved message given from outside (the command line, a file manager,
    // another start): what it offers is shown and asked about first.
    void openMessageFile(const std::filesystem::path& file) noexcept;
    // The session is ending: nobody answers a message any more; each goes to
    // standard error only, and a question is answered いいえ.
    void endAttendance() noexcept;
    // A message box, also on standard error: for what the window's start
    // around the handlers finds.
    void inform(std::u16string_view text) noexcept;

    std::int16_t serviceIndex() const { return service_; }
    // For the newsletter list: the user's addresses, and the window's way
    // of opening (and recording) what leaves a newsletter.
    // Every message and question goes to standard error too, where a
    // session's log keeps it; a box shows long lines shortened.
    static void log(std::u16string_view text);
    static std::u16string shortened(std::u16string_view text);
    const store::AddressList& deletionAddresses() const { return deletionList_; }
    Leaving& leaving() { return leaving_; }

private:
    enum class Outcome { Done, Refused, LaunchFailed };

    void serviceFrameClicked();
    void serviceFrameKey(Key key);
    // The list of services or of the service's own newsletters, at the
    // control when the keyboard opened it, at the pointer otherwise.
    void chooseService(std::optional<Control> at);
    void showNewsMenu(std::optional<Control> at);
    void registerNewsPressed(MouseButton button);
    void deletionAddressKey(Key key);
    void shopAddressKey(Key key);
    void idKey(Key key);
    void idFocused();
    void idDropped(DroppedData& data);
    void shopAddressDropped(DroppedData& data);
    void subscribeClicked();
    void shopNewsCancelClicked();
    void deleteAddressClicked();
    void unsubscribeClicked();
    void cancelServiceNewsClicked();
    void shopGoClicked();
    void moveClicked();
    void alwaysOnTopChosen();
    void newsletterListChosen();

    void selectService(std::int16_t index);
    bool checkId();
    bool checkAddress(Control field);
    Outcome unsubscribeChecked();
    Outcome subscribeChecked(std::u16string_view address);
    bool unsubscribe(std::int16_t service);
    bool subscribe(std::int16_t service, std::u16string_view address);
    // One of a service's own newsletters, signed up for or cancelled.
    bool officialNews(const requests::OfficialNewsletter& newsletter, requests::NewsAction action);
    bool openShopNewsPage();
    // A note: the page leaves a newsletter, and goes into the record.
    bool openPage(std::u16string_view url, const std::optional<LeaveNote>& note = {});
    // A page of the deletion address that leaves `newsletter`.
    LeaveNote leaveNote(std::u16string newsletter);
    // A drop acts at once; a message given from outside is asked about.
    enum class Source { Dropped, Outside };
    // Files are read on a worker thread, so that a close or the session's
    // end never waits for a large mailbox.
    void readMessageFiles(std::vector<std::filesystem::path> files, Source source);
    // From a worker thread: told once the window is free.
    void tellLater(std::u16string_view text);
    void actOnFiles(const std::vector<std::filesystem::path>& files,
                    const std::vector<message::FileReading>& readings, Source source);
    // The message's bytes as it was sent, read again on a worker thread.
    using Sent = std::function<std::optional<std::string>()>;
    // `name`: the message as the user knows it. `sent`: its bytes, when
    // one request may leave it; `confirmPage`: its page is asked about first.
    void actOnMessage(const message::Reading& reading, std::u16string_view name, Sent sent = {},
                      bool confirmPage = false);
    void leaveBy(const message::Address& way, const LeaveNote& note);
    bool mayLeaveByOneClick(const message::Reading& reading) const;
    // Its signature checked on a worker thread (the DNS may be slow), then
    // asked about; its page where it is not signed.
    void checkOneClick(message::Reading reading, std::u16string name, LeaveNote note, Sent sent,
                       bool confirmPage);
    void sendOneClick(const message::Address& way, const LeaveNote& note);
    // Shows what one message given from outside offers and asks to open it.
    bool confirmOutside(const message::Reading& reading, std::u16string_view name);
    void addAddress(std::u16string_view address);
    std::u16string addressIn(Control field);

    bool askYesNo(std::u16string_view text);
    std::optional<Menu> popUp(Menu menu, std::optional<Control> at, std::optional<Menu> current);
    // What an event or a posted task does, failures told.
    template <typename Act>
    void guarded(Act&& act) noexcept;

    View& view_;
    Questions questions_;
    message::Reader& reader_;
    store::DataFiles dataFiles_;
    Leaving leaving_;

    std::int16_t service_ = 0;
    store::AddressList deletionList_;
    store::AddressList registrationList_;
    bool alwaysOnTop_ = true;
    bool loaded_ = false;  // lists never filled must not replace the files
    bool attended_ = true;
    bool closing_ = false;   // once the close has begun, nothing opens
    unsigned readings_ = 0;  // which read of files is the latest
    bool closeWaiting_ = false;
    Workers reading_;  // last: it ends before anything it uses
};

}  // namespace nolvetta::form
