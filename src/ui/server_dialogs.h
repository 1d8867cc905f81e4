#pragma once

#include <QWidget>
#include <optional>
#include <string_view>

#include "form/newsletter_list.h"

// The two questions only the list's IMAP servers ask.
namespace nolvetta::ui {

// The password of the account named, and whether to keep it in the
// desktop's secret store; nothing when cancelled.
std::optional<form::ListView::Password> askPassword(QWidget* parent, std::u16string_view account);

// An account added by hand: host, port, security and user name; nothing
// when cancelled.
std::optional<mailbox::ImapAccount> askServer(QWidget* parent);

}  // namespace nolvetta::ui
