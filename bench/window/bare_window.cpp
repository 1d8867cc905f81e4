// A bare Qt window with the program's controls, captions and menus, drawn
// from the same tables, and nothing else, ending on its first paint: what
// the program is measured against.
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <algorithm>
#include <array>

#include "first_paint.h"
#include "form/captions.h"
#include "form/controls.h"

namespace {

namespace form = nolvetta::form;

QString qt(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QRect pixels(const form::Twips& at) {
    return {form::toPixels(at.left, 1), form::toPixels(at.top, 1), form::toPixels(at.width, 1),
            form::toPixels(at.height, 1)};
}

QWidget* make(const form::ControlRow& row, QWidget* parent) {
    switch (row.kind) {
        case form::Kind::Frame:
            return new QGroupBox(qt(row.caption), parent);
        case form::Kind::Button:
            return new QPushButton(qt(row.caption), parent);
        case form::Kind::ComboBox: {
            auto* combo = new QComboBox(parent);
            combo->setEditable(true);
            combo->lineEdit()->setPlaceholderText(qt(row.caption));
            return combo;
        }
        case form::Kind::TextBox:
            return new QLineEdit(qt(row.caption), parent);
        case form::Kind::Label:
            return new QLabel(qt(row.caption), parent);
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(qt(form::captions::AppTitle));
    auto* client = new QWidget(&window);
    client->setFixedSize(pixels(form::ClientArea).size());
    window.setCentralWidget(client);
    std::array<QWidget*, form::ControlCount> widgets{};
    for (const form::ControlRow& row : form::controls()) {
        QWidget* w =
            make(row, row.container ? widgets[static_cast<std::size_t>(*row.container)] : client);
        w->setGeometry(pixels(row.at));
        widgets[static_cast<std::size_t>(row.id)] = w;
    }
    std::array<QMenu*, form::MenuCount> menus{};
    auto* oneOf = new QActionGroup(&window);
    for (const form::MenuRow& row : form::menus()) {
        QMenu* parent = row.parent ? menus[static_cast<std::size_t>(*row.parent)] : nullptr;
        if (std::any_of(form::menus().begin(), form::menus().end(),
                        [&](const form::MenuRow& other) { return other.parent == row.id; })) {
            menus[static_cast<std::size_t>(row.id)] =
                parent ? parent->addMenu(qt(form::menuText(row)))
                       : window.menuBar()->addMenu(qt(form::menuText(row)));
            continue;
        }
        QAction* entry = parent->addAction(qt(form::menuText(row)));
        entry->setCheckable(row.check != form::Check::None);
        entry->setChecked(row.checked);
        entry->setVisible(row.visible);
        if (row.check == form::Check::OneOf) {
            oneOf->addAction(entry);
        }
    }
    QuitOnFirstPaint quit(window);
    window.show();
    return QApplication::exec();
}
