#include "window_fixture.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <random>

namespace nolvetta::ui::testing {

void QueuedMessageBoxes::inform(QWidget*, const QString& text) {
    EXPECT_EQ(next(text), Answer::Ok) << text.toStdString();
}

bool QueuedMessageBoxes::askYesNo(QWidget*, const QString& text) {
    const Answer answer = next(text);
    EXPECT_NE(answer, Answer::Ok) << text.toStdString();
    return answer == Answer::Yes;
}

void QueuedMessageBoxes::expect(Answer answer, int times) {
    for (int i = 0; i < times; ++i) {
        answers.push_back(answer);
    }
}

Answer QueuedMessageBoxes::next(const QString& text) {
    shown.append(text);
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected message box: " << text.toStdString();
        return Answer::No;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

void WindowTest::SetUp() {
    std::random_device random;
    dataDirectory =
        std::filesystem::temp_directory_path() / ("nolvetta-window-" + std::to_string(random()));
    std::filesystem::create_directories(dataDirectory);
    reopen();
}

void WindowTest::TearDown() {
    closeWindow();
    EXPECT_TRUE(boxes.answers.empty()) << "answers left over: " << boxes.answers.size();
    std::filesystem::remove_all(dataDirectory);
}

void WindowTest::closeWindow() {
    if (form) {
        form->close();
        form.reset();
    }
}

void WindowTest::reopen() {
    closeWindow();
    form = std::make_unique<Form1>(browser, boxes, dataDirectory);
    form->Form_Load();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
}

void WindowTest::selectService(int index) {
    QAction* entry = action(QStringLiteral("MERU1(%1)").arg(index).toLatin1().constData());
    entry->trigger();
}

void WindowTest::dropText(QWidget* target, const QString& text) {
    QMimeData data;
    data.setText(text);
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

QStringList WindowTest::checkedServices() const {
    QStringList checked;
    for (int i = 0; i < 5; ++i) {
        QAction* entry = action(QStringLiteral("MERU1(%1)").arg(i).toLatin1().constData());
        if (entry->isChecked()) {
            checked.append(entry->text());
        }
    }
    return checked;
}

QStringList WindowTest::comboEntries(QComboBox* combo) const {
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i) {
        entries.append(combo->itemText(i));
    }
    return entries;
}

void WindowTest::whenMenuPopsUp(std::function<void(QMenu*)> choose) {
    QTimer::singleShot(0, [choose] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            ADD_FAILURE() << "no pop-up menu";
            return;
        }
        choose(menu);
    });
}

}  // namespace nolvetta::ui::testing
