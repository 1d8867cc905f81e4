#include "ui/accessible_combo.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>

namespace nolvetta::ui {

namespace {

class ComboAccessible : public QAccessibleWidget {
public:
    explicit ComboAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? combo()->currentText() : QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {showMenuAction()}; }
    void doAction(const QString&) override { combo()->showPopup(); }
    int childCount() const override { return QAccessibleWidget::childCount() + 1; }
    QAccessibleInterface* child(int index) const override {
        return index == QAccessibleWidget::childCount()
                   ? QAccessible::queryAccessibleInterface(combo()->view())
                   : QAccessibleWidget::child(index);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child->object() == combo()->view() ? QAccessibleWidget::childCount()
                                                  : QAccessibleWidget::indexOfChild(child);
    }

private:
    QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }
};

constexpr char NamedProperty[] = "nolvettaNamedByPurpose";

QAccessibleInterface* accessibleCombo(const QString&, QObject* object) {
    auto* combo = qobject_cast<QComboBox*>(object);
    return combo && combo->property(NamedProperty).toBool() ? new ComboAccessible(combo) : nullptr;
}

}  // namespace

void nameByPurpose(QComboBox& combo) {
    static const bool installed = (QAccessible::installFactory(accessibleCombo), true);
    static_cast<void>(installed);
    combo.setProperty(NamedProperty, true);
}

}  // namespace nolvetta::ui
