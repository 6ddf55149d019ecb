#pragma once
// Files and folders dragged from a file manager onto a widget: the local
// paths of the drop, handed to a callback. Installed as an event filter, it
// takes the drag before the widget's own handling, so a path field replaces
// its text instead of inserting the dropped path into the middle of the old
// one. Drops that carry no local file (text, web links) are left to the
// widget.

#include <QObject>
#include <QStringList>
#include <functional>

class QMimeData;
class QWidget;

namespace vendrik {

class DropTarget : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QStringList& paths)>;

    // Takes the drags on `widget` (which accepts drops from now on) while
    // it is enabled; `handler` gets each drop's local paths in their order.
    DropTarget(QWidget* widget, Handler handler);

    // The local paths of a drop's data; empty when it carries none.
    [[nodiscard]] static QStringList localPaths(const QMimeData* data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_widget;
    Handler m_handler;
};

}  // namespace vendrik
