#include "ui/server_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "form/captions.h"
#include "text/utf8.h"
#include "ui/qt_text.h"

namespace nolvetta::ui {

namespace {

namespace captions = form::captions;

QDialogButtonBox* buttons(QDialog& dialog) {
    auto* box = new QDialogButtonBox;
    box->addButton(toQt(captions::ButtonOk), QDialogButtonBox::AcceptRole)->setDefault(true);
    box->addButton(toQt(captions::ButtonCancel), QDialogButtonBox::RejectRole);
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return box;
}

QString windowTitle(captions::Text title) {
    return toQt(title) + " - " + toQt(captions::AppTitle);
}

}  // namespace

std::optional<form::ListView::Password> askPassword(QWidget* parent, std::u16string_view account) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("PasswordDialog"));
    dialog.setWindowTitle(windowTitle(captions::PasswordTitle));
    auto* prompt = new QLabel(toQt(captions::format(captions::PasswordPrompt, {account})));
    auto* password = new QLineEdit;
    password->setObjectName(QStringLiteral("Password"));
    password->setEchoMode(QLineEdit::Password);
    password->setAccessibleName(toQt(captions::PasswordTitle));
    prompt->setBuddy(password);
    auto* remember = new QCheckBox(toQt(captions::RememberPasswordKey));
    remember->setObjectName(QStringLiteral("Remember"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(prompt);
    layout->addWidget(password);
    layout->addWidget(remember);
    layout->addWidget(buttons(dialog));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return form::ListView::Password{password->text().toStdString(), remember->isChecked()};
}

std::optional<mailbox::ImapAccount> askServer(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ServerDialog"));
    dialog.setWindowTitle(windowTitle(captions::ServerDialogTitle));
    auto* host = new QLineEdit;
    host->setObjectName(QStringLiteral("Host"));
    auto* port = new QSpinBox;
    port->setObjectName(QStringLiteral("Port"));
    port->setRange(1, 65535);
    port->setValue(993);
    auto* security = new QComboBox;
    security->setObjectName(QStringLiteral("Security"));
    for (const captions::Text name : captions::ServerSecurities) {
        security->addItem(toQt(name));
    }
    auto* user = new QLineEdit;
    user->setObjectName(QStringLiteral("User"));
    auto* form = new QFormLayout;
    form->addRow(toQt(captions::ServerHostKey), host);
    form->addRow(toQt(captions::ServerPortKey), port);
    form->addRow(toQt(captions::ServerSecurityKey), security);
    form->addRow(toQt(captions::ServerUserKey), user);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    QDialogButtonBox* box = buttons(dialog);
    layout->addWidget(box);
    QAbstractButton* ok = box->buttons().front();
    const auto complete = [&] {
        ok->setEnabled(!host->text().trimmed().isEmpty() && !user->text().trimmed().isEmpty());
    };
    complete();
    QObject::connect(host, &QLineEdit::textChanged, &dialog, complete);
    QObject::connect(user, &QLineEdit::textChanged, &dialog, complete);
    // The port follows the security while it is still the other's standard one.
    QObject::connect(security, &QComboBox::currentIndexChanged, &dialog, [&](int index) {
        if (port->value() == (index == 0 ? 143 : 993)) {
            port->setValue(index == 0 ? 993 : 143);
        }
    });
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    mailbox::ImapAccount account;
    account.host = host->text().trimmed().toStdString();
    account.port = std::uint16_t(port->value());
    account.security = security->currentIndex() == 0 ? mailbox::ImapSecurity::Tls
                                                     : mailbox::ImapSecurity::StartTls;
    account.user = user->text().trimmed().toStdString();
    account.name = text::fromUtf8(account.user + "@" + account.host);
    return account;
}

}  // namespace nolvetta::ui
