#include "form/form1.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "form/captions.h"
#include "form/guarded.h"
#include "form/view.h"
#include "launcher/launcher.h"
#include "mailbox/newsletters.h"
#include "message/message.h"
#include "message/reader.h"
#include "recognise/dropped_text.h"
#include "recognise/uri_list.h"
#include "requests/catalogue.h"
#include "requests/id_check.h"
#include "requests/urls.h"
#include "store/program_path.h"
#include "text/ascii.h"
#include "text/utf8.h"

namespace nolvetta::form {

namespace {

using captions::format;
using requests::NewsAction;

// What leaving a message's list would open, as the user reads it.
std::u16string wayOf(const message::Reading& reading) {
    if (reading.magazine) {
        const auto& service =
            requests::ServiceCatalogue[static_cast<std::size_t>(reading.magazine->service)];
        return format(captions::MagazineWay, {service.caption, reading.magazine->id});
    }
    const std::optional<message::Address> address = message::preferredAddress(reading.unsubscribe);
    return address ? targetText(*address) : std::u16string(captions::NoWay);
}

}  // namespace

Form1::Form1(View& view, launcher::Launcher& launcher, message::Reader& reader,
             std::filesystem::path dataDirectory)
    : view_(view),
      questions_([&view](std::function<void()> task) { view.post(std::move(task)); }),
      reader_(reader),
      dataFiles_(dataDirectory),
      leaving_(launcher, std::move(dataDirectory)) {}

Form1::~Form1() = default;

// ---- Events

template <typename Act>
void Form1::guarded(Act&& act) noexcept {
    form::guarded(std::forward<Act>(act), [this](std::u16string_view why) { inform(why); });
}

void Form1::clicked(Control button) noexcept {
    guarded([&] {
        switch (button) {
            case Control::Subscribe:
                return subscribeClicked();
            case Control::ShopNewsCancel:
                return shopNewsCancelClicked();
            case Control::DeleteAddress:
                return deleteAddressClicked();
            case Control::Unsubscribe:
                return unsubscribeClicked();
            case Control::CancelServiceNews:
                return cancelServiceNewsClicked();
            case Control::ShopGo:
                return shopGoClicked();
            case Control::Move:
                return moveClicked();
            case Control::ServiceFrame:
                return serviceFrameClicked();
            default:
                return;  // 自動配信登録 acts when a mouse button goes down, not on a click
        }
    });
}

void Form1::keyDown(Control control, Key key, bool repeated) noexcept {
    guarded([&] {
        if (repeated) {
            return;
        }
        switch (control) {
            case Control::ServiceFrame:
                return serviceFrameKey(key);
            case Control::RegisterServiceNews:  // as its mouse buttons
                return key == Key::Enter || key == Key::Space
                           ? registerNewsPressed(MouseButton::Left)
                       : key == Key::Menu ? showNewsMenu(Control::RegisterServiceNews)
                                          : void();
            case Control::DeletionAddress:
                return deletionAddressKey(key);
            case Control::ShopAddress:
                return shopAddressKey(key);
            case Control::MagazineId:
                return idKey(key);
            default:
                return;
        }
    });
}

void Form1::gotFocus(Control control) noexcept {
    guarded([&] {
        if (control == Control::MagazineId) {
            idFocused();
        }
    });
}

void Form1::menuChosen(Menu entry) noexcept {
    guarded([&] {
        const MenuRow& chosen = rowOf(entry);
        if (chosen.parent == Menu::ServiceMenu) {
            return selectService(chosen.service);
        }
        if (chosen.newsletter >= 0) {
            officialNews(requests::OfficialNewsletters[static_cast<std::size_t>(chosen.newsletter)],
                         NewsAction::Cancel);
            return;
        }
        switch (entry) {
            case Menu::AlwaysOnTop:
                return alwaysOnTopChosen();
            case Menu::NewsletterList:
                return newsletterListChosen();
            case Menu::OneClick:
                leaving_.oneClick.on = !leaving_.oneClick.on;
                return view_.setChecked(Menu::OneClick, leaving_.oneClick.on);
            default:
                return;  // a menu of its own
        }
    });
}

bool Form1::takesDrop(Control control, const DropOffer& offer) const noexcept {
    if (questions_.open()) {
        return false;
    }
    if (control == Control::MagazineId) {
        return offer.text || offer.message || offer.files;
    }
    return control == Control::ShopAddress && offer.text;
}

void Form1::dropped(Control control, DroppedData& data) noexcept {
    guarded([&] {
        if (!takesDrop(control, data.offer())) {
            return;
        }
        if (control == Control::MagazineId) {
            idDropped(data);
        } else {
            shopAddressDropped(data);
        }
    });
}

bool Form1::mayClose() noexcept {
    if (!attended_ || !questions_.open()) {
        return true;
    }
    try {
        if (!std::exchange(closeWaiting_, true)) {
            questions_.post([this] {
                closeWaiting_ = false;
                view_.closeWindow();
            });
        }
        return false;
    } catch (...) {  // out of memory: better closed than never
        return true;
    }
}

void Form1::endAttendance() noexcept {
    guarded([&] {
        attended_ = false;
        view_.dismissMessages();
    });
}

void Form1::log(std::u16string_view text) {
    std::u16string line(text);
    std::replace(line.begin(), line.end(), u'\n', u' ');
    line.erase(std::remove(line.begin(), line.end(), u'\r'), line.end());
    std::fprintf(stderr, "%s: %s\n", text::toUtf8(captions::AppTitle).c_str(),
                 text::toUtf8(line).c_str());
}

// A line longer than a message box shows well loses its middle there; the
// log keeps it whole.
std::u16string Form1::shortened(std::u16string_view text) {
    constexpr std::size_t MaxLine = 200;
    std::u16string out;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(u'\n'), text.size());
        const std::u16string_view line = text.substr(0, end);
        out += line.size() <= MaxLine ? line : line.substr(0, MaxLine / 2);
        if (line.size() > MaxLine) {
            out += u'…';
            out += line.substr(line.size() - MaxLine / 2);
        }
        out += text.substr(end, 1);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return out;
}

void Form1::inform(std::u16string_view text) noexcept {
    try {
        log(text);
        if (attended_) {
            questions_.ask([&] { view_.inform(shortened(text)); });
        }
    } catch (...) {  // nothing more can be told
    }
}

bool Form1::askYesNo(std::u16string_view text) {
    log(text);
    if (!attended_) {
        return false;
    }
    const bool yes = questions_.ask([&] { return view_.askYesNo(shortened(text)); });
    return attended_ && yes;  // an answer given as the session ended does not count
}

std::optional<Menu> Form1::popUp(Menu menu, std::optional<Control> at,
                                 std::optional<Menu> current) {
    return questions_.ask([&] { return view_.popUp(menu, at, current); });
}

// ---- Start and close

void Form1::load() noexcept {
    guarded([&] {
        store::Loaded loaded = dataFiles_.load();
        deletionList_ = std::move(loaded.entries);
        registrationList_ = deletionList_;  // the same entries, shared
        view_.setEntries(Control::DeletionAddress, deletionList_);
        view_.setEntries(Control::RegistrationAddress, registrationList_);
        alwaysOnTop_ = loaded.alwaysOnTop.value_or(alwaysOnTop_);
        leaving_.oneClick.on = loaded.oneClick.value_or(true);
        loaded_ = true;
        view_.setChecked(Menu::OneClick, leaving_.oneClick.on);

        view_.setChecked(Menu::AlwaysOnTop, alwaysOnTop_);
        const bool onTopAsAsked = view_.setTopMost(alwaysOnTop_);
        view_.showWindow();
        view_.setText(Control::DeletionAddress, deletionList_.empty() ? u"" : deletionList_[0]);

        // The settings keep no copy of a damaged file: what was read of it counts.
        for (const std::u16string& problem :
             {captions::loadProblem(loaded.address, dataFiles_.addressFilePath(), loaded.backup),
              captions::loadProblem(loaded.settings, dataFiles_.settingsFilePath(), {})}) {
            if (!problem.empty()) {
                inform(problem);
            }
        }
        if (!loaded.folderWritable) {
            inform(format(captions::FolderNotWritable,
                          {captions::named(dataFiles_.addressFilePath().parent_path())}));
        }
        // The check mark tells the truth about the window.
        if (!onTopAsAsked) {
            alwaysOnTop_ = false;
            view_.setChecked(Menu::AlwaysOnTop, false);
            inform(captions::CannotStayOnTop);
        }
    });
}

void Form1::close() noexcept {
    closing_ = true;
    reading_.stopAll();
    if (!loaded_) {
        return;
    }
    // The close is never refused; a failed save is reported and the old
    // file stays as it was.
    try {
        for (const store::SaveProblem& problem :
             dataFiles_.save(deletionList_, alwaysOnTop_, leaving_.oneClick.on)) {
            const std::u16string file = captions::named(problem.file);
            const std::u16string why = captions::cause(problem.code);
            switch (problem.fault) {
                case store::SaveFault::NotReadAtStart:
                    inform(format(captions::NotSavedUnread, {file}));
                    break;
                case store::SaveFault::NotAFile:
                    inform(format(captions::NotSavedNotAFile, {file}));
                    break;
                case store::SaveFault::CannotHoldText:
                    inform(format(captions::NotSavedUnstorable, {file}));
                    break;
                case store::SaveFault::NoBackup:
                    inform(format(captions::NotSavedNoBackup, {file, why}));
                    break;
                case store::SaveFault::WriteFailed:
                    inform(format(captions::CannotSave, {file, why}));
                    break;
                case store::SaveFault::ReadOnly:
                    inform(format(captions::NotSavedReadOnly, {file}));
                    break;
            }
        }
    } catch (const std::exception& e) {
        inform(format(captions::SaveInterrupted, {text::fromUtf8(e.what())}));
    }
}

// ---- Address lists

void Form1::deletionAddressKey(Key key) {
    if (key == Key::Enter) {
        addAddress(addressIn(Control::DeletionAddress));
        // The next address typed replaces this one.
        view_.selectAll(Control::DeletionAddress);
    }
}

// An address already there is not added again: a held Enter adds it once.
void Form1::addAddress(std::u16string_view address) {
    if (address.empty() || deletionList_.find(address)) {
        return;
    }
    if (!store::canStoreEntry(address)) {
        inform(format(captions::CannotStoreAddress, {address}));
        return;
    }
    deletionList_.append(address);
    registrationList_.append(address);
    view_.entryAdded(Control::DeletionAddress, address);
    view_.entryAdded(Control::RegistrationAddress, address);
}

void Form1::deleteAddressClicked() {
    const std::u16string address = addressIn(Control::DeletionAddress);
    const std::optional<std::size_t> deleted = deletionList_.find(address);
    // Only the first equal entry is offered, whatever the answer.
    if (!deleted || !askYesNo(format(captions::ConfirmDelete, {address}))) {
        return;
    }
    // Gone from both lists: an address deleted must not be offered for registering.
    for (auto [list, control] : {std::pair{&deletionList_, Control::DeletionAddress},
                                 std::pair{&registrationList_, Control::RegistrationAddress}}) {
        if (const std::optional<std::size_t> found = list->find(address)) {
            list->erase(*found);
            view_.entryRemoved(control, *found);
        }
    }
    // Nor may it stay where the next request takes the address from: the
    // entry that took its place shows, or the one before it, or nothing.
    const std::size_t count = deletionList_.size();
    view_.setText(Control::DeletionAddress,
                  count == 0 ? u"" : deletionList_[std::min(*deleted, count - 1)]);
}

// ---- Subscribe and unsubscribe

void Form1::selectService(std::int16_t index) {
    service_ = index;
    for (const requests::Service& service : requests::ServiceCatalogue) {
        view_.setChecked(serviceEntry(service.index), service.index == index);
    }
    view_.setText(Control::ServiceFrame, rowOf(serviceEntry(index)).caption);
}

void Form1::serviceFrameClicked() {
    chooseService(std::nullopt);
}

// As a combo box: the arrows choose the service before or after the one
// shown, without wrapping; the other keys open the list at the frame.
void Form1::serviceFrameKey(Key key) {
    const auto shown =
        std::find_if(requests::ServiceCatalogue.begin(), requests::ServiceCatalogue.end(),
                     [&](const requests::Service& s) { return s.index == service_; });
    const auto position = shown - requests::ServiceCatalogue.begin();
    switch (key) {
        case Key::Up:
            return position > 0 ? selectService(requests::ServiceCatalogue[position - 1].index)
                                : void();
        case Key::Down:
            return position + 1 < requests::ServiceCount
                       ? selectService(requests::ServiceCatalogue[position + 1].index)
                       : void();
        case Key::Other:
            return;
        default:
            return chooseService(Control::ServiceFrame);
    }
}

void Form1::chooseService(std::optional<Control> at) {
    if (const std::optional<Menu> chosen = popUp(Menu::ServiceMenu, at, serviceEntry(service_))) {
        menuChosen(*chosen);
    }
}

// The ID as it will be sent is shown where it was typed.
bool Form1::checkId() {
    const std::u16string typed = view_.text(Control::MagazineId);
    const requests::CheckedId checked = requests::checkId(service_, typed);
    if (checked.id != typed) {
        view_.setText(Control::MagazineId, checked.id);
    }
    if (checked.problem == requests::IdProblem::None) {
        return true;
    }
    std::u16string text(captions::InvalidId);
    text += u'\n';
    if (checked.problem == requests::IdProblem::Zero) {
        text += captions::IdIsANumber;
    }
    const requests::Service& service =
        requests::ServiceCatalogue[static_cast<std::size_t>(service_)];
    if (service.idWidth > 0) {
        text += format(captions::IdWidth, {service.caption, text::decimal(service.idWidth)});
    }
    inform(text);
    return false;
}

// An address of blanks only is no address either.
// Blanks around an address are no part of it: they are neither kept nor
// sent, and the field shows the address as it will be used.
std::u16string Form1::addressIn(Control field) {
    const std::u16string typed = view_.text(field);
    constexpr std::u16string_view blanks = u" \t\r\n\u3000";
    const std::size_t first = typed.find_first_not_of(blanks);
    const std::u16string address =
        first == std::u16string::npos
            ? std::u16string()
            : typed.substr(first, typed.find_last_not_of(blanks) - first + 1);
    if (address != typed) {
        view_.setText(field, address);
    }
    return address;
}

bool Form1::checkAddress(Control field) {
    if (!addressIn(field).empty()) {
        return true;
    }
    inform(field == Control::DeletionAddress ? captions::NoDeletionAddress
                                             : captions::NoRegistrationAddress);
    return false;
}

Form1::Outcome Form1::unsubscribeChecked() {
    if (!checkId() || !checkAddress(Control::DeletionAddress)) {
        return Outcome::Refused;
    }
    return unsubscribe(service_) ? Outcome::Done : Outcome::LaunchFailed;
}

Form1::Outcome Form1::subscribeChecked(std::u16string_view address) {
    if (!checkId() || (address.empty() && !checkAddress(Control::DeletionAddress))) {
        return Outcome::Refused;
    }
    return subscribe(service_, address) ? Outcome::Done : Outcome::LaunchFailed;
}

bool Form1::unsubscribe(std::int16_t service) {
    const std::u16string id = view_.text(Control::MagazineId);
    return openPage(requests::unsubscribeUrl(service, addressIn(Control::DeletionAddress), id),
                    leaveNote(mailbox::magazineKey(service, id)));
}

LeaveNote Form1::leaveNote(std::u16string newsletter) {
    return {store::LeaveWay::Page, std::move(newsletter), addressIn(Control::DeletionAddress)};
}

// An empty address stands for the deletion address.
bool Form1::subscribe(std::int16_t service, std::u16string_view address) {
    const std::u16string given =
        address.empty() ? addressIn(Control::DeletionAddress) : std::u16string(address);
    return openPage(requests::subscribeUrl(service, given, view_.text(Control::MagazineId)));
}

void Form1::subscribeClicked() {
    subscribeChecked(u"");
}

void Form1::unsubscribeClicked() {
    unsubscribeChecked();
}

// Both addresses are looked at before the first page opens: half a move
// would leave the magazine at neither address.
void Form1::moveClicked() {
    if (!checkAddress(Control::DeletionAddress) || !checkAddress(Control::RegistrationAddress) ||
        unsubscribeChecked() == Outcome::LaunchFailed) {
        return;
    }
    subscribeChecked(addressIn(Control::RegistrationAddress));
}

void Form1::idKey(Key key) {
    if (key == Key::Enter) {
        unsubscribeClicked();
    }
}

// ---- The services' own newsletters

bool Form1::officialNews(const requests::OfficialNewsletter& newsletter, NewsAction action) {
    if (!checkAddress(Control::DeletionAddress)) {
        return false;
    }
    // A melma newsletter is a magazine like any other: its ID is shown where
    // the user types one.
    if (newsletter.page == requests::NewsPage::Melma) {
        view_.setText(Control::MagazineId, requests::officialId(newsletter));
    }
    std::optional<LeaveNote> note;
    if (action == NewsAction::Cancel) {
        note = leaveNote(
            newsletter.page == requests::NewsPage::Melma
                ? mailbox::magazineKey(newsletter.service, requests::officialId(newsletter))
            : newsletter.page == requests::NewsPage::WeeklyMag2 ? u"mag2:weekly"
                                                                : u"kapu:news");
    }
    return openPage(
        requests::officialNewsUrl(newsletter, action, addressIn(Control::DeletionAddress)), note);
}

void Form1::pressed(Control button, MouseButton mouseButton) noexcept {
    guarded([&] {
        if (button == Control::RegisterServiceNews) {
            registerNewsPressed(mouseButton);
        }
    });
}

void Form1::registerNewsPressed(MouseButton button) {
    if (button == MouseButton::Left) {
        for (const requests::OfficialNewsletter& newsletter :
             requests::officialNewslettersOf(service_)) {
            if (!officialNews(newsletter, NewsAction::Register)) {
                return;
            }
        }
    } else if (button == MouseButton::Right) {
        showNewsMenu(std::nullopt);
    }
}

void Form1::showNewsMenu(std::optional<Control> at) {
    const std::optional<Menu> menu = newsMenuOf(service_);
    if (const std::optional<Menu> chosen = menu ? popUp(*menu, at, std::nullopt) : std::nullopt) {
        menuChosen(*chosen);
    }
}

void Form1::cancelServiceNewsClicked() {
    for (const requests::OfficialNewsletter& newsletter :
         requests::officialNewslettersOf(service_)) {
        if (!officialNews(newsletter, NewsAction::Cancel)) {
            return;
        }
    }
}

// ---- Shop news pages

void Form1::shopNewsCancelClicked() {
    if (!checkAddress(Control::DeletionAddress)) {
        return;
    }
    openPage(requests::mallCancellationUrl(addressIn(Control::DeletionAddress)),
             leaveNote(u"mall:news"));
}

bool Form1::openShopNewsPage() {
    const std::u16string page = requests::shopNewsPage(view_.text(Control::ShopAddress));
    view_.setText(Control::ShopAddress, page);
    return openPage(page, leaveNote(u"shop:" + page));
}

void Form1::shopAddressKey(Key key) {
    if (key == Key::Enter) {
        openShopNewsPage();
    }
}

void Form1::shopGoClicked() {
    if (openShopNewsPage()) {
        view_.setClipboard(addressIn(Control::DeletionAddress));
    }
}

void Form1::shopAddressDropped(DroppedData& data) {
    if (const auto shop = recognise::shopTopAddress(data.text(), requests::shopPrefix())) {
        view_.setText(Control::ShopAddress, *shop);
    }
}

// ---- Dropped newsletters

// A mail program may hand over the message's file, the message itself, or
// its text; files come first, and what a file is its content says.
void Form1::idDropped(DroppedData& data) {
    const DropOffer offer = data.offer();
    if (offer.files) {
        if (std::vector<std::filesystem::path> files = data.files(); !files.empty()) {
            return readMessageFiles(std::move(files), Source::Dropped);
        }
    }
    if (offer.message) {
        const std::string bytes = data.message();
        // Some hand over the message's file address where its data belongs.
        if (auto files = recognise::localFilesOf(bytes); files && !files->empty()) {
            return readMessageFiles(std::move(*files), Source::Dropped);
        }
        return actOnMessage(reader_.read(bytes, message::Origin::Sent), captions::DroppedMessage,
                            [bytes] { return std::optional(bytes); });
    }
    const std::u16string_view text = offer.text ? data.text() : std::u16string_view();
    // A whole message dragged out as text begins with its header block.
    if (message::startsWithHeaderBlock(text)) {
        std::string bytes = text::toUtf8(text);
        const message::Reading reading = reader_.read(bytes, message::Origin::DroppedText);
        return actOnMessage(reading, captions::DroppedMessage,
                            [bytes = std::move(bytes)] { return std::optional(bytes); });
    }
    if (const auto magazine = recognise::recogniseMagazine(text)) {
        view_.setText(Control::MagazineId, magazine->id);
        selectService(magazine->service);
        unsubscribeClicked();
    }
}

void Form1::openMessageFile(const std::filesystem::path& file) noexcept {
    guarded([&] { readMessageFiles({file}, Source::Outside); });
}

void Form1::readMessageFiles(std::vector<std::filesystem::path> files, Source source) {
    if (closing_) {
        return;
    }
    const unsigned read = ++readings_;  // the newest act replaces one not yet done
    reading_.start([this, files = std::move(files), source, read](std::stop_token stop) {
        form::guarded(
            [&] {
                std::vector<message::FileReading> readings;
                for (const std::filesystem::path& file : files) {
                    readings.push_back(reader_.readFile(file, stop));
                }
                if (stop.stop_requested()) {
                    return;
                }
                questions_.post([this, files, readings = std::move(readings), source, read] {
                    guarded([&] {
                        if (!closing_ && read == readings_) {
                            actOnFiles(files, readings, source);
                        }
                    });
                });
            },
            [this](std::u16string_view why) { tellLater(why); });
    });
}

void Form1::tellLater(std::u16string_view text) {
    questions_.post([this, text = std::u16string(text)] { inform(text); });
}

void Form1::actOnFiles(const std::vector<std::filesystem::path>& files,
                       const std::vector<message::FileReading>& readings, Source source) {
    using message::FileProblem;
    struct Found {
        const message::Reading* reading;
        std::u16string name;
        std::filesystem::path file;
    };
    std::vector<Found> found;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const message::FileReading& file = readings[i];
        const std::u16string name = captions::named(files[i]);
        switch (file.problem) {
            case FileProblem::Missing:
                inform(format(captions::FileMissing, {name}));
                continue;
            case FileProblem::NotAFile:
                inform(format(captions::NotAMessageFile, {name}));
                continue;
            case FileProblem::NotAMessage:
                inform(format(captions::NotAMessage, {name}));
                continue;
            case FileProblem::OutlookMessage:
                inform(format(captions::OutlookMessage, {name}));
                continue;
            case FileProblem::TooLarge:
                inform(format(captions::MessageTooLarge,
                              {name, text::decimal(message::MaxMessageBytes >> 20)}));
                continue;
            case FileProblem::Unreadable:
                inform(format(captions::CannotReadMessage, {name, captions::cause(file.cause)}));
                continue;
            case FileProblem::Unavailable:
                inform(format(captions::CannotReadMessages, {name}));
                continue;
            case FileProblem::Cancelled:
            case FileProblem::None:
                break;
        }
        std::size_t unreadable = 0;
        for (const message::Reading& reading : file.messages) {
            if (reading.problem == message::Problem::None) {
                found.push_back({&reading, name, files[i]});
            } else {
                ++unreadable;
            }
        }
        if (unreadable > 0) {
            inform(format(captions::UnreadableMessages, {name, text::decimal(unreadable)}));
        }
    }
    if (found.size() == 1) {
        const Found& one = found[0];
        Sent sent = [file = one.file, begin = one.reading->begin, end = one.reading->end] {
            return message::storedMessage(file, begin, end);
        };
        // One that may leave by one request is asked about once its signature is known.
        if (source == Source::Dropped || mayLeaveByOneClick(*one.reading)) {
            actOnMessage(*one.reading, one.name, std::move(sent), source == Source::Outside);
        } else if (confirmOutside(*one.reading, one.name)) {
            actOnMessage(*one.reading, one.name);
        }
        return;
    }
    if (found.empty()) {
        return;
    }
    // Several at once: one question that says what would open.
    const std::u16string ways =
        captions::listed(found.size(), [&](std::size_t i) { return wayOf(*found[i].reading); });
    if (!askYesNo(format(captions::ConfirmSeveral, {text::decimal(found.size()), ways}))) {
        return;
    }
    for (const auto& [reading, name, file] : found) {
        if (reading->magazine || message::preferredAddress(reading->unsubscribe)) {
            actOnMessage(*reading, name);
        }
    }
}

bool Form1::confirmOutside(const message::Reading& reading, std::u16string_view name) {
    const std::optional<message::Address> address = message::preferredAddress(reading.unsubscribe);
    if (reading.magazine) {
        // The window shows what it found before anything opens.
        view_.setText(Control::MagazineId, reading.magazine->id);
        selectService(reading.magazine->service);
    } else if (!address || address->scheme == message::Scheme::Http) {
        return true;  // nothing opens, or the http question says what would
    }
    return askYesNo(format(captions::ConfirmOutside, {name, wayOf(reading)}));
}

// The newsletter rule on the text body's first line, else the message's own
// way out.
void Form1::actOnMessage(const message::Reading& reading, std::u16string_view name, Sent sent,
                         bool confirmPage) {
    switch (reading.problem) {
        case message::Problem::NotAMessage:
            return inform(format(captions::NotAMessage, {name}));
        case message::Problem::TooLarge:
            return inform(format(captions::MessageTooLarge,
                                 {name, text::decimal(message::MaxMessageBytes >> 20)}));
        case message::Problem::Unavailable:
            return inform(format(captions::CannotReadMessages, {name}));
        case message::Problem::OutlookMessage:
            return inform(format(captions::OutlookMessage, {name}));
        case message::Problem::Unreadable:
            return inform(
                format(captions::CannotReadMessage,
                       {name, captions::cause(std::make_error_code(std::errc::io_error))}));
        case message::Problem::None:
            break;
    }
    if (reading.magazine) {
        view_.setText(Control::MagazineId, reading.magazine->id);
        selectService(reading.magazine->service);
        unsubscribeClicked();
        return;
    }
    const std::optional<message::Address> address = message::preferredAddress(reading.unsubscribe);
    if (!address) {
        std::u16string text = format(captions::NoWayToUnsubscribe, {name});
        if (reading.overlongAddresses > 0) {
            text += u'\n';
            text += format(captions::AddressTooLong, {text::decimal(message::MaxAddressLength)});
        }
        if (!reading.unreadableCharset.empty()) {
            text += u'\n';
            text +=
                format(captions::UnreadableCharset, {text::fromUtf8(reading.unreadableCharset)});
        }
        return inform(text);
    }
    // Recorded for the address it was delivered to, which the user's list
    // may hold in other letters.
    const mailbox::Reach reach = mailbox::reachOf(reading.envelope, [this](std::u16string_view a) {
        return std::any_of(deletionList_.begin(), deletionList_.end(), [a](std::u16string_view e) {
            return text::equalsIgnoringAsciiCase(a, e);
        });
    });
    LeaveNote note{mailbox::leaveWayOf(address->scheme),
                   mailbox::newsletterKey(reading).value_or(u""), reach.address};
    if (sent && mayLeaveByOneClick(reading)) {
        return checkOneClick(reading, std::u16string(name), std::move(note), std::move(sent),
                             confirmPage);
    }
    leaveBy(*address, note);
}

void Form1::leaveBy(const message::Address& way, const LeaveNote& note) {
    leaving_.leaveBy(
        way, note.newsletter, note.address, [this](std::u16string_view text) { inform(text); },
        [this](std::u16string_view text) { return askYesNo(text); });
}

bool Form1::mayLeaveByOneClick(const message::Reading& reading) const {
    const std::optional<message::Address> way = message::preferredAddress(reading.unsubscribe);
    return leaving_.oneClick.on && reading.oneClick && !reading.magazine && way &&
           way->scheme == message::Scheme::Https;
}

void Form1::checkOneClick(message::Reading reading, std::u16string name, LeaveNote note, Sent sent,
                          bool confirmPage) {
    const unsigned read = ++readings_;
    reading_.start([this, reading = std::move(reading), name = std::move(name),
                    note = std::move(note), sent = std::move(sent), confirmPage,
                    settings = leaving_.oneClick, read](std::stop_token stop) {
        form::guarded(
            [&] {
                const message::Address way = *message::preferredAddress(reading.unsubscribe);
                const std::optional<std::string> bytes = sent();
                const bool oneClick = bytes && leavesByOneClick(settings, reading, way, *bytes);
                if (stop.stop_requested()) {
                    return;
                }
                questions_.post([this, reading, name, note, way, oneClick, confirmPage, read] {
                    guarded([&] {
                        if (closing_ || read != readings_) {
                            return;
                        }
                        if (oneClick) {
                            if (askYesNo(
                                    format(captions::ConfirmOneClick, {name, targetText(way)}))) {
                                sendOneClick(way, note);
                            }
                        } else if (!confirmPage || confirmOutside(reading, name)) {
                            leaveBy(way, note);
                        }
                    });
                });
            },
            [this](std::u16string_view why) { tellLater(why); });
    });
}

void Form1::sendOneClick(const message::Address& way, const LeaveNote& note) {
    const unsigned read = ++readings_;
    reading_.start([this, way, note, read](std::stop_token stop) {
        form::guarded(
            [&] {
                const launcher::PostAnswer answer =
                    launcher::postOneClick({text::toUtf8(way.url)}, {}, {}, stop).at(0);
                questions_.post([this, way, note, answer, read] {
                    guarded([&] {
                        if (closing_ || read != readings_) {
                            return;
                        }
                        const std::u16string target = targetText(way);
                        if (answer.outcome == launcher::PostAnswer::Outcome::Sent) {
                            leaving_.sent({{note, way.url}},
                                          [this](std::u16string_view text) { inform(text); });
                            inform(format(captions::OneClickSent, {target}));
                        } else if (askYesNo(format(captions::OneClickFailed,
                                                   {target, notSentReason(answer)}))) {
                            leaveBy(way, note);
                        }
                    });
                });
            },
            [this](std::u16string_view why) { tellLater(why); });
    });
}

void Form1::idFocused() {
    view_.selectAll(Control::MagazineId);
}

// ---- The browser, the mail program and the window's option

// The way every page that leaves a newsletter goes.
bool Form1::openPage(std::u16string_view url, const std::optional<LeaveNote>& note) {
    return leaving_.open(url, note, [this](std::u16string_view text) { inform(text); });
}

void Form1::newsletterListChosen() {
    view_.openNewsletterList({});
}

void Form1::alwaysOnTopChosen() {
    alwaysOnTop_ = !alwaysOnTop_;
    view_.setChecked(Menu::AlwaysOnTop, alwaysOnTop_);
    if (!view_.setTopMost(alwaysOnTop_)) {
        inform(captions::CannotStayOnTop);
    }
}

}  // namespace nolvetta::form
