// A bare Qt window with the program's controls and captions and nothing
// else, ending on its first paint: what the program is measured against.
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

#include "first_paint.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("!Nolvetta"));
    auto* client = new QWidget(&window);
    client->setFixedSize(283, 191);
    window.setCentralWidget(client);
    QAction* onTop = window.menuBar()
                         ->addMenu(QStringLiteral("メニュー"))
                         ->addAction(QStringLiteral("常に手前に表示"));
    onTop->setCheckable(true);
    onTop->setChecked(true);
    auto* services = new QMenu(QStringLiteral("メルマガ"), &window);
    auto* oneOf = new QActionGroup(services);
    for (const char* caption : {"まぐまぐ", "melma", "カプライト", "ティアオンライン", "makey"}) {
        QAction* service = services->addAction(QString::fromUtf8(caption));
        service->setCheckable(true);
        oneOf->addAction(service);
    }
    services->actions().front()->setChecked(true);
    QMenu* cancel = window.menuBar()->addMenu(QStringLiteral("自動配信解除"));
    QMenu* mag2 = cancel->addMenu(QStringLiteral("まぐまぐ"));
    QMenu* melma = cancel->addMenu(QStringLiteral("melma"));
    QMenu* kapu = cancel->addMenu(QStringLiteral("カプライト"));
    mag2->addAction(QStringLiteral("ウィークリーまぐまぐ"));
    melma->addAction(QStringLiteral("melma!ニュース"));
    melma->addAction(QStringLiteral("今日のmelma!"));
    kapu->addAction(QStringLiteral("カプライトニュース"));
    const auto frame = [&](const char* caption, QRect at) {
        auto* f = new QGroupBox(QString::fromUtf8(caption), client);
        f->setGeometry(at);
        return f;
    };
    QGroupBox* shop = frame("楽天市場", {4, 204, 273, 89});
    QGroupBox* service = frame("まぐまぐ", {4, 52, 273, 133});
    QGroupBox* address = frame("メールアドレス", {4, 0, 273, 45});
    const auto place = [](QWidget* w, QRect at) { w->setGeometry(at); };
    for (const auto& [parent, caption, at] :
         {std::tuple{shop, "Go", QRect(236, 32, 29, 21)},
          {shop, "楽天市場ニュース解除ページへ", {8, 60, 221, 21}},
          {service, "変更", {224, 104, 41, 21}},
          {service, "メルマガ登録", {148, 44, 117, 21}},
          {service, "自動配信連続解除", {28, 72, 117, 21}},
          {service, "自動配信登録", {148, 72, 117, 21}},
          {service, "メルマガ解除", {28, 44, 117, 21}},
          {address, "削除", {224, 16, 41, 21}}}) {
        place(new QPushButton(QString::fromUtf8(caption), parent), at);
    }
    place(new QLineEdit(QStringLiteral("https://www.rakuten.co.jp/***/news.html"), shop),
          {8, 32, 221, 22});
    place(new QLabel(QStringLiteral("各ＨＰのアドレスを入れるとメルマガ解除ページへ"), shop),
          {8, 16, 248, 12});
    place(new QLineEdit(service), {28, 16, 237, 21});
    place(new QLabel(QStringLiteral("ID"), service), {12, 20, 11, 12});
    for (const auto& [parent, text, at] :
         {std::tuple{service, "登録用アドレス", QRect(8, 104, 209, 20)},
          {address, "削除用アドレス", {8, 16, 209, 20}}}) {
        auto* combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setEditText(QString::fromUtf8(text));
        place(combo, at);
    }
    QuitOnFirstPaint quit(window);
    window.show();
    return QApplication::exec();
}
