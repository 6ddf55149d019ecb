#include "controls/controls_accessible.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QKeySequence>

#include "controls/XP_ProgressBar.h"
#include "controls/caption_text.h"
#include "controls/ccXPButton.h"

namespace vendrik {

namespace {

class XPButtonAccessible : public QAccessibleWidget {
public:
    explicit XPButtonAccessible(ccXPButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    [[nodiscard]] QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name: {
                const QString name = widget()->accessibleName();
                return name.isEmpty() ? parseCaption(button()->Caption()).shown : name;
            }
            case QAccessible::Accelerator: {
                const QChar key = button()->accessKey();
                return key.isNull()
                           ? QString()
                           : QKeySequence(
                                 QKeyCombination(Qt::AltModifier,
                                                 static_cast<Qt::Key>(key.toUpper().unicode())))
                                 .toString(QKeySequence::NativeText);
            }
            default:
                return QAccessibleWidget::text(t);
        }
    }

    [[nodiscard]] QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = button()->visualState() == XPButtonState::Pressed;
        s.defaultButton = button()->isDefault();
        return s;
    }

    [[nodiscard]] QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name == pressAction()) {
            // After the caller has its answer: a Click that opens a modal
            // dialog would otherwise keep the screen reader waiting for
            // the reply until the dialog closes. (Qt's own push buttons
            // defer their press the same way.) click() does nothing while
            // the button is disabled.
            QMetaObject::invokeMethod(button(), &QAbstractButton::click, Qt::QueuedConnection);
        } else {
            QAccessibleWidget::doAction(name);
        }
    }

    [[nodiscard]] QStringList keyBindingsForAction(const QString& name) const override {
        if (name == pressAction()) {
            const QString accel = text(QAccessible::Accelerator);
            return accel.isEmpty() ? QStringList() : QStringList{accel};
        }
        return QAccessibleWidget::keyBindingsForAction(name);
    }

private:
    [[nodiscard]] ccXPButton* button() const {
        return static_cast<ccXPButton*>(widget());
    }
};

class ProgressBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressBarAccessible(XP_ProgressBar* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(t);
    }

    [[nodiscard]] QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return bar()->shownText();
        }
        return QAccessibleWidget::text(t);
    }

    [[nodiscard]] QVariant currentValue() const override {
        return bar()->Value();
    }
    void setCurrentValue(const QVariant& /*value*/) override {
    }  // progress is not the user's to set
    [[nodiscard]] QVariant maximumValue() const override {
        return bar()->Max();
    }
    [[nodiscard]] QVariant minimumValue() const override {
        return bar()->Min();
    }
    [[nodiscard]] QVariant minimumStepSize() const override {
        return 1;
    }

private:
    [[nodiscard]] XP_ProgressBar* bar() const {
        return static_cast<XP_ProgressBar*>(widget());
    }
};

QAccessibleInterface* controlsFactory(const QString& className, QObject* object) {
    if (object == nullptr || !object->isWidgetType()) {
        return nullptr;
    }
    if (className == QLatin1String(ccXPButton::staticMetaObject.className())) {
        return new XPButtonAccessible(static_cast<ccXPButton*>(object));
    }
    if (className == QLatin1String(XP_ProgressBar::staticMetaObject.className())) {
        return new ProgressBarAccessible(static_cast<XP_ProgressBar*>(object));
    }
    return nullptr;
}

}  // namespace

void installControlsAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(controlsFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace vendrik
